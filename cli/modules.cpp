#include "cli/modules.h"

#include "cli/interrupt.h"
#include "cli/progressbars.h"
#include "cli/report.h"
#include "device/portmap.h"

#include <algorithm>

namespace cli {

namespace {

using messages::Code;

// What keeps the command line's exchanges: nothing yet.
fleet::Observer& observer()
{
    return fleet::Observer::none();
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

fleet::Setup setupOf(const Options& options, const QStringList& defaults)
{
    fleet::Setup setup;
    setup.baud = options.baud;
    setup.stop = interrupt::flag();
    setup.observer = &observer();
    setup.defaults = defaults;
    return setup;
}

Expected<fleet::Targets> prepareTargets(const Options& options, const QStringList& tablePorts)
{
    if (const Expected<void> map = fleet::deviceMapUsable(); !map)
        return map.failure();
    if (const Expected<void> ready = observer().ready(); !ready)
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
    return fleet::runFleet(targets, setupOf(options, defaults), job, monitorOf(options));
}

Expected<Exit> finish(QList<fleet::Result> results, Goal goal)
{
    printInPortOrder(results);
    if (interrupt::requested())
        return interrupted(results);
    return exitFor(results, goal);
}

} // namespace cli
