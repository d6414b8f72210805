#pragma once

#include "cli/exit.h"
#include "cli/options.h"
#include "fleet/plan.h"
#include "fleet/run.h"

#include <functional>

// What write, diff and check share: the plan made from the command line (the file, --base,
// --set, --each), refused as a whole when any part of it is wrong, or sent to the modules.
namespace cli {

fleet::Plans plansOf(const Options& options);

// Every problem of a refused plan, said before any module is contacted, and (with
// `modulesNamed`) that nothing happened to any of them; the exit it comes to.
Exit refuse(const fleet::Plans& plans, Goal goal, bool modulesNamed = true);

// The plan's job on its modules (the table's, or those --port names), each module with its
// own frame (fleet::Plans::frameFor); every result with the file and, with --each, its row.
Expected<Exit> sendPlanned(const Options& options, const fleet::Plans& plans, const fleet::Job& job,
                           Goal goal = Goal::Work);

} // namespace cli
