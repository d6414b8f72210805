// The record's questions: each one statement, answered from the indexes of the events table.

#include "record/record.h"

#include "record/recordprivate.h"

#include <QJsonArray>
#include <QRegularExpression>

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

// Every module once: the distinct ids are found by hopping through the module index (one
// seek per module, not a scan of every event), then each module's latest event, latest
// configuration event and latest firmware by one more seek each.
const QString kModules = QStringLiteral(R"(
    WITH RECURSIVE ids (module_id) AS (
        SELECT min(module_id) FROM events WHERE module_id > ''
        UNION ALL
        SELECT (SELECT min(module_id) FROM events WHERE module_id > ids.module_id)
        FROM ids WHERE ids.module_id IS NOT NULL),
    latest AS (
        SELECT ids.module_id,
            (SELECT id FROM events WHERE module_id = ids.module_id
             ORDER BY started_at DESC, id DESC LIMIT 1) AS last_id,
            (SELECT id FROM events WHERE module_id = ids.module_id AND %1
             ORDER BY started_at DESC, id DESC LIMIT 1) AS shown_id,
            (SELECT firmware FROM events WHERE module_id = ids.module_id AND firmware <> ''
             ORDER BY started_at DESC, id DESC LIMIT 1) AS firmware
        FROM ids WHERE ids.module_id IS NOT NULL)
    SELECT latest.module_id, coalesce(latest.firmware, ''), last.id, last.started_at,
        last.port, last.host, last.operator_name, shown.id, shown.configuration, named.name
    FROM latest
    JOIN events AS last ON last.id = latest.last_id
    LEFT JOIN events AS shown ON shown.id = latest.shown_id
    LEFT JOIN configurations AS named ON named.hash = shown.configuration
    %2
    ORDER BY latest.module_id)");

Expected<QList<Module>> modulesOf(db::Connection& connection, const QString& condition,
                                  const QVariantList& values)
{
    Expected<QSqlQuery> query =
        connection.run(kModules.arg(rows::kShowsConfiguration, condition), values);
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
    static const QRegularExpression form(QStringLiteral("^[0-9a-f-]{6,36}$"));
    const QString prefix = idOrPrefix.trimmed().toLower();
    if (!form.match(prefix).hasMatch())
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
                     QStringLiteral("WHERE instr(lower(CAST(named.content AS TEXT)), ?) > 0"),
                     {asciiLower(text)});
}

} // namespace record
