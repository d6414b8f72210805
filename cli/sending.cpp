#include "cli/sending.h"

#include "cli/modules.h"
#include "cli/report.h"

namespace cli {

fleet::Plans plansOf(const Options& options)
{
    return fleet::makePlans(options.files.value(0), options.base, options.overrides, options.each);
}

Exit refuse(const fleet::Plans& plans, Goal goal, bool modulesNamed)
{
    for (const Failure& problem : plans.problems)
        report::error(report::Line::of(problem));
    if (modulesNamed)
        report::note(QStringLiteral("Egyik modullal sem történt semmi: előbb a fenti hibákat "
                                    "kell kijavítani."));
    return exitFor(plans, goal);
}

Expected<Exit> sendPlanned(const Options& options, const fleet::Plans& plans, const fleet::Job& job,
                           Goal goal)
{
    const Expected<fleet::Targets> targets = prepareTargets(options, plans.tablePorts());
    if (!targets) {
        // A comparison that found nothing to compare could not be made, whatever the reason.
        report::failure(targets.failure());
        return exitFor(targets.failure(), goal);
    }
    QList<fleet::Result> results = runModules(targets->modules, options, job, plans.defaults);
    for (fleet::Result& result : results) {
        result.keys.insert(QStringLiteral("file"), options.files.first());
        if (plans.lineOf.contains(result.port))
            result.keys.insert(QStringLiteral("row"), plans.lineOf.value(result.port));
    }
    return finish(results + targets->failures, goal);
}

} // namespace cli
