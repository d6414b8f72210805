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

// What the writer is asked to store.
enum Kind { Start, Finish, Add };

struct Recorder::Request
{
    Kind kind;
    record::Event event;
    QString port;
    quint64 ticket;
};

Recorder::Recorder(const record::Location& location, Writes writes, const QString& sourceEvent)
    : m_location(location), m_writes(writes), m_sourceEvent(sourceEvent), m_runId(record::newId())
{
}

Recorder::~Recorder()
{
    // Every caller has its answer before it goes on, so the writer has nothing left to store;
    // it may still hold writes that never got their finish (a run cut short).
    {
        QMutexLocker lock(&m_mutex);
        m_closing = true;
        m_queued.wakeOne();
    }
    if (m_writer)
        m_writer->wait();
}

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
    Expected<record::Event> stored = submit(Start, event, exchange.port);
    if (!stored)
        return stored.failure();
    exchange.tag = stored->id;
    return {};
}

void Recorder::finished(const Exchange& exchange)
{
    if (isOff())
        return;
    if (!exchange.tag.isEmpty()) {
        record::Event event;
        {
            QMutexLocker lock(&m_mutex);
            auto found = m_open.find(exchange.tag);
            if (found == m_open.end())
                return;
            event = found->second;
        }
        fill(event, exchange);
        if (Expected<record::Event> stored = submit(Finish, event, exchange.port); !stored)
            missed(exchange.port, stored.failure());
        return;
    }
    if (m_broken)
        return missed(exchange.port, *m_why);
    record::Event event = record::eventFor(recordOperation(exchange.operation), m_runId,
                                           exchange.port, adapterOf(exchange.port));
    fill(event, exchange);
    if (Expected<record::Event> stored = submit(Add, event, exchange.port); !stored)
        missed(exchange.port, stored.failure());
}

Expected<record::Event> Recorder::submit(int kind, const record::Event& event, const QString& port)
{
    QMutexLocker lock(&m_mutex);
    const quint64 ticket = ++m_lastTicket;
    m_requests.append({Kind(kind), event, port, ticket});
    if (!m_writing) {
        // The one before has stored its last batch and is only closing its connection.
        if (m_writer)
            m_writer->wait();
        m_writer.reset(QThread::create([this] { write(); }));
        m_writing = true;
        m_writer->start();
    }
    m_queued.wakeOne();
    while (m_lastSettled < ticket)
        m_settled.wait(&m_mutex);
    Expected<record::Event> result = std::move(m_results.at(ticket));
    m_results.erase(ticket);
    return result;
}

void Recorder::write()
{
    std::unique_ptr<record::Record> record;
    for (;;) {
        QList<Request> batch;
        {
            QMutexLocker lock(&m_mutex);
            while (m_requests.isEmpty() && m_openWrites > 0 && !m_closing)
                m_queued.wait(&m_mutex);
            if (m_requests.isEmpty()) {
                m_writing = false;
                break;
            }
            batch.swap(m_requests);
        }
        QList<record::Event> events[3];
        for (const Request& request : batch)
            events[request.kind] << request.event;
        std::optional<Failure> failed[3];
        store(record, events, failed);

        QMutexLocker lock(&m_mutex);
        int next[3] = {0, 0, 0};
        for (const Request& request : batch) {
            const record::Event& event = events[request.kind][next[request.kind]++];
            // A write is over once its finish is tried: one that could not be stored stays
            // started, and is marked interrupted after this connection closes.
            if (request.kind == Finish && m_open.erase(event.id) > 0)
                --m_openWrites;
            if (failed[request.kind]) {
                m_results.emplace(request.ticket, *failed[request.kind]);
                continue;
            }
            if (request.kind == Start) {
                m_open[event.id] = event;
                ++m_openWrites;
            }
            m_results.emplace(request.ticket, event);
        }
        // With no write open the connection closes before the answers go out: a program may
        // end as soon as it has its last one, and nothing of the record's may be left to do.
        if (m_openWrites == 0) {
            lock.unlock();
            record.reset();
            lock.relock();
        }
        m_lastSettled = batch.last().ticket;
        m_settled.wakeAll();
    }
    // Closed in the thread that opened it. A write still open here belongs to a run cut short:
    // the next program marks it interrupted.
    record.reset();
}

void Recorder::store(std::unique_ptr<record::Record>& record, QList<record::Event> (&events)[3],
                     std::optional<Failure> (&failed)[3])
{
    if (!record) {
        Expected<std::unique_ptr<record::Record>> opened = openRecord(m_location);
        if (!opened) {
            failed[Start] = failed[Finish] = failed[Add] = opened.failure();
            return;
        }
        record = std::move(*opened);
    }
    // Starts first: a finish in the same batch is another module's.
    if (!events[Start].isEmpty())
        if (Expected<void> stored = record->start(events[Start]); !stored)
            failed[Start] = stored.failure();
    if (!events[Finish].isEmpty())
        if (Expected<void> stored = record->finish(events[Finish]); !stored)
            failed[Finish] = stored.failure();
    if (!events[Add].isEmpty())
        if (Expected<void> stored = record->add(events[Add]); !stored)
            failed[Add] = stored.failure();
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
