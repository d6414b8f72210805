#pragma once

#include "cli/options.h"

// A configuration as a person reads it, from a file or from a module: show (aligned text or
// one JSON object keyed by object name), diff of two files, and the configuration sheet.
namespace cli {

int show(const Options& options);
int sheet(const Options& options);
// diff A B: two files compared as diff --port compares a module with a file.
int diffFiles(const Options& options);

} // namespace cli
