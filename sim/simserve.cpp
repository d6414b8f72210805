// The simulated module's serving thread: it waits for the program to open the line, feeds
// what the program sends into the protocol, records what it sees, and carries out the
// protocol's answers on the pseudo-terminal.

#include "sim/simmodule_p.h"

#include <poll.h>

using simdetail::Wait;

void SimModule::Private::run()
{
    while (!stopRequested && !vanishRequested && !vanished) {
        if (!connected) {
            if (waitForOpen() == Wait::Ready) {
                pending.clear();
            }
            continue;
        }
        if (serve() == Wait::Hangup) {
            endSession();
        }
    }
    if (vanishRequested && !vanished) {
        doVanish();
    }
    // A vanished module stays gone until it is stopped.
    while (!stopRequested) {
        pollfd wakeUp{wakeRead, POLLIN, 0};
        if (::poll(&wakeUp, 1, -1) > 0) {
            drainWake();
        }
    }
}

// One session: from the program's open of the line until it closes it, or the module stops
// or vanishes.
Wait SimModule::Private::serve()
{
    Wait result = carryOut(ask([](SimProtocol& protocol) { return protocol.quiet(); }));
    bool duringSteps = true;
    while (result == Wait::Ready) {
        char byte = 0;
        // Waiting for ever, a changed setting (such as a fault) is news for the protocol.
        result = readByte(&byte, waitMs, waitMs < 0);
        duringSteps = false;
        if (result == Wait::Ready) {
            result =
                carryOut(ask([byte](SimProtocol& protocol) { return protocol.receive(byte); }));
            duringSteps = true;
        } else if (result == Wait::Timeout || result == Wait::Woken) {
            result = carryOut(ask([](SimProtocol& protocol) { return protocol.quiet(); }));
            duringSteps = true;
        }
    }
    const bool vanishing = vanishRequested;
    carryOut(ask([&](SimProtocol& protocol) { return protocol.lost(duringSteps, vanishing); }));
    return result;
}

// The protocol's answer to one event, with the request or write it reports recorded.
SimAnswer SimModule::Private::ask(const std::function<SimAnswer(SimProtocol&)>& event)
{
    QMutexLocker lock(&mutex);
    SimAnswer answer = event(protocol);
    if (answer.request != 0) {
        requestLine = lineSettings();
        requests.append(SimRequest{answer.request, requestLine, clock.elapsed()});
    }
    if (answer.write) {
        answer.write->line = requestLine;
        writes.append(*answer.write);
    }
    if (answer.request != 0 || answer.write) {
        changed.wakeAll();
    }
    return answer;
}

Wait SimModule::Private::carryOut(const SimAnswer& answer)
{
    if (answer.write) {
        if (answer.write->outcome == SimWrite::Outcome::Stored) {
            saveAfterStore();
        }
        logWrite(*answer.write, answer.alteredField);
    }
    if (answer.startsTalking) {
        qCInfo(lcSim).noquote() << comName << "talking without pause";
    }
    Wait result = Wait::Ready;
    qsizetype replyBytes = 0;
    bool replyStarted = false;
    for (const SimStep& step : answer.steps) {
        if (step.kind == SimStep::Kind::Send) {
            replyStarted = true;
            replyBytes += step.bytes.size();
        }
        result = carryOut(step);
        if (result != Wait::Ready) {
            break;
        }
    }
    if (answer.dropInput) {
        pending.clear();
    }
    if (answer.reply && result == Wait::Ready) {
        noteReply();
    }
    // A write request is logged as it ends; a silent module is logged too.
    if (answer.request != 0 && answer.request != char(Request::Write) &&
        (replyStarted || answer.steps.isEmpty())) {
        logReply(answer.request, answer.steps.isEmpty() ? -1 : replyBytes, result);
    }
    waitMs = answer.waitMs;
    return result;
}

Wait SimModule::Private::carryOut(const SimStep& step)
{
    switch (step.kind) {
    case SimStep::Kind::Pause: {
        const Wait result = sleep(step.ms);
        return result == Wait::Timeout ? Wait::Ready : result;
    }
    case SimStep::Kind::Send:
        return send(step.bytes, step.paced);
    case SimStep::Kind::Vanish:
        doVanish();
        break;
    }
    return Wait::Stop;
}

void SimModule::Private::noteReply()
{
    QMutexLocker lock(&mutex);
    ++replies;
    changed.wakeAll();
}

// bytes: the reply's size, -1 when the module kept silent.
void SimModule::Private::logReply(char command, qsizetype bytes, Wait result)
{
    const QString what = SimProtocol::requestName(command);
    const QString request = QStringLiteral("request (%1):").arg(requestLine.toString());
    if (bytes < 0) {
        qCInfo(lcSim).noquote() << comName << what << request + QStringLiteral(" silent");
        return;
    }
    qCInfo(lcSim).noquote() << comName << what << request << bytes
                            << (result == Wait::Ready ? "bytes answered"
                                                      : "bytes cut short: port closed");
}

void SimModule::Private::logWrite(const SimWrite& write, int alteredField)
{
    QString outcome = SimProtocol::outcomeName(write.outcome);
    if (alteredField > 0) {
        outcome += QStringLiteral(", field %1 altered").arg(alteredField);
    }
    qCInfo(lcSim).noquote() << comName << "write request (" + write.line.toString() + "):"
                            << write.bytes.size() << "bytes," << write.fields.size() << "fields,"
                            << outcome;
}
