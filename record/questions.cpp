// The record's questions: each one statement, answered from the indexes of the events table.

#include "record/record.h"

#include "record/recordprivate.h"

#include <QJsonArray>

#include <algorithm>

namespace record {

namespace {

// Enough candidates to show that a prefix is ambiguous and to choose among them.
constexpr int kCandidates = 10;
constexpr int kShortestPrefix = 6;

// The WHERE clause of a filter and its values in order.
QString whereOf(const EventFilter& filter, QVariantList* values)
{
    QStringList terms;
    auto equal = [&](const char* column, const QString& value) {
        if (value.isEmpty())
            return;
        terms.append(QLatin1String(column) + QStringLiteral(" = ?"));
        values->append(value);
    };
    equal("module_id", filter.moduleId);
    equal("port", filter.port);
    if (filter.operation)
        equal("operation", operationName(*filter.operation));
    equal("operator_name", filter.operatorName);
    equal("host", filter.host);
    equal("run_id", filter.runId);
    if (filter.failedOnly)
        terms.append(QStringLiteral("(outcome <> '' OR state = 'interrupted')"));
    if (filter.since.isValid()) {
        terms.append(QStringLiteral("started_at >= ?"));
        values->append(timeText(filter.since));
    }
    if (filter.until.isValid()) {
        terms.append(QStringLiteral("started_at < ?"));
        values->append(timeText(filter.until));
    }
    return terms.isEmpty() ? QString() : QStringLiteral(" WHERE ") + terms.join(" AND ");
}

Expected<QList<Event>> eventsOf(db::Connection& connection, const QString& sql,
                                const QVariantList& values)
{
    Expected<QSqlQuery> query = connection.run(sql, values);
    if (!query)
        return query.failure();
    QList<Event> events;
    while (query->next())
        events.append(rows::eventFromRow(*query));
    return events;
}

Expected<std::optional<Event>> firstOf(db::Connection& connection, const QString& sql,
                                       const QVariantList& values)
{
    Expected<QList<Event>> events = eventsOf(connection, sql, values);
    if (!events)
        return events.failure();
    if (events->isEmpty())
        return std::optional<Event>();
    return std::optional<Event>(events->first());
}

// Every module once, from the table the events keep up to date.
const QString kModules = QStringLiteral(R"(
    SELECT modules.module_id, modules.firmware, modules.last_event, modules.last_started,
        modules.last_port, modules.last_host, modules.last_operator,
        coalesce(modules.shown_event, ''), coalesce(modules.configuration, ''), modules.name
    FROM modules %1
    ORDER BY modules.module_id)");

Expected<QList<Module>> modulesOf(db::Connection& connection, const QString& condition,
                                  const QVariantList& values)
{
    Expected<QSqlQuery> query = connection.run(kModules.arg(condition), values);
    if (!query)
        return query.failure();
    QList<Module> modules;
    while (query->next()) {
        Module module;
        module.moduleId = query->value(0).toString();
        module.firmware = query->value(1).toString();
        module.lastEventId = query->value(2).toString();
        module.lastSeenAt = QDateTime::fromString(query->value(3).toString(), Qt::ISODateWithMs);
        module.lastPort = query->value(4).toString();
        module.lastHost = query->value(5).toString();
        module.lastOperator = query->value(6).toString();
        module.configurationEventId = query->value(7).toString();
        module.configurationHash = query->value(8).toString();
        module.name = query->value(9).toString();
        modules.append(module);
    }
    return modules;
}

// SQLite's lower() folds ASCII letters only; the text to find is folded the same way.
QString asciiLower(const QString& text)
{
    QString folded = text;
    for (QChar& c : folded) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    }
    return folded;
}

Failure noSuchEvent(const QString& id)
{
    return Failure(messages::Code::NoSuchEvent,
                   QStringLiteral("Nincs ilyen esemény az előzményekben: %1").arg(id),
                   QJsonObject{{QStringLiteral("event"), id}});
}

} // namespace

Expected<QList<Event>> Record::events(const EventFilter& filter) const
{
    QVariantList values;
    QString sql = QStringLiteral("SELECT %1 FROM events").arg(rows::kEventColumns) +
                  whereOf(filter, &values) + QStringLiteral(" ORDER BY started_at DESC, id DESC");
    if (filter.limit > 0) {
        sql += QStringLiteral(" LIMIT ?");
        values.append(filter.limit);
    }
    return eventsOf(d->connection, sql, values);
}

Expected<qint64> Record::count(const EventFilter& filter) const
{
    QVariantList values;
    const QString sql = QStringLiteral("SELECT count(*) FROM events") + whereOf(filter, &values);
    Expected<QVariant> counted = d->connection.value(sql, values);
    if (!counted)
        return counted.failure();
    return counted->toLongLong();
}

