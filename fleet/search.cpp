#include "fleet/search.h"

#include "device/outcomes.h"
#include "device/portmap.h"
#include "device/porttexts.h"

#include <QFileInfo>

#include <algorithm>

namespace fleet {

namespace {

using messages::Code;

// A port that exists but did not open, as a failed module.
Result openFailed(const PortMap::PortState& state)
{
    return Result::failed(state.name, {Code::OpenFailed, outcomes::openFailure(state),
                                       porttexts::openFailureKeys(state)});
}

} // namespace

Expected<void> deviceMapUsable()
{
    const QString named = qEnvironmentVariable("VEXAGRID_DOSDEVICES");
    if (named.isEmpty())
        return {};
    const QFileInfo info(named);
    QString why;
    if (!info.exists())
        why = QStringLiteral("nem létezik");
    else if (!info.isDir())
        why = QStringLiteral("nem könyvtár");
    else if (!info.isReadable())
        why = QStringLiteral("nem olvasható");
    if (why.isEmpty())
        return {};
    return Failure{Code::DeviceMapMissing,
                   QStringLiteral("A VEXAGRID_DOSDEVICES könyvtár (%1) %2; a portok nem "
                                  "kereshetők.")
                       .arg(named, why)};
}

Candidates searchCandidates()
{
    Candidates candidates;
    for (const PortMap::PortState& state : PortMap::portStates()) {
        if (state.opens)
            candidates.ports.append({state.name, std::nullopt});
        else if (PortMap::worthAHint(state))
            candidates.failures << openFailed(state);
    }
    return candidates;
}

Targets sortAnswers(const Candidates& candidates, const QList<Result>& answers)
{
    Targets targets;
    targets.failures = candidates.failures;
    QList<Result> sorted = answers;
    std::stable_sort(sorted.begin(), sorted.end(), [](const Result& a, const Result& b) {
        return PortMap::portNumber(a.port) < PortMap::portNumber(b.port);
    });
    for (const Result& answer : std::as_const(sorted)) {
        if (!answer.identification) {
            targets.failures << answer;
            continue;
        }
        const conversation::Result& exchange = *answer.identification;
        if (exchange.ok())
            targets.modules.append({answer.port, exchange});
        else if (!exchange.opened())
            targets.failures << Result::failed(answer.port, exchange.failure());
        else
            targets.notModules << exchange;
    }
    return targets;
}

Targets search(const Setup& setup, const Monitor& monitor)
{
    const Candidates candidates = searchCandidates();
    return sortAnswers(candidates, runFleet(candidates.ports, setup, searchTask, monitor));
}

QString notModuleReason(const conversation::Result& answer)
{
    return answer.reply.isEmpty() ? QStringLiteral("nem válaszolt")
                                  : QStringLiteral("ismeretlen válasz");
}

} // namespace fleet
