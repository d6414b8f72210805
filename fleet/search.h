#pragma once

#include "core/failure.h"
#include "device/conversations.h"
#include "fleet/result.h"
#include "fleet/run.h"

#include <QList>

// Finding the modules: every port of the port map that exists, asked who it is. The command
// line's `--port all` and the dialog's "Keresés" are this search.
namespace fleet {

// A VEXAGRID_DOSDEVICES that names no folder that can be read would quietly leave the
// machine's own ports in its place: Code::DeviceMapMissing.
Expected<void> deviceMapUsable();

// What a search found, each port in port order.
struct Targets
{
    QList<Target> modules;
    QList<Result> failures; // ports that exist but do not open: each a failed module
    // Ports that opened but answered as no module: named, never dropped.
    QList<conversation::Result> notModules;
};

// The ports a search asks (every one that opens), and those that exist but do not open,
// where a user could plausibly look for a module: failures before anything is asked.
struct Candidates
{
    QList<Target> ports;
    QList<Result> failures;
};
Candidates searchCandidates();

// The results of searchTask on the candidates, sorted into modules, failures and ports that
// hold none.
Targets sortAnswers(const Candidates& candidates, const QList<Result>& answers);

// The whole search on the calling thread, each port on a thread of its own.
Targets search(const Setup& setup, const Monitor& monitor = {});

// Why a port that opened holds no module: "nem válaszolt" or "ismeretlen válasz".
QString notModuleReason(const conversation::Result& answer);

} // namespace fleet
