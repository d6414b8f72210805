#pragma once

#include "record/database.h"
#include "record/record.h"

#include <QLockFile>

// What the parts of Record share; not for its callers.
namespace record {

struct Record::Private
{
    Private(const QString& path, const Identity& who) : connection(path), identity(who) {}

    // The lock that tells other programs this connection is alive while it has started
    // events: taken at its first start(), released (and its file removed) with the
    // connection, or by the system when the program dies.
    Expected<void> takeOwnerLock();
    // Marks interrupted every started event whose owner's lock is free.
    Expected<void> markAbandoned();
    // A new event of this program: a new id, `state`, and who stored it where.
    void stamp(Event& event, State state) const;

    db::Connection connection;
    Identity identity;
    QString ownerToken;
    std::unique_ptr<QLockFile> ownerLock;
};

namespace rows {

// An event's text: its column in the events table, its key in JSON and bundles.
struct Text
{
    const char* column;
    const char* key;
    QString Event::*member;
};

// Every text of an event, in the order of the events table's first columns: the two ids, then
// the texts the caller fills; those from kFirstFinishedText on are taken again at the finish.
constexpr int kTexts = 13;
constexpr int kFirstFinishedText = 5;
extern const Text kEventTexts[kTexts];

// Every column of an event, in the order eventFromRow() reads and eventValues() gives them:
// the texts, then operation, state, configuration, status, differences, source_event,
// started_at, finished_at.
extern const QString kEventColumns;
// The condition of an event that shows its module's configuration: finished with a
// configuration that the module held afterwards (read from it, or written successfully).
extern const QString kShowsConfiguration;

Event eventFromRow(const QSqlQuery& query, int first = 0);
QVariantList eventValues(const Event& event);
// The SET clause of a finish, its values appended to `values` (the id last).
QString finishedColumns(const Event& event, QVariantList* values);

// A text to store, never NULL.
QVariant text(const QString& value);
// A time as the record's text, NULL for an invalid one.
QVariant timeValue(const QDateTime& time);

} // namespace rows

// Stores rows through statements prepared once, inside a transaction the caller holds.
class Inserter
{
public:
    explicit Inserter(db::Connection& connection);

    // Opens the write transaction and prepares the statements.
    Expected<void> begin(db::WriteTransaction& transaction);
    // Stores a configuration file's bytes under their hash unless already there; true when new.
    Expected<bool> configuration(const QByteArray& content);
    // Stores the lines of the event's configuration, when it has any, and gives it their hash.
    Expected<void> configurationOf(Event& event);
    // Stores an event unless one with its id is there; true when new. A settled one joins the
    // unpushed events when `toPush`; a started one is owned by `owner`.
    Expected<bool> event(const Event& event, bool toPush, const QString& owner = {});

private:
    Expected<void> prepare();

    db::Connection& m_connection;
    QSqlQuery m_configuration;
    QSqlQuery m_event;
    QSqlQuery m_unpushed;
    QSqlQuery m_running;
};

} // namespace record
