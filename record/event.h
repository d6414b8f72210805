#pragma once

#include "core/messages.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What the record keeps of one exchange with a module, and the answers its questions give.
namespace record {

enum class Operation { Identify, ReadOut, Status, Write, Backup, Verify, Restore };

// The operation's name in the record, in bundles and in JSON: "identify", "read", "status",
// "write", "backup", "verify", "restore".
QString operationName(Operation operation);
// The operation of a name; none for a name that is no operation.
std::optional<Operation> operationNamed(const QString& name);
QList<Operation> allOperations();

// Started: stored before the exchange (a write's event before the first byte of its frame).
// Finished: its outcome is known; never changed again. Interrupted: started by a program that
// ended without finishing it; found so by the next program that opened the record.
enum class State { Started, Finished, Interrupted };

QString stateName(State state);
std::optional<State> stateNamed(const QString& name);

// One exchange. The caller fills what it knows; Record::start(), finish() and add() fill the
// id, the times, the operator, the host and the program's version.
struct Event
{
    QString id;    // a UUID made here, lower case without braces; the event's key everywhere
    QString runId; // shared by every event of one command or one window action
    Operation operation = Operation::Identify;
    State state = State::Started;
    QString port;           // "COM3"
    QString adapter;        // what the system says of the port's device (description, maker)
    QString adapterSerial;  // the adapter's serial number, "" when unknown
    QString identification; // the module's identification reply, as the window shows it
    QString firmware;
    QString moduleId; // the module's m_id, "" when the exchange does not know it
    // The outcome: a messages::Code name ("" for success) and the message the user saw.
    QString outcome;
    QString message;
    // The configuration read (read-out, backup, verify) or sent (write, restore), as the lines
    // of a configuration file. Only for storing: the questions leave it empty and give
    // configurationHash, and Record::configuration() gives the lines.
    QStringList configuration;
    QString configurationHash; // SHA-256 of its file bytes, "" for none
    QJsonValue status;         // a status query's values (an object); null for none
    QJsonValue differences;    // a verify's differences (an array); null for none
    QString sourceEvent;       // a restore: the event whose configuration it wrote
    QString operatorName;      // VEXAGRID_OPERATOR, otherwise the login name
    QString host;              // the machine the exchange happened on: the event's origin
    QString programVersion;
    QDateTime startedAt; // UTC, to the millisecond
    QDateTime finishedAt;

    bool succeeded() const { return outcome.isEmpty() && state == State::Finished; }
    // Sets the outcome from a failure (code None for success).
    void setOutcome(messages::Code code, const QString& text);
};

// Which events a list holds. Empty fields do not filter.
struct EventFilter
{
    QString moduleId;
    QString port;
    std::optional<Operation> operation;
    bool failedOnly = false; // an outcome other than success, or interrupted
    QDateTime since;         // started at or after
    QDateTime until;         // started before
    QString operatorName;
    QString host;
    QString runId;
    int limit = 0; // 0: all
};

// A configuration as the record keeps it: the bytes of a configuration file, once per content.
struct StoredConfiguration
{
    QString hash;
    QByteArray content;
    QString name; // its m_nev

    QStringList lines() const;
};

// A module the record knows (by its m_id), as it was last seen.
struct Module
{
    QString moduleId;
    QString name;     // m_nev of its latest configuration, "" when none is recorded
    QString firmware; // the latest firmware recorded for it
    // Its latest event: when, where, by whom.
    QString lastEventId;
    QDateTime lastSeenAt;
    QString lastPort;
    QString lastHost;
    QString lastOperator;
    // The event that last showed its configuration, and that configuration's hash; "" when
    // none is recorded.
    QString configurationEventId;
    QString configurationHash;
};

// The bytes a configuration is stored and hashed as: the configuration file's.
QByteArray configurationContent(const QStringList& lines);
// The hex SHA-256 of a configuration file's bytes: the configuration's key in the record.
QString configurationHash(const QByteArray& content);

// A new id for an event or a run.
QString newId();
// Whether a text is an id as newId() makes them, or a hash as configurationHash() does.
bool isId(QStringView text);
bool isHash(QStringView text);

// Times in the record: UTC ISO-8601 with milliseconds ("2026-12-09T10:15:00.123Z"), the same
// text in SQLite and PostgreSQL, ordered as text as in time.
QString timeText(const QDateTime& time);
// The time of a text in exactly that form; an invalid QDateTime for anything else.
QDateTime timeFromText(const QString& text);

} // namespace record
