#pragma once

#include "core/failure.h"
#include "fleet/plan.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// The command line's words: a subcommand, its options, its files. Every option is one of one
// table; each command takes the common ones and its own (its row in commands.h).
namespace cli {

struct Options
{
    QString name;      // the command as typed
    QStringList ports; // "COM3", ..., in port order; empty with allPorts or --each
    bool allPorts = false;
    qint32 baud = 1200;
    bool json = false;
    bool quiet = false;
    QStringList files; // the configuration files (diff A B: two)
    QString output;    // read, sheet
    QString base;      // the defaults file; empty: where the window finds it
    QList<fleet::Override> overrides;
    QString each; // the per-module table
    bool verify = false;
    QString backupDir;
    int watchSeconds = 0; // status --watch; 0: once
    bool all = false;     // diff, show: the fields the VexaGrid-3 does not use too
    bool pin = false;     // diff, show, sheet: the PIN's digits
    QString remote;       // the team's record; empty: VEXAGRID_RECORD_REMOTE
    bool noSync = false;  // no sync at the end of a command that recorded

    // The record: --record FILE or --no-record in place of VEXAGRID_RECORD.
    QString recordFile;
    bool noRecord = false;
    // The record's questions (history): empty or invalid ones do not narrow.
    QString moduleId;
    QString operation; // --op, a record operation's name
    bool failedOnly = false;
    QDateTime since; // local times as given; a date alone is its day's start,
    QDateTime until; // for --until and --at its end
    QDateTime at;
    QString operatorName;
    QString host;
    int limit = 0;         // 0: every event
    int keepLast = 0;      // history prune
    int olderThanDays = 0; // history prune; 0: any age
    bool yes = false;      // history prune: remove, not only say

    bool usesPorts() const { return !ports.isEmpty() || allPorts || !each.isEmpty(); }
};

// One option of the command line.
struct OptionInfo
{
    const char* name;  // long name, without "--"
    char shortName;    // 0 for none
    const char* value; // the value's name in the help ("P", "FÁJL"); nullptr: a switch
    bool repeatable;
    const char* help;
};
const QList<OptionInfo>& optionTable();
const OptionInfo* findOption(const QString& name);

struct Parsed
{
    enum Kind { Run, Help, Version };
    Kind kind = Run;
    Options options;
    QString helpFor; // Help: the command whose help is asked for, "" for the general one
};

// `arguments` as QCoreApplication::arguments() gives them, the program first. Options may
// stand before or after the command and its files, as "--name VALUE" or "--name=VALUE". A
// command line that is wrong is a usage failure that names the culprit.
Expected<Parsed> parse(const QStringList& arguments);

// The COM names of a --port list in port order, or `all`; a usage failure names a bad one.
struct PortList
{
    QStringList ports;
    bool all = false;
};
Expected<PortList> parsePorts(const QString& text);

// A time as the command line takes it: an ISO date ("2026-03-01") or date-time
// ("2026-03-01T08:30", "2026-03-01 08:30:15"), in local time unless it names its offset. A
// date alone is what `dateAlone` says of its day. Invalid when the text is neither.
enum class DateAlone {
    Start,      // --since: from the day's first moment
    NextStart,  // --until (started before): up to the day's end
    LastMoment, // --at (at or before): as the day ended
};
QDateTime parseTime(const QString& text, DateAlone dateAlone = DateAlone::Start);

// "NAME=VALUE" as --set takes it; anything else is a usage failure.
Expected<fleet::Override> parseAssignment(const QString& text);

} // namespace cli
