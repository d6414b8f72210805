#pragma once

#include "cli/exit.h"
#include "cli/options.h"
#include "core/configuration.h"
#include "core/failure.h"

#include <functional>

// A configuration as show, sheet and diff A B read it: a file opened as the window opens it,
// or a module read out.
namespace cli {

// The window's Open of `file`, on top of the defaults file (`base`, or where the window
// finds it).
Expected<Configuration> openAsTheWindowDoes(const QString& file, const QString& base);

struct Source
{
    Configuration config;
    QString file;           // the file it was read from, or ""
    QString port;           // the module it was read from, or ""
    QString identification; // the module's
};

// Runs `use` on the configuration the command line names: its file, or its one module read
// out. A module that cannot be read out is the command's result; the defaults file, the file
// or the device map that cannot be used is its failure.
Expected<Exit> withSource(const Options& options,
                          const std::function<Expected<Exit>(const Source& source)>& use);

} // namespace cli
