#pragma once

#include "cli/plan.h"
#include "cli/tasks.h"
#include "core/failure.h"

#include <QList>

// How a run of vexagrid-cli ends, as a script reads it. Every command comes to one of these
// through the rules below; only exitStatus() knows the numbers.
namespace cli {

enum class Exit {
    Success,     // 0: every module succeeded (diff: they are equal)
    Failed,      // 1: any failed, or the plan was refused (diff: they differ)
    Usage,       // 2: the command line, the device map or a table is wrong (diff: could not
                 //    compare)
    Interrupted, // 130: Ctrl+C
};

int exitStatus(Exit exit);

// What a command's failures mean: work that failed, or (diff) a comparison that could not
// be made, unless the only failure is that the two differ.
enum class Goal { Work, Comparison };

// A failure that ended the run before any module had a result: the command line and the
// device map are Usage, an interrupt is Interrupted, anything else Failed; a comparison
// that could not be made is Usage.
Exit exitFor(const Failure& failure, Goal goal = Goal::Work);
// The modules' results: Success when every one succeeded.
Exit exitFor(const QList<Result>& results, Goal goal = Goal::Work);
// A plan refused before any module was contacted: a malformed table is Usage.
Exit exitFor(const Plans& plans, Goal goal = Goal::Work);

} // namespace cli
