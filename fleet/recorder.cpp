#include "fleet/recorder.h"

#include "core/messages.h"
#include "record/exchange.h"
#include "record/record.h"

#include <QMutexLocker>

namespace fleet {

namespace {

// The engine's operations are the record's, in the same order.
record::Operation recordOperation(Operation operation)
{
    static_assert(int(Operation::Restore) == int(record::Operation::Restore));
    return record::Operation(int(operation));
}

bool writes(Operation operation)
{
    return operation == Operation::Write || operation == Operation::Restore;
}

Expected<std::unique_ptr<record::Record>> openRecord(const record::Location& location)
{
    Expected<record::Record> opened = record::Record::open(location.path);
    if (!opened)
        return opened.failure();
    return std::make_unique<record::Record>(std::move(*opened));
}

// What the exchange saw, in its event.
void fill(record::Event& event, const Exchange& exchange)
{
    const PortMap::PortState& device = exchange.device;
    if (!device.description.isEmpty() || !device.manufacturer.isEmpty()) {
        QStringList facts{device.description};
        if (device.manufacturer != device.description)
            facts << device.manufacturer;
        facts.removeAll(QString());
        event.adapter = facts.join(QStringLiteral(", "));
    }
    if (!device.serialNumber.isEmpty())
        event.adapterSerial = device.serialNumber;
    event.identification = exchange.identification;
    event.moduleId = exchange.moduleId;
    if (!exchange.configuration.isEmpty())
        event.configuration = exchange.configuration;
    if (!exchange.status.isEmpty())
        event.status = exchange.status;
    if (exchange.operation == Operation::Verify)
        event.differences = exchange.differences;
    if (!exchange.status.value(QStringLiteral("firmware")).toString().isEmpty())
        event.firmware = exchange.status.value(QStringLiteral("firmware")).toString();
    event.setOutcome(exchange.outcome.code, messages::oneLine(exchange.outcome.message));
    event.startedAt = exchange.startedAt;
    event.finishedAt = exchange.finishedAt;
}

} // namespace

struct Recorder::Open
{
    std::unique_ptr<record::Record> record;
    record::Event event;
};

Recorder::Recorder(const record::Location& location, Writes writes, const QString& sourceEvent)
    : m_location(location), m_writes(writes), m_sourceEvent(sourceEvent), m_runId(record::newId())
{
}

Recorder::~Recorder() = default;

Expected<void> Recorder::ready()
{
    if (isOff())
        return {};
    Expected<std::unique_ptr<record::Record>> opened = openRecord(m_location);
    Expected<void> usable = opened ? (*opened)->probe() : Expected<void>(opened.failure());
    if (usable)
        return {};
    if (m_writes == Writes::Yes)
        return usable;
    m_broken = true;
    m_why = usable.failure();
    return {};
}

Expected<void> Recorder::started(Exchange& exchange)
{
    if (isOff() || !writes(exchange.operation))
        return {};
    record::Event event = record::eventFor(recordOperation(exchange.operation), m_runId,
                                           exchange.port, adapterOf(exchange.port));
    event.moduleId = exchange.moduleId;
    event.identification = exchange.identification;
    event.configuration = exchange.configuration;
    event.sourceEvent = m_sourceEvent;
    event.startedAt = exchange.startedAt;
    Expected<std::unique_ptr<record::Record>> opened = openRecord(m_location);
    if (!opened)
        return opened.failure();
    if (Expected<void> stored = (*opened)->start(event); !stored)
        return stored;
    exchange.tag = event.id;
    auto open = std::make_unique<Open>(Open{std::move(*opened), event});
    QMutexLocker lock(&m_mutex);
    m_open[event.id] = std::move(open);
    return {};
}

void Recorder::finished(const Exchange& exchange)
{
    if (isOff())
        return;
    if (!exchange.tag.isEmpty()) {
        std::unique_ptr<Open> open;
        {
            QMutexLocker lock(&m_mutex);
            auto found = m_open.find(exchange.tag);
            if (found == m_open.end())
                return;
            open = std::move(found->second);
            m_open.erase(found);
        }
        fill(open->event, exchange);
        if (Expected<void> stored = open->record->finish(open->event); !stored)
            missed(exchange.port, stored.failure());
        return;
    }
    if (m_broken)
        return missed(exchange.port, *m_why);
    record::Event event = record::eventFor(recordOperation(exchange.operation), m_runId,
                                           exchange.port, adapterOf(exchange.port));
    fill(event, exchange);
    store(event, exchange.port);
}

void Recorder::store(const record::Event& event, const QString& port)
{
    quint64 ticket = 0;
    {
        QMutexLocker lock(&m_mutex);
        m_queue.append({event, port});
        ticket = ++m_queued;
    }
    // One thread at a time stores whatever is queued by then, its own event and those of the
    // threads that came while the one before was storing: one transaction, not one each.
    QMutexLocker storing(&m_storing);
    QList<Queued> batch;
    quint64 last = 0;
    {
        QMutexLocker lock(&m_mutex);
        if (m_settled >= ticket)
            return;
        batch.swap(m_queue);
        last = m_queued;
    }
    QList<record::Event> events;
    for (const Queued& each : batch)
        events << each.event;
    Expected<std::unique_ptr<record::Record>> opened = openRecord(m_location);
    Expected<void> stored = opened ? (*opened)->add(events) : Expected<void>(opened.failure());
    if (!stored) {
        for (const Queued& each : batch)
            missed(each.port, stored.failure());
    }
    QMutexLocker lock(&m_mutex);
    m_settled = last;
}

void Recorder::missed(const QString& port, const Failure& why)
{
    QMutexLocker lock(&m_mutex);
    if (!m_unrecorded.contains(port))
        m_unrecorded << port;
    if (!m_why)
        m_why = why;
}

PortMap::Adapter Recorder::adapterOf(const QString& port)
{
    QMutexLocker lock(&m_mutex);
    if (!m_adapters)
        m_adapters = PortMap::adapters();
    return (*m_adapters)(port);
}

QStringList Recorder::unrecorded() const
{
    QMutexLocker lock(&m_mutex);
    return m_unrecorded;
}

std::optional<Failure> Recorder::whyUnrecorded() const
{
    QMutexLocker lock(&m_mutex);
    if (m_unrecorded.isEmpty())
        return std::nullopt;
    return m_why;
}

} // namespace fleet
