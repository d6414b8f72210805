#pragma once

#include "core/failure.h"
#include "record/event.h"

#include <QJsonObject>
#include <QSet>

// A bundle carries events and their configurations from one machine's record to another's.
// It is text, one JSON object per line, every line ended by LF:
//
//   {"bundle":"vexagrid-record","version":1,"created":TIME,"host":"...","since":TIME|null}
//   {"configuration":SHA256,"content":BASE64}     every configuration the events name
//   {"event":{...}}                               the settled events, oldest first
//   {"end":{"configurations":N,"events":M,"sha256":HEX}}
//
// The last line counts the lines before it and gives the SHA-256 of every byte before it, so
// a truncated or damaged bundle is found before anything of it is kept. A bundle comes from
// another machine: the reader checks every line and every value (a configuration's hash
// against its content, an event's configuration among those before it, every id, time and
// size) and takes the bundle whole or not at all. Text rather than a SQLite file: a person
// can read and mail it, and the reader needs no database engine to look at hostile bytes.
namespace record::bundle {

constexpr int kVersion = 1;
inline const QString kKind = QStringLiteral("vexagrid-record");

// Nothing of ours comes near these; they bound what a hostile bundle can make us hold.
constexpr qsizetype kMaxLine = 1024 * 1024;
constexpr qsizetype kMaxConfiguration = 64 * 1024;
constexpr qsizetype kMaxText = 4096;

// An event as JSON: the keys of a bundle's event lines (id, run, operation, state, host,
// operator, version, port, adapter, adapterSerial, identification, firmware, module, outcome,
// message, configuration, status, differences, source, started, finished), null for none.
QJsonObject eventJson(const Event& event);

// The settled event of a bundle's line, checked: every key present and no other, each of its
// kind and size, its configuration among `configurations`. The failure's message says what is
// wrong, in a few Hungarian words.
Expected<Event> eventFromJson(const QJsonObject& json, const QSet<QString>& configurations);

// A configuration of a bundle, checked: its content within size, readable as a configuration
// file, and hashed as `hash` says.
Expected<QByteArray> configurationFromJson(const QJsonObject& json);

// The complete lines of `lines` (an unfinished last one and any end line left out) followed by
// the end line their writer would have given them: for tests and fuzzing, which change a bundle
// and still want the checks behind its checksum to be reached.
QByteArray sealed(const QByteArray& lines);

} // namespace record::bundle
