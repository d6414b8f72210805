#pragma once

#include "cli/report.h"
#include "core/configuration.h"
#include "core/failure.h"
#include "device/conversations.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <optional>

// What the command line does with one module, each a run of the window's conversations in
// the window's order. Every task runs on a thread of its own and reports through Progress;
// none of them prints.
namespace cli {

enum class Phase { Waiting, Identify, Backup, Write, Verify, Read, Status, Done, Failed };

// The phase as a progress display names it ("azonosítás", "betöltés" ...).
QString phaseName(Phase phase);

// Shared between a task and the progress display.
struct Progress
{
    std::atomic<int> phase{int(Phase::Waiting)};
    std::atomic<int> value{0};
    std::atomic<int> maximum{0};

    void start(Phase next, int max = 0)
    {
        value = 0;
        maximum = max;
        phase = int(next);
    }
};

// A module's result: the line the report prints, and what the command does with it. A
// result whose error is Code::Interrupted is unfinished: an interrupt left the work half
// done.
struct Result : report::Line
{
    QByteArray content; // read into "-": the configuration file's bytes
    QStringList record; // fetchTask: the module's 56 fields

    // The failure that ended a module's work, on `port`: its details are the result's keys.
    static Result failed(const QString& port, const Failure& failure);
    bool finished() const { return error != messages::Code::Interrupted; }
};

struct Context
{
    QString port;
    qint32 baud = 1200;
    const std::atomic<bool>* stop = nullptr;
    Progress* progress = nullptr;
    // The identification a search for modules ("--port all") already got.
    std::optional<conversation::Result> identification;
};

// The keys a port that did not open adds to its JSON object: "reason" and "systemError".
void addOpenFailure(QJsonObject& keys, const conversation::Result& exchange);

Result identifyTask(Context& context);
// The identification and the read-out, nothing saved: the record in the result.
Result fetchTask(Context& context);
// The window's state after connecting (the defaults loaded) and reading the module out.
Configuration readOutState(const QStringList& defaults, const QStringList& record);
Result readTask(Context& context, const QStringList& defaults, const QString& path);

// How diff and --verify compare a module with what a write sends.
struct Comparison
{
    QString frame;
    bool all = false; // the fields the VexaGrid-3 does not use count too
    bool pin = false; // the PIN's digits are shown
};

struct WriteJob
{
    QString frame;
    QStringList defaults; // for the backup's file
    QString backupDir;    // empty: no backup
    bool verify = false;
};
Result writeTask(Context& context, const WriteJob& job);
Result diffTask(Context& context, const Comparison& comparison);
// One status query; identification first unless `identified`.
Result statusTask(Context& context, bool identified = false);

// The readable differences of two 56-field records, the module's (left) and what a write
// sends or another file holds (right): the text's lines and the JSON list. Unused fields are
// listed apart unless `all`; `leftName` and `rightName` say where each value is ("a
// modulban", "a fájlban").
struct Differences
{
    int used = 0;      // differences that count
    QStringList lines; // "3. telefonszám: a modulban ..., a fájlban ..."; then the unused
    QJsonArray list;   // every difference, counted or not
};
Differences differences(const QStringList& left, const QStringList& right, const Comparison& how,
                        const QString& leftName, const QString& rightName);

} // namespace cli
