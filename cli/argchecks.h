#pragma once

#include "cli/options.h"
#include "core/failure.h"

// The pieces of the commands' argument checks that more than one command is made of. Each
// is a usage failure that names what is wrong, or nothing.
namespace cli::argchecks {

Failure usage(const QString& message);

// Exactly `count` files; `what` names them ("egy konfigurációs fájl").
Expected<void> files(const Options& options, int count, const char* what);
// No files.
Expected<void> nothing(const Options& options);
// No files, and --port.
Expected<void> ports(const Options& options);
// A configuration file, and --port or --each: what write and diff send.
Expected<void> sendFiles(const Options& options);
// A configuration file, or one module (--port): what show and sheet read.
Expected<void> source(const Options& options);

} // namespace cli::argchecks
