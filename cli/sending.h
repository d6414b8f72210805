#pragma once

#include "cli/exit.h"
#include "cli/fleet.h"
#include "cli/options.h"
#include "cli/plan.h"

#include <functional>

// What write, diff and check share: the plan made from the command line (the file, --base,
// --set, --each), refused as a whole when any part of it is wrong, or sent to the modules.
namespace cli {

Plans plansOf(const Options& options);

// Every problem of a refused plan, said before any module is contacted, and (with
// `modulesNamed`) that nothing happened to any of them; the exit it comes to.
Exit refuse(const Plans& plans, Goal goal, bool modulesNamed = true);

// A job for one module that sends or compares `frame`.
using PlannedJob = std::function<Result(Context& context, const QString& frame)>;

// The plan's job on its modules (the table's, or those --port names), each with its own
// frame; every result with the file and, with --each, its row.
Expected<Exit> sendPlanned(const Options& options, const Plans& plans, const PlannedJob& job,
                           Goal goal = Goal::Work);

} // namespace cli
