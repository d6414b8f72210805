// Pruning: the only deletion. What it keeps is written at PruneRule (record.h).

#include "record/record.h"

#include "record/recordprivate.h"
#include "record/schema.h"

namespace record {

namespace {

constexpr auto kUnwritable = messages::Code::RecordUnwritable;

// Per module, the first and the last `keepLast` events that showed its configuration.
const QString kKept = QStringLiteral(R"(
    SELECT id FROM (
        SELECT id,
            row_number() OVER (PARTITION BY module_id ORDER BY started_at, id) AS from_first,
            row_number() OVER (PARTITION BY module_id ORDER BY started_at DESC, id DESC)
                AS from_last
        FROM events WHERE module_id <> '' AND %1) AS ranked
    WHERE from_first = 1 OR from_last <= ?)");

// The events to remove go into a table of the connection's own first, so that what is
// counted is exactly what is removed.
const QString kChoose = QStringLiteral(R"(
    INSERT INTO temp.pruned (id)
    SELECT id FROM events
    WHERE state = 'finished' %1
        AND id NOT IN (%2)
        AND id NOT IN (SELECT source_event FROM events WHERE source_event IS NOT NULL))");

const QString kEventCounts = QStringLiteral(R"(
    SELECT count(*), count(DISTINCT nullif(module_id, '')), min(started_at), max(started_at)
    FROM events WHERE id IN (SELECT id FROM temp.pruned))");

// A configuration goes with the last event that names it.
const QString kOrphans = QStringLiteral(R"(
    FROM configurations WHERE NOT EXISTS (
        SELECT 1 FROM events
        WHERE events.configuration = configurations.hash
            AND events.id NOT IN (SELECT id FROM temp.pruned)))");

Expected<void> choose(db::Connection& connection, const PruneRule& rule)
{
    QVariantList values;
    QString older;
    if (rule.olderThanDays) {
        older = QStringLiteral("AND started_at < ?");
        values.append(timeText(rule.now.addDays(-*rule.olderThanDays)));
    }
    values.append(qMax(rule.keepLast, 0));
    const QStringList statements = {
        QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS pruned (id TEXT PRIMARY KEY)"),
        QStringLiteral("DELETE FROM temp.pruned"),
    };
    for (const QString& sql : statements) {
        if (auto done = connection.run(sql, {}, kUnwritable); !done)
            return done.failure();
    }
    const QString sql = kChoose.arg(older, kKept.arg(rows::kShowsConfiguration));
    if (auto done = connection.run(sql, values, kUnwritable); !done)
        return done.failure();
    return {};
}

Expected<PruneReport> measure(db::Connection& connection)
{
    PruneReport report;
    {
        Expected<QSqlQuery> query = connection.run(kEventCounts);
        if (!query)
            return query.failure();
        if (query->next()) {
            report.events = query->value(0).toLongLong();
            report.modules = query->value(1).toLongLong();
            report.oldest = timeFromText(query->value(2).toString());
            report.newest = timeFromText(query->value(3).toString());
        }
    }
    Expected<QVariant> orphans = connection.value(QStringLiteral("SELECT count(*) ") + kOrphans);
    if (!orphans)
        return orphans.failure();
    report.configurations = orphans->toLongLong();
    return report;
}

Expected<void> remove(db::Connection& connection)
{
    const QStringList statements = {
        QStringLiteral("DELETE FROM events WHERE id IN (SELECT id FROM temp.pruned)"),
        QStringLiteral("DELETE ") + kOrphans,
        QStringLiteral("DELETE FROM temp.pruned"),
        QStringLiteral("DELETE FROM modules"),
        schema::kRebuildModules,
    };
    for (const QString& sql : statements) {
        if (auto done = connection.run(sql, {}, kUnwritable); !done)
            return done.failure();
    }
    return {};
}

} // namespace

Expected<PruneReport> Record::prune(const PruneRule& rule, PruneMode mode)
{
    db::WriteTransaction transaction(d->connection);
    if (mode == PruneMode::Apply) {
        if (auto begun = transaction.begin(); !begun)
            return begun.failure();
    }
    if (auto chosen = choose(d->connection, rule); !chosen)
        return chosen.failure();
    Expected<PruneReport> report = measure(d->connection);
    if (!report || mode == PruneMode::DryRun)
        return report;
    if (auto removed = remove(d->connection); !removed)
        return removed.failure();
    if (auto committed = transaction.commit(); !committed)
        return committed.failure();
    return report;
}

} // namespace record
