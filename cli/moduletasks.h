#pragma once

#include "device/conversations.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <optional>

// What the command line does with one module, each a run of the window's conversations in
// the window's order. Every task runs on a thread of its own and reports through Progress;
// none of them prints.
namespace cli {

enum class Phase { Waiting, Identify, Backup, Write, Verify, Read, Status, Done };

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

struct Result
{
    QString port;
    bool ok = false;
    bool finished = true; // false: an interrupt left the work half done
    QString error;        // a stable code when not ok
    QString message;      // one line, Hungarian
    QJsonObject details;  // what the task found, by field name
};

struct Context
{
    QString port;
    qint32 baud = 1200;
    const std::atomic<bool>* stop = nullptr;
    Progress* progress = nullptr;
    // The identification a search for modules ("--port all") already got.
    std::optional<conversation::Identification> identification;
};

// One field of the line that differs: its number (1..56) and both texts as a read-out
// gives them.
struct Difference
{
    int number = 0;
    QString module;
    QString expected;
};

// The module's read-out fields against what the frame sends, field by field.
QList<Difference> compareFields(const QStringList& moduleFields, const QString& frame);

Result identifyTask(Context& context);
Result readTask(Context& context, const QStringList& defaults, const QString& path);

struct WriteJob
{
    QString frame;
    QStringList defaults; // for the backup's file
    QString backupDir;    // empty: no backup
    bool verify = false;
};
Result writeTask(Context& context, const WriteJob& job);
Result diffTask(Context& context, const QString& frame);
// One status query; identification first unless `identified`.
Result statusTask(Context& context, bool identified = false);

} // namespace cli
