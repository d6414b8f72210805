#pragma once

#include "cli/exit.h"
#include "cli/fleet.h"
#include "cli/options.h"
#include "core/failure.h"

#include <QList>
#include <QStringList>

// What every command that talks to modules shares: finding them, running the work on all of
// them at once, and saying how it went.
namespace cli {

// The modules a command works on, and the ports that could not be asked.
struct Targets
{
    QList<Target> modules;
    QList<Result> failures; // ports that exist but do not open: each a failed module
    // With --port all, the ports that opened but answered as no module (named, never dropped).
    QList<conversation::Result> notModules;
};

// A VEXAGRID_DOSDEVICES that names no folder that can be read would quietly leave the
// machine's own ports in its place: Code::DeviceMapMissing.
Expected<void> deviceMapUsable();

// The one way a command finds its modules: the device map usable, then the ports named (with
// --each, `tablePorts`), or with --port all every port that exists asked who it is. A port
// that does not open is a failed module; one that opens but holds no module is said once
// (and in JSON, as an object of its own). Fails when the run ends here: the device map, no
// module anywhere, or an interrupt during the search (the ports asked so far said already).
Expected<Targets> prepareTargets(const Options& options, const QStringList& tablePorts = {});

// Runs `job` on every target with Ctrl+C's stop flag, with progress bars where the terminal
// shows them (not with --quiet).
QList<Result> runModules(const QList<Target>& targets, const Options& options, const Job& job);

// Prints every result in port order; then how the run ended: the exit the results come to,
// or the interrupt, naming the modules it left unfinished.
Expected<Exit> finish(QList<Result> results, Goal goal = Goal::Work);

} // namespace cli
