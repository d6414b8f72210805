#pragma once

#include "core/failure.h"

#include <QString>
#include <QStringList>

namespace record::db {
class Connection;
}

// The record's tables and their version.
namespace record::schema {

// The version this program writes. A record carries its version (SQLite's user_version) and
// its kind (application_id); an older one is upgraded step by step, a newer one refused.
constexpr int kVersion = 1;
constexpr qint32 kApplicationId = 0x56584752; // "VXGR"

// The condition of an event that shows its module's configuration: finished with a
// configuration the module held afterwards (read from it, or written into it successfully).
// `row` prefixes the columns ("NEW.", "events.").
QString showsConfiguration(const QString& row = {});

// Fills the empty modules table from the events (after events were deleted).
extern const QString kRebuildModules;

// One upgrade: the statements that bring a record of version `version - 1` to `version`.
struct Step
{
    int version;
    QStringList statements;
};

// Every upgrade from an empty file on, in order; the last one's version is kVersion.
const QList<Step>& steps();

// What a file is, judged from its first 100 bytes alone: opening a file through SQLite
// would leave -wal and -shm files beside one that turns out to be no record.
enum class FileKind {
    Missing,
    Empty,      // no bytes: a record not yet made (or made by a program that died first)
    Record,     // a record; `version` is at least its version (a newer one may still be
                // in its write-ahead log)
    NotARecord, // not a SQLite file, or one of another program
    Unreadable,
};

struct Inspection
{
    FileKind kind = FileKind::Missing;
    int version = 0;
    QString reason; // Unreadable: why, in Hungarian words
};

Inspection inspect(const QString& path);

// The refusals, in the words the user reads; the file is left as it was.
Failure notARecord(const QString& path);
Failure tooNew(const QString& path, int version);

// Makes an open connection's file a record of kVersion: creates the tables in an empty
// file, upgrades an older record, refuses a newer one; then puts the file in WAL mode.
Expected<void> prepare(db::Connection& connection);

} // namespace record::schema