Expected<Event> Record::event(const QString& idOrPrefix) const
{
    const QString prefix = idOrPrefix.trimmed().toLower();
    const bool idLike = std::all_of(prefix.cbegin(), prefix.cend(), [](QChar c) {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || c == u'-';
    });
    if (!idLike || prefix.size() < kShortestPrefix || prefix.size() > 36)
        return Failure(messages::Code::Usage,
                       QStringLiteral("Egy esemény az azonosítójával vagy annak legalább %1 "
                                      "karakteres elejével adható meg (0-9, a-f): %2")
                           .arg(kShortestPrefix)
                           .arg(idOrPrefix),
                       QJsonObject{{QStringLiteral("event"), idOrPrefix}});
    // Every id that begins with the prefix sorts between it and the prefix followed by a
    // character above every character of an id.
    Expected<QList<Event>> found = eventsOf(
        d->connection,
        QStringLiteral("SELECT %1 FROM events WHERE id >= ? AND id < ? ORDER BY id LIMIT ?")
            .arg(rows::kEventColumns),
        {prefix, prefix + u'~', kCandidates + 1});
    if (!found)
        return found.failure();
    if (found->isEmpty())
        return noSuchEvent(idOrPrefix);
    if (found->size() == 1 || found->first().id == prefix)
        return found->first();
    QStringList ids;
    QJsonArray candidates;
    for (const Event& each : found->mid(0, kCandidates)) {
        ids.append(each.id);
        candidates.append(each.id);
    }
    return Failure(messages::Code::AmbiguousEvent,
                   QStringLiteral("Több esemény azonosítója kezdődik így: %1. Adjon meg többet "
                                  "belőle. Lehetőségek: %2%3")
                       .arg(idOrPrefix, ids.join(QStringLiteral(", ")),
                            found->size() > kCandidates ? QStringLiteral(", ...") : QString()),
                   QJsonObject{{QStringLiteral("event"), idOrPrefix},
                               {QStringLiteral("candidates"), candidates}});
}

Expected<StoredConfiguration> Record::configuration(const QString& hash) const
{
    Expected<QSqlQuery> query = d->connection.run(
        QStringLiteral("SELECT hash, content, name FROM configurations WHERE hash = ?"), {hash});
    if (!query)
        return query.failure();
    if (!query->next())
        return db::unreadable(path(), QStringLiteral("nincs ilyen konfiguráció: %1").arg(hash));
    StoredConfiguration stored;
    stored.hash = query->value(0).toString();
    stored.content = query->value(1).toByteArray();
    stored.name = query->value(2).toString();
    return stored;
}

Expected<std::optional<Event>> Record::moduleConfigurationAt(const QString& moduleId,
                                                             const QDateTime& at) const
{
    return firstOf(d->connection,
                   QStringLiteral("SELECT %1 FROM events WHERE module_id = ? AND started_at <= ? "
                                  "AND %2 ORDER BY started_at DESC, id DESC LIMIT 1")
                       .arg(rows::kEventColumns, rows::kShowsConfiguration),
                   {moduleId, timeText(at)});
}

Expected<std::optional<Event>> Record::previousConfiguration(const Event& event) const
{
    if (event.moduleId.isEmpty())
        return std::optional<Event>();
    const QString started = timeText(event.startedAt);
    return firstOf(d->connection,
                   QStringLiteral("SELECT %1 FROM events WHERE module_id = ? AND (started_at < ? "
                                  "OR (started_at = ? AND id < ?)) AND %2 "
                                  "ORDER BY started_at DESC, id DESC LIMIT 1")
                       .arg(rows::kEventColumns, rows::kShowsConfiguration),
                   {event.moduleId, started, started, event.id});
}

Expected<QList<Module>> Record::modules() const
{
    return modulesOf(d->connection, QString(), {});
}

Expected<QList<Module>> Record::modulesHolding(const QString& text) const
{
    // A line break would let a match run from one field into the next.
    if (text.contains(u'\n') || text.contains(u'\r'))
        return QList<Module>();
    return modulesOf(d->connection,
                     QStringLiteral("JOIN configurations AS named ON named.hash = "
                                    "modules.configuration "
                                    "WHERE instr(lower(CAST(named.content AS TEXT)), ?) > 0"),
                     {asciiLower(text)});
}

Expected<QList<Event>> Record::unpushed(int limit) const
{
    return eventsOf(d->connection,
                    QStringLiteral("SELECT %1 FROM events WHERE id IN (SELECT event_id FROM "
                                   "unpushed) ORDER BY started_at, id LIMIT ?")
                        .arg(rows::kEventColumns),
                    {limit});
}

} // namespace record
