#pragma once

#include "core/configuration.h"
#include "core/failure.h"
#include "device/conversations.h"
#include "fleet/observer.h"
#include "fleet/result.h"

#include <QJsonArray>
#include <QString>
#include <QStringList>

#include <atomic>
#include <optional>

// What is done with one module, each a run of the window's conversations in the window's
// order. Every task runs on a thread of its own, shows how far it got through Progress and
// tells its Observer of every exchange; none of them prints.
namespace fleet {

enum class Phase { Waiting, Identify, Backup, Write, Verify, Read, Status, Done, Failed };

// The phase as a progress display names it ("azonosítás", "betöltés" ...).
QString phaseName(Phase phase);

// Shared between a task and whoever shows its progress, on another thread.
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

// One module's work as a task sees it; a run (run.h) makes one for each module.
struct Context
{
    QString port;
    qint32 baud = 1200;
    // Looked at between steps and, in a write, between bytes: once set, nothing more starts.
    const std::atomic<bool>* stop = nullptr;
    Progress* progress = nullptr;
    Observer* observer = nullptr; // none: Observer::none()
    // The defaults file's lines: what a configuration read out is filled into.
    QStringList defaults;
    // The module's identification: the one a search for modules already got, then its own.
    std::optional<conversation::Result> identification;
    QString moduleId; // its m_id, once read

    bool stopRequested() const { return stop && stop->load(); }
};

// A module's identification as the window shows it, on one line.
QString identificationText(const conversation::Result& answer);

Result identifyTask(Context& context);
// A search's question to one port: ok when a module answered there; the exchange, whatever
// came of it, as the result's identification (none when the observer refused it).
Result searchTask(Context& context);
// The identification and the read-out, nothing saved: the record in the result.
Result fetchTask(Context& context);
// The window's state after connecting (the defaults loaded) and reading the module out.
Configuration readOutState(const QStringList& defaults, const QStringList& record);
// The read-out saved at `path` as the window saves a file ("-": kept as the result's
// content).
Result readTask(Context& context, const QString& path);

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
    QString backupDir; // empty: no backup
    bool verify = false;
    Operation operation = Operation::Write; // or Restore, for the observer
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

} // namespace fleet
