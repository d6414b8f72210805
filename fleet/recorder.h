#pragma once

#include "device/portmap.h"
#include "fleet/observer.h"
#include "record/event.h"
#include "record/location.h"

#include <QMutex>
#include <QStringList>

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
    void missed(const QString& port, const Failure& why);
    // Stores a finished event; returns once it is stored, or known to be missed.
    void store(const record::Event& event, const QString& port);
    PortMap::Adapter adapterOf(const QString& port);

    record::Location m_location;
    Writes m_writes;
    QString m_sourceEvent;
    QString m_runId;
    bool m_broken = false; // ready() failed: nothing more is tried

    mutable QMutex m_mutex;
    // Finished events waiting to be stored, by the order they came (under m_mutex): every
    // one up to m_settled is stored or missed. The thread that stores holds m_storing.
    struct Queued
    {
        record::Event event;
        QString port;
    };
    QList<Queued> m_queue;
    quint64 m_queued = 0;
    quint64 m_settled = 0;
    QMutex m_storing;
    // A write's started event and the connection that stored it, by the event's id, until its
    // finish: the connection belongs to the module's thread, which makes both calls.
    struct Open;
    std::map<QString, std::unique_ptr<Open>> m_open;
    QStringList m_unrecorded;
    std::optional<Failure> m_why;
    // The adapters as the system told them at the run's first event: asking again for each
    // event would read every serial device of the system each time.
    std::optional<PortMap::Adapters> m_adapters;
};

} // namespace fleet
