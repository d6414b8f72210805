// status: the module's live state as the window's panel shows it, once or again and again.
#include "cli/argchecks.h"
#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/modules.h"
#include "cli/report.h"

#include <QTime>

namespace cli {

namespace {

// One line per query as it comes; an interrupt is the way a watch ends.
Exit watch(const Options& options, const fleet::Targets& targets)
{
    for (const fleet::Result& failed : targets.failures)
        report::result(failed);
    const int periodMs = options.watchSeconds * 1000;
    const fleet::Job query = [periodMs](fleet::Context& context) {
        bool identified = context.identification.has_value();
        for (;;) {
            fleet::Result result = fleet::statusTask(context, identified);
            identified = identified || (result.error != messages::Code::NoDevice &&
                                        result.error != messages::Code::OpenFailed);
            result.port = context.port;
            const QString time = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
            result.keys.insert(QStringLiteral("time"), time);
            result.message = time + u' ' + result.message;
            report::result(result);
            if (!interrupt::sleep(periodMs))
                return result;
        }
    };
    const QList<fleet::Result> last = fleet::runFleet(targets.modules, setupOf(options), query);
    return exitFor(last + targets.failures);
}

Expected<Exit> showStatus(const Options& options)
{
    const Expected<fleet::Targets> targets = prepareTargets(options);
    if (!targets)
        return targets.failure();
    if (options.watchSeconds > 0)
        return watch(options, *targets);
    const QList<fleet::Result> results =
        runModules(targets->modules, options,
                   [](fleet::Context& context) { return fleet::statusTask(context); });
    return finish(results + targets->failures);
}

} // namespace

namespace commands {

// clang-format off
CommandInfo status()
{
    return {"status", "status --port P [--watch MP]",
            "térerő, fázisok, kimenetek, firmware-verzió",
            "Az állapot lekérdezése (\"~[\"), ahogy az ablakos program mutatja a VexaGrid-3-ét.",
            {{"port"}, {"baud"}, {"watch"}, {"remote"}, {"no-sync"}},
            {"identification", "module", "time", "signal", "signalLow", "phaseR", "phaseS", "phaseT", "output1", "output2", "firmware", "reason", "systemError"},
            "vexagrid-cli status --port COM3 --watch 2",
            argchecks::ports, showStatus};
}
// clang-format on

} // namespace commands

} // namespace cli
