#pragma once

#include "cli/options.h"

namespace cli {

// Runs the parsed command; the program's exit code (0 every module succeeded, 1 any failed
// or an interrupt stopped the work, 2 a usage error found only now).
int run(const Options& options);

} // namespace cli
