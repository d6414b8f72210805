#pragma once

#include "record/record.h"

#include <QString>

#include <functional>
#include <optional>

class QWidget;

// The window's connection to the record, on the GUI thread. It is opened on the first exchange
// or when the history is looked at, never at start-up. A write is not started when its event
// cannot be stored; any other exchange goes on, and the window says once per session that the
// record is not being kept.
class WindowRecord
{
public:
    explicit WindowRecord(QWidget* window);

    bool isOff() const { return m_location.isOff(); }
    const record::Location& location() const { return m_location; }
    // The open record, or why it cannot be opened (NoRecord when turned off).
    Expected<record::Record*> open();

    // A new event of `operation` on `port`, a run of its own (one window action), started now.
    static record::Event event(record::Operation operation, const QString& port);

    // A finished exchange (identification, read-out, status query): stored, or the
    // once-per-session warning.
    void keep(record::Event& event);
    // A write's event stored as started. False, after its box, when it cannot be: the write
    // must then not begin. True when the record is turned off.
    bool begin(record::Event& event);
    // The started write's outcome.
    void finish(record::Event& event);

    // The module the window talks to, as far as the record knows it (its m_id): learned from
    // a read-out or a write, forgotten when another module is connected.
    const QString& moduleId() const { return m_moduleId; }
    void setModuleId(const QString& moduleId) { m_moduleId = moduleId; }

    // Called each time an exchange's event is settled in the record (kept, or a write
    // finished): the moment there is something new for the team's server.
    void onSettled(std::function<void()> settled) { m_settled = std::move(settled); }

private:
    void warnOnce(const Failure& failure);

    QWidget* m_window;
    record::Location m_location;
    std::optional<record::Record> m_record;
    std::optional<Failure> m_openFailure;
    bool m_warned = false;
    QString m_moduleId;
    std::function<void()> m_settled;
};
