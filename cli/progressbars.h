#pragma once

#include "cli/fleet.h"

// The progress of many modules on a terminal: one bar a module on stderr, redrawn in place,
// which turns to "hiba" as soon as its module fails.
namespace cli::progressbars {

// Whether the bars can be shown: not with --quiet, and only on a terminal that moves its
// cursor (none on a pipe, with TERM unset or "dumb").
bool wanted(bool quiet);

// The bars as a fleet's monitor; gone from the terminal once the fleet is done.
Monitor onStderr();

} // namespace cli::progressbars
