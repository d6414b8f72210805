#include "cli/modules.h"

#include "cli/interrupt.h"
#include "cli/progressbars.h"
#include "cli/report.h"
#include "device/outcomes.h"
#include "device/portmap.h"
#include "device/porttexts.h"

#include <QFileInfo>
#include <QMutex>

#include <algorithm>

namespace cli {

namespace {

using messages::Code;

void printInPortOrder(QList<Result> results)
{
    std::sort(results.begin(), results.end(), [](const Result& a, const Result& b) {
        return PortMap::portNumber(a.port) < PortMap::portNumber(b.port);
    });
    for (const Result& result : std::as_const(results))
        report::result(result);
}

Failure interrupted(const QList<Result>& results)
{
    QStringList unfinished;
    for (const Result& result : results) {
        if (!result.finished())
            unfinished << result.port;
    }
    return {Code::Interrupted, unfinished.isEmpty()
                                   ? QStringLiteral("Megszakítva.")
                                   : QStringLiteral("Megszakítva. Befejezetlen: %1")
                                         .arg(unfinished.join(QStringLiteral(", ")))};
}

// A port that exists but did not open, as a failed module.
Result openFailed(const PortMap::PortState& state)
{
    return Result::failed(state.name, {Code::OpenFailed,
                                       outcomes::openFailure(state),
                                       {{QStringLiteral("reason"), porttexts::reasonCode(state)},
                                        {QStringLiteral("systemError"), state.error}}});
}

// Every port that opens, asked who it is, in port order.
QList<conversation::Result> identifyAll(const QList<Target>& candidates, const Options& options)
{
    QList<conversation::Result> answers;
    QMutex mutex;
    runModules(candidates, options, [&](Context& context) {
        context.progress->start(Phase::Identify);
        const conversation::Result identification =
            conversation::identify(context.port, context.baud);
        const QMutexLocker lock(&mutex);
        answers << identification;
        Result result;
        result.ok = identification.ok();
        return result;
    });
    std::sort(answers.begin(), answers.end(), [](const auto& a, const auto& b) {
        return PortMap::portNumber(a.port.name) < PortMap::portNumber(b.port.name);
    });
    return answers;
}

// --port all: every port that exists, asked who it is, sorted into modules, ports that did
// not open (which may well hold a module: failures) and ports that hold none.
Targets searchPorts(const Options& options)
{
    Targets targets;
    QList<Target> candidates;
    for (const PortMap::PortState& state : PortMap::portStates()) {
        if (state.opens)
            candidates.append({state.name, std::nullopt});
        else if (PortMap::worthAHint(state))
            targets.failures << openFailed(state);
    }
    for (const conversation::Result& answer : identifyAll(candidates, options)) {
        if (answer.ok()) {
            targets.modules.append({answer.port.name, answer});
        } else if (!answer.opened()) {
            const outcomes::Words words = outcomes::of(answer);
            QJsonObject keys;
            addOpenFailure(keys, answer);
            targets.failures << Result::failed(answer.port.name, {words.code, words.line, keys});
        } else {
            targets.notModules << answer;
        }
    }
    return targets;
}

// The ports that hold no module, named once: in JSON each an object of its own, as text one
// note.
void sayNotModules(const QList<conversation::Result>& answers)
{
    QStringList named;
    for (const conversation::Result& answer : answers) {
        const QString why = answer.reply.isEmpty() ? QStringLiteral("nem válaszolt")
                                                   : QStringLiteral("ismeretlen válasz");
        if (report::isJson())
            report::result(
                Result::failed(answer.port.name, {Code::NoDevice,
                                                  QStringLiteral("nem modul (%1)").arg(why),
                                                  {{QStringLiteral("module"), false}}}));
        named << QStringLiteral("%1 (%2)").arg(answer.port.name, why);
    }
    if (!named.isEmpty())
        report::note(QStringLiteral("nem modul: %1").arg(named.join(QStringLiteral(", "))));
}

// The modules --port all finds; the run ends here when an interrupt came or there is none.
Expected<Targets> findModules(const Options& options)
{
    const Targets targets = searchPorts(options);
    sayNotModules(targets.notModules);
    if (interrupt::requested()) {
        printInPortOrder(targets.failures);
        return interrupted(targets.failures);
    }
    if (targets.modules.isEmpty()) {
        printInPortOrder(targets.failures);
        return Failure{Code::NoModules, QStringLiteral("Egyik porton sincs modul.")};
    }
    return targets;
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

Expected<Targets> prepareTargets(const Options& options, const QStringList& tablePorts)
{
    if (const Expected<void> map = deviceMapUsable(); !map)
        return map.failure();
    if (options.allPorts && tablePorts.isEmpty())
        return findModules(options);
    Targets targets;
    for (const QString& port : tablePorts.isEmpty() ? options.ports : tablePorts)
        targets.modules.append({port, std::nullopt});
    return targets;
}

QList<Result> runModules(const QList<Target>& targets, const Options& options, const Job& job)
{
    return runFleet(targets, options.baud, job, interrupt::flag(),
                    progressbars::wanted(options.quiet) ? progressbars::onStderr() : Monitor());
}

Expected<Exit> finish(QList<Result> results, Goal goal)
{
    printInPortOrder(results);
    if (interrupt::requested())
        return interrupted(results);
    return exitFor(results, goal);
}

} // namespace cli
