#pragma once

#include "cli/exit.h"
#include "cli/options.h"
#include "core/failure.h"
#include "fleet/run.h"
#include "fleet/search.h"

#include <QList>
#include <QStringList>

// What every command that talks to modules shares: finding them, running the work on all of
// them at once, and saying how it went.
namespace cli {

// The command's writes are restores of this recorded event (before its modules are prepared).
void recordAsRestoreOf(const QString& eventId);

// What the modules of a command's run share: the baud rate, Ctrl+C's stop flag, the observer
// of every exchange and (for the commands that read a configuration) the defaults file's
// lines.
fleet::Setup setupOf(const Options& options, const QStringList& defaults = {});

// The one way a command finds its modules: the device map usable, then the ports named (with
// --each, `tablePorts`), or with --port all every port that exists asked who it is. A port
// that does not open is a failed module; one that opens but holds no module is said once
// (and in JSON, as an object of its own). Fails when the run ends here: the device map, no
// module anywhere, or an interrupt during the search (the ports asked so far said already).
Expected<fleet::Targets> prepareTargets(const Options& options, const QStringList& tablePorts = {});

// Runs `job` on every target with Ctrl+C's stop flag, with progress bars where the terminal
// shows them (not with --quiet).
QList<fleet::Result> runModules(const QList<fleet::Target>& targets, const Options& options,
                                const fleet::Job& job, const QStringList& defaults = {});

// Prints every result in port order; then how the run ended: the exit the results come to,
// or the interrupt, naming the modules it left unfinished.
Expected<Exit> finish(QList<fleet::Result> results, Goal goal = Goal::Work);

} // namespace cli
