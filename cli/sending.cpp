#include "cli/sending.h"

#include "cli/modules.h"
#include "cli/report.h"

namespace cli {

Plans plansOf(const Options& options)
{
    return makePlans(options.files.value(0), options.base, options.overrides, options.each);
}

Exit refuse(const Plans& plans, Goal goal, bool modulesNamed)
{
    for (const Failure& problem : plans.problems)
        report::error(report::Line::of(problem));
    if (modulesNamed)
        report::note(QStringLiteral("Egyik modullal sem történt semmi: előbb a fenti hibákat "
                                    "kell kijavítani."));
    return exitFor(plans, goal);
}

Expected<Exit> sendPlanned(const Options& options, const Plans& plans, const PlannedJob& job,
                           Goal goal)
{
    const Expected<Targets> targets =
        prepareTargets(options, options.each.isEmpty() ? QStringList() : plans.frames.keys());
    if (!targets)
        return targets.failure();
    QList<Result> results = runModules(targets->modules, options, [&](Context& context) {
        return job(context, plans.frameFor(context.port));
    });
    for (Result& result : results) {
        result.keys.insert(QStringLiteral("file"), options.files.first());
        if (plans.lineOf.contains(result.port))
            result.keys.insert(QStringLiteral("row"), plans.lineOf.value(result.port));
    }
    return finish(results + targets->failures, goal);
}

} // namespace cli
