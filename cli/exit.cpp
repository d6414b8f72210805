#include "cli/exit.h"

namespace cli {

namespace {

using messages::Code;

struct ExitEntry
{
    Exit exit;
    int status;
};

constexpr ExitEntry kStatuses[] = {
    {Exit::Success, 0},
    {Exit::Failed, 1},
    {Exit::Usage, 2},
    {Exit::Interrupted, 130},
};

} // namespace

int exitStatus(Exit exit)
{
    for (const ExitEntry& entry : kStatuses) {
        if (entry.exit == exit)
            return entry.status;
    }
    return 1;
}

Exit exitFor(const Failure& failure, Goal goal)
{
    if (failure.code == Code::Interrupted)
        return Exit::Interrupted;
    if (failure.code == Code::Usage || failure.code == Code::DeviceMapMissing ||
        goal == Goal::Comparison)
        return Exit::Usage;
    return Exit::Failed;
}

Exit exitFor(const QList<Result>& results, Goal goal)
{
    Exit exit = Exit::Success;
    for (const Result& result : results) {
        if (result.ok)
            continue;
        if (goal == Goal::Comparison && result.error != Code::Differs)
            return Exit::Usage;
        exit = Exit::Failed;
    }
    return exit;
}

Exit exitFor(const Plans& plans, Goal goal)
{
    if (plans.ok())
        return Exit::Success;
    return goal == Goal::Comparison || plans.tableMalformed ? Exit::Usage : Exit::Failed;
}

} // namespace cli
