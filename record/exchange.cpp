#include "record/exchange.h"

#include "device/portmap.h"

namespace record {

Event eventFor(Operation operation, const QString& runId, const QString& port)
{
    return eventFor(operation, runId, port, PortMap::adapterOf(port));
}

Event eventFor(Operation operation, const QString& runId, const QString& port,
               const PortMap::Adapter& adapter)
{
    Event event;
    event.operation = operation;
    event.runId = runId;
    event.port = port;
    QStringList facts;
    for (const QString& fact : {adapter.description, adapter.manufacturer}) {
        if (!fact.isEmpty() && !facts.contains(fact))
            facts << fact;
    }
    event.adapter = facts.join(QStringLiteral(", "));
    event.adapterSerial = adapter.serialNumber;
    return event;
}

void takeResult(Event& event, const conversation::Result& result, const QString& succeeded)
{
    if (result.exchange == conversation::Exchange::Identify && result.ok())
        event.identification = result.shown();
    if (result.ok()) {
        event.setOutcome(messages::Code::None, succeeded);
        return;
    }
    const Failure failure = result.failure();
    event.setOutcome(failure.code, messages::oneLine(failure.message));
}

} // namespace record
