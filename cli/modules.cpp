#include "cli/modules.h"

#include "cli/history.h"
#include "cli/interrupt.h"
#include "cli/progressbars.h"
#include "cli/report.h"
#include "cli/teamrecord.h"
#include "device/portmap.h"
#include "fleet/recorder.h"

#include <algorithm>
#include <memory>

namespace cli {

namespace {

using messages::Code;

// What keeps the command's exchanges: the record, made once per run of the program with the
// first command's options (a program runs one command). A write needs it; the other commands
// go on without it, and say so.
std::unique_ptr<fleet::Recorder>& recorderSlot()
{
    static std::unique_ptr<fleet::Recorder> recorder;
    return recorder;
}

// The record was wanted but cannot be written: nothing of this run is kept.
bool& unrecordedRun()
{
    static bool unrecorded = false;
    return unrecorded;
}

// The options the recorder was made with: which record, which server.
std::optional<Options>& recordingOptions()
{
    static std::optional<Options> options;
    return options;
}

bool writes(const Options& options)
{
    return options.name == QLatin1String("write") || options.name == QLatin1String("restore");
}

// A restore's source event, named in its events.
QString& restoreSource()
{
    static QString source;
    return source;
}

fleet::Observer& observer(const Options& options)
{
    std::unique_ptr<fleet::Recorder>& recorder = recorderSlot();
    if (!recorder)
        recordingOptions() = options;
    if (!recorder)
        recorder = std::make_unique<fleet::Recorder>(history::location(options),
                                                     writes(options) ? fleet::Recorder::Writes::Yes
                                                                     : fleet::Recorder::Writes::No,
                                                     restoreSource());
    return *recorder;
}

// Before any module is touched: a write stops when its events cannot be stored; any other
// command goes on unrecorded, with a warning (the record's own words).
Expected<void> recordReady(const Options& options)
{
    // A fresh recorder for each command (the command line also runs in-process, in tests).
    recorderSlot().reset();
    recordingOptions().reset();
    unrecordedRun() = false;
    const Expected<std::optional<record::Record>> usable = history::forExchanges(
        options, writes(options) ? history::Need::Required : history::Need::Optional);
    if (!usable)
        return usable.failure();
    if (!*usable) {
        // Turned off, or (said already) not writable: then every result says it went unrecorded.
        unrecordedRun() = !history::location(options).isOff();
        recorderSlot() =
            std::make_unique<fleet::Recorder>(record::Location::off(), fleet::Recorder::Writes::No);
    }
    return {};
}

// After the run: the modules whose exchanges the record could not keep are marked so in JSON
// and named on stderr; with a team's server, a short sync.
void afterRecording(QList<fleet::Result>& results)
{
    if (unrecordedRun()) {
        for (fleet::Result& result : results)
            result.keys.insert(QStringLiteral("recorded"), false);
    }
    fleet::Recorder* recorder = recorderSlot().get();
    if (!recorder || recorder->isOff())
        return;
    const Options& options = *recordingOptions();
    const QStringList missed = recorder->unrecorded();
    for (fleet::Result& result : results) {
        if (missed.contains(result.port))
            result.keys.insert(QStringLiteral("recorded"), false);
    }
    if (const std::optional<Failure> why = recorder->whyUnrecorded())
        report::note(QStringLiteral("Figyelmeztetés: nem került az előzményekbe: %1 (%2)")
                         .arg(missed.join(QStringLiteral(", ")), messages::oneLine(why->message)));
    if (Expected<record::Record> record = history::open(options))
        teamrecord::syncAfterRecording(options, *record);
}

fleet::Monitor monitorOf(const Options& options)
{
    return progressbars::wanted(options.quiet) ? progressbars::onStderr() : fleet::Monitor();
}

void printInPortOrder(QList<fleet::Result> results)
{
    std::sort(results.begin(), results.end(), [](const fleet::Result& a, const fleet::Result& b) {
        return PortMap::portNumber(a.port) < PortMap::portNumber(b.port);
    });
    for (const fleet::Result& result : std::as_const(results))
        report::result(result);
}

Failure interrupted(const QList<fleet::Result>& results)
{
    QStringList unfinished;
    for (const fleet::Result& result : results) {
        if (!result.finished())
            unfinished << result.port;
    }
    return {Code::Interrupted, unfinished.isEmpty()
                                   ? QStringLiteral("Megszakítva.")
                                   : QStringLiteral("Megszakítva. Befejezetlen: %1")
                                         .arg(unfinished.join(QStringLiteral(", ")))};
}

// The ports that hold no module, named once: in JSON each an object of its own, as text one
// note.
void sayNotModules(const QList<conversation::Result>& answers)
{
    QStringList named;
    for (const conversation::Result& answer : answers) {
        const QString why = fleet::notModuleReason(answer);
        if (report::isJson())
            report::result(
                fleet::Result::failed(answer.port.name, {Code::NoDevice,
                                                         QStringLiteral("nem modul (%1)").arg(why),
                                                         {{QStringLiteral("module"), false}}}));
        named << QStringLiteral("%1 (%2)").arg(answer.port.name, why);
    }
    if (!named.isEmpty())
        report::note(QStringLiteral("nem modul: %1").arg(named.join(QStringLiteral(", "))));
}

// The modules --port all finds; the run ends here when an interrupt came or there is none.
Expected<fleet::Targets> findModules(const Options& options)
{
    const fleet::Targets targets = fleet::search(setupOf(options), monitorOf(options));
    sayNotModules(targets.notModules);
    if (interrupt::requested()) {
        printInPortOrder(targets.failures);
        return interrupted(targets.failures);
    }
    if (targets.modules.isEmpty()) {
        printInPortOrder(targets.failures);
        return Failure{Code::NoModules, QStringLiteral("Egyik porton sincs modul.")};
    }
    return targets;
}

} // namespace

void recordAsRestoreOf(const QString& eventId)
{
    restoreSource() = eventId;
}

fleet::Setup setupOf(const Options& options, const QStringList& defaults)
{
    fleet::Setup setup;
    setup.baud = options.baud;
    setup.stop = interrupt::flag();
    setup.observer = &observer(options);
    setup.defaults = defaults;
    return setup;
}

Expected<fleet::Targets> prepareTargets(const Options& options, const QStringList& tablePorts)
{
    if (const Expected<void> map = fleet::deviceMapUsable(); !map)
        return map.failure();
    if (const Expected<void> ready = recordReady(options); !ready)
        return ready.failure();
    if (options.allPorts && tablePorts.isEmpty())
        return findModules(options);
    fleet::Targets targets;
    for (const QString& port : tablePorts.isEmpty() ? options.ports : tablePorts)
        targets.modules.append({port, std::nullopt});
    return targets;
}

QList<fleet::Result> runModules(const QList<fleet::Target>& targets, const Options& options,
                                const fleet::Job& job, const QStringList& defaults)
{
    // Held open, never used, while the modules' threads record: otherwise each of their
    // connections that closes as the last one folds the write-ahead log into the file and
    // deletes it, only for the next one to make it again.
    const Expected<record::Record> keeper = history::open(options);
    Q_UNUSED(keeper)
    return fleet::runFleet(targets, setupOf(options, defaults), job, monitorOf(options));
}

Expected<Exit> finish(QList<fleet::Result> results, Goal goal)
{
    afterRecording(results);
    printInPortOrder(results);
    if (interrupt::requested())
        return interrupted(results);
    return exitFor(results, goal);
}

} // namespace cli
