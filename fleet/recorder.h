#pragma once

#include "device/portmap.h"
#include "fleet/observer.h"
#include "record/event.h"
#include "record/location.h"

#include <QMutex>
#include <QStringList>
#include <QThread>
#include <QWaitCondition>

#include <map>
#include <memory>
#include <optional>

namespace record {
class Record;
}

// Every exchange of a run kept in the record, all under one run id. A write or a restore is
// stored as started before its port opens, so a module gets no byte of a write whose event
// could not be stored, and finished after the module's answer; an identification, read-out or
// status query is stored when it ends, and one the record cannot keep goes on: the view says
// so (unrecorded()).
namespace fleet {

class Recorder : public Observer
{
public:
    enum class Writes { No, Yes };

    // `sourceEvent`: for a restore, the event whose configuration it writes.
    Recorder(const record::Location& location, Writes writes, const QString& sourceEvent = {});
    ~Recorder() override;

    // Opens the record and stores a test write in it: for a run that writes, a failure refuses
    // the run before any module is touched; for one that only asks, it is remembered and the
    // run goes on unrecorded.
    Expected<void> ready() override;
    Expected<void> started(Exchange& exchange) override;
    void finished(const Exchange& exchange) override;

    QString runId() const { return m_runId; }
    bool isOff() const { return m_location.isOff(); }
    // The ports with an exchange the record could not keep, and the first reason why.
    QStringList unrecorded() const;
    std::optional<Failure> whyUnrecorded() const;

private:
    struct Request;
    void missed(const QString& port, const Failure& why);
    // Hands the event to the writer and waits until it is on the disk, or known to be missed.
    Expected<record::Event> submit(int kind, const record::Event& event, const QString& port);
    // The writer's thread: stores what is queued, in batches, until nothing waits and no write
    // is open.
    void write();
    // One batch's events, by kind, in a transaction each; opens the record when it is not.
    void store(std::unique_ptr<record::Record>& record, QList<record::Event> (&events)[3],
               std::optional<Failure> (&failed)[3]);
    PortMap::Adapter adapterOf(const QString& port);

    record::Location m_location;
    Writes m_writes;
    QString m_sourceEvent;
    QString m_runId;
    bool m_broken = false; // ready() failed: nothing more is tried

    // Every event goes to the disk through one thread of the recorder, which stores whatever
    // the modules' threads have handed it meanwhile in one transaction: thirty writes
    // starting at once wait for the disk once, not thirty times one after another. Its one
    // connection owns the started writes, so it lives until the last of them is finished.
    mutable QMutex m_mutex;
    QWaitCondition m_queued;  // a request for the writer
    QWaitCondition m_settled; // requests settled, for the threads that wait on them
    QList<Request> m_requests;
    std::map<quint64, Expected<record::Event>> m_results;
    quint64 m_lastTicket = 0;
    quint64 m_lastSettled = 0;
    int m_openWrites = 0; // started, not yet finished
    std::unique_ptr<QThread> m_writer;
    bool m_writing = false;
    bool m_closing = false;
    // A write's started event, by its id, until its finish.
    std::map<QString, record::Event> m_open;
    QStringList m_unrecorded;
    std::optional<Failure> m_why;
    // The adapters as the system told them at the run's first event: asking again for each
    // event would read every serial device of the system each time.
    std::optional<PortMap::Adapters> m_adapters;
};

} // namespace fleet
