#include "record/schema.h"

#include "record/database.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

namespace record::schema {

namespace {

// A module's row after its event NEW: the latest event, the latest event that showed its
// configuration, the latest firmware (ties in time go to the greater id, as in the lists).
QString seenModule()
{
    return QStringLiteral(R"(
        INSERT INTO modules (module_id, last_event, last_started, last_port, last_host,
            last_operator, firmware)
        VALUES (NEW.module_id, NEW.id, NEW.started_at, NEW.port, NEW.host, NEW.operator_name, '')
        ON CONFLICT (module_id) DO UPDATE SET last_event = excluded.last_event,
            last_started = excluded.last_started, last_port = excluded.last_port,
            last_host = excluded.last_host, last_operator = excluded.last_operator
        WHERE excluded.last_started > modules.last_started
            OR (excluded.last_started = modules.last_started
                AND excluded.last_event >= modules.last_event);
        UPDATE modules SET shown_event = NEW.id, shown_started = NEW.started_at,
            configuration = NEW.configuration,
            name = (SELECT name FROM configurations WHERE hash = NEW.configuration)
        WHERE module_id = NEW.module_id AND %1
            AND (shown_started IS NULL OR NEW.started_at > shown_started
                OR (NEW.started_at = shown_started AND NEW.id >= shown_event));
        UPDATE modules SET firmware = NEW.firmware, firmware_started = NEW.started_at
        WHERE module_id = NEW.module_id AND NEW.firmware <> ''
            AND (firmware_started IS NULL OR NEW.started_at >= firmware_started);)")
        .arg(showsConfiguration(QStringLiteral("NEW.")));
}

// Version 1. The events and configurations tables are what a team's server holds too: keyed
// by the events' own UUIDs and the configurations' content hashes, times as UTC text, no
// number that another machine would see. `running` and `unpushed` are this file's own
// bookkeeping: which program is still working on a started event, and which settled events
// the team's server may not have yet.
const QStringList kVersion1 = {
    QStringLiteral(R"(CREATE TABLE meta (
        key TEXT PRIMARY KEY,
        value TEXT NOT NULL))"),
    QStringLiteral(R"(CREATE TABLE configurations (
        hash TEXT PRIMARY KEY,
        content BLOB NOT NULL,
        name TEXT NOT NULL))"),
    QStringLiteral(R"(CREATE TABLE events (
        id TEXT PRIMARY KEY,
        run_id TEXT NOT NULL,
        operation TEXT NOT NULL CHECK (operation IN
            ('identify', 'read', 'status', 'write', 'backup', 'verify', 'restore')),
        state TEXT NOT NULL CHECK (state IN ('started', 'finished', 'interrupted')),
        host TEXT NOT NULL,
        operator_name TEXT NOT NULL,
        program_version TEXT NOT NULL,
        port TEXT NOT NULL,
        adapter TEXT NOT NULL,
        adapter_serial TEXT NOT NULL,
        identification TEXT NOT NULL,
        firmware TEXT NOT NULL,
        module_id TEXT NOT NULL,
        outcome TEXT NOT NULL,
        message TEXT NOT NULL,
        configuration TEXT REFERENCES configurations (hash),
        status TEXT,
        differences TEXT,
        source_event TEXT,
        started_at TEXT NOT NULL,
        finished_at TEXT))"),
    // Newest first, overall and per module; per port; and which events name a configuration
    // (for the foreign key and for pruning).
    QStringLiteral("CREATE INDEX events_by_time ON events (started_at)"),
    QStringLiteral("CREATE INDEX events_by_module ON events (module_id, started_at)"),
    QStringLiteral("CREATE INDEX events_by_port ON events (port, started_at)"),
    QStringLiteral("CREATE INDEX events_by_configuration ON events (configuration)"),
    QStringLiteral(R"(CREATE TABLE running (
        event_id TEXT PRIMARY KEY REFERENCES events (id) ON DELETE CASCADE,
        owner TEXT NOT NULL))"),
    QStringLiteral(R"(CREATE TABLE unpushed (
        event_id TEXT PRIMARY KEY REFERENCES events (id) ON DELETE CASCADE))"),
    // What the program promises, the file keeps too.
    QStringLiteral(R"(CREATE TRIGGER settled_events_unchanged BEFORE UPDATE ON events
        WHEN OLD.state <> 'started'
        BEGIN SELECT RAISE(ABORT, 'a settled event is never changed'); END)"),
    // Every module once, as last seen: kept up to date as events come, so that the list of
    // modules and the search read a row per module instead of seeking through its events.
    QStringLiteral(R"(CREATE TABLE modules (
        module_id TEXT PRIMARY KEY,
        last_event TEXT NOT NULL,
        last_started TEXT NOT NULL,
        last_port TEXT NOT NULL,
        last_host TEXT NOT NULL,
        last_operator TEXT NOT NULL,
        shown_event TEXT,
        shown_started TEXT,
        configuration TEXT,
        name TEXT NOT NULL DEFAULT '',
        firmware TEXT NOT NULL,
        firmware_started TEXT))"),
    QStringLiteral("CREATE TRIGGER modules_on_insert AFTER INSERT ON events "
                   "WHEN NEW.module_id <> '' BEGIN %1 END")
        .arg(seenModule()),
    QStringLiteral("CREATE TRIGGER modules_on_update AFTER UPDATE ON events "
                   "WHEN NEW.module_id <> '' BEGIN %1 END")
        .arg(seenModule()),
};

const QByteArray kSqliteMagic("SQLite format 3\0", 16);
constexpr int kHeaderSize = 100;
constexpr int kUserVersionAt = 60;
constexpr int kApplicationIdAt = 68;

Expected<void> upgrade(db::Connection& connection, int from)
{
    for (const Step& step : steps()) {
        if (step.version <= from)
            continue;
        for (const QString& statement : step.statements) {
            if (auto done = connection.run(statement, {}, messages::Code::RecordUnwritable); !done)
                return done.failure();
        }
    }
    const QStringList stamps = {
        QStringLiteral("PRAGMA application_id = %1").arg(kApplicationId),
        QStringLiteral("PRAGMA user_version = %1").arg(kVersion),
    };
    for (const QString& stamp : stamps) {
        if (auto done = connection.run(stamp, {}, messages::Code::RecordUnwritable); !done)
            return done.failure();
    }
    return {};
}

Expected<int> versionOf(db::Connection& connection)
{
    // Both in one statement, so from one snapshot: read one by one, a record that another
    // program made in between would show its version without its kind, and be refused.
    Expected<QSqlQuery> query = connection.run(
        QStringLiteral("SELECT kind.application_id, version.user_version "
                       "FROM pragma_application_id AS kind, pragma_user_version AS version"));
    if (!query)
        return query.failure();
    const bool found = query->next();
    const int id = found ? query->value(0).toInt() : 0;
    const int version = found ? query->value(1).toInt() : 0;
    query->finish();
    // A file with tables of its own but none of ours is another program's.
    if (id != kApplicationId && (id != 0 || version != 0))
        return notARecord(connection.path());
    return version;
}

} // namespace

QString showsConfiguration(const QString& row)
{
    return QStringLiteral("(%1state = 'finished' AND %1configuration IS NOT NULL AND "
                          "(%1outcome = '' OR %1operation IN ('read', 'backup', 'verify')))")
        .arg(row);
}

const QString kRebuildModules = QStringLiteral(R"(
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
            (SELECT id FROM events WHERE module_id = ids.module_id AND firmware <> ''
             ORDER BY started_at DESC, id DESC LIMIT 1) AS firmware_id
        FROM ids WHERE ids.module_id IS NOT NULL)
    INSERT INTO modules (module_id, last_event, last_started, last_port, last_host,
        last_operator, shown_event, shown_started, configuration, name, firmware,
        firmware_started)
    SELECT latest.module_id, last.id, last.started_at, last.port, last.host, last.operator_name,
        shown.id, shown.started_at, shown.configuration, coalesce(named.name, ''),
        coalesce(firmware.firmware, ''), firmware.started_at
    FROM latest
    JOIN events AS last ON last.id = latest.last_id
    LEFT JOIN events AS shown ON shown.id = latest.shown_id
    LEFT JOIN configurations AS named ON named.hash = shown.configuration
    LEFT JOIN events AS firmware ON firmware.id = latest.firmware_id)")
                                    .arg(showsConfiguration());

const QList<Step>& steps()
{
    static const QList<Step> all = {{1, kVersion1}};
    return all;
}

Inspection inspect(const QString& path)
{
    Inspection inspection;
    const QFileInfo info(path);
    if (!info.exists())
        return inspection;
    if (!info.isFile()) {
        inspection.kind = FileKind::NotARecord;
        return inspection;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        inspection.kind = FileKind::Unreadable;
        inspection.reason = db::fileReason(file);
        return inspection;
    }
    const QByteArray header = file.read(kHeaderSize);
    if (header.isEmpty() && file.atEnd()) {
        inspection.kind = FileKind::Empty;
        return inspection;
    }
    inspection.kind = FileKind::NotARecord;
    if (header.size() < kHeaderSize || !header.startsWith(kSqliteMagic))
        return inspection;
    const auto* bytes = reinterpret_cast<const uchar*>(header.constData());
    if (qFromBigEndian<qint32>(bytes + kApplicationIdAt) != kApplicationId)
        return inspection;
    inspection.kind = FileKind::Record;
    inspection.version = qFromBigEndian<qint32>(bytes + kUserVersionAt);
    return inspection;
}

Failure notARecord(const QString& path)
{
    return Failure(messages::Code::NotARecord,
                   QStringLiteral("A(z) %1 nem a program előzményfájlja, ezért nem nyitható meg. "
                                  "A fájl változatlan maradt.")
                       .arg(path),
                   QJsonObject{{QStringLiteral("path"), path}});
}

Failure tooNew(const QString& path, int version)
{
    return Failure(
        messages::Code::RecordTooNew,
        QStringLiteral("A(z) %1 előzményfájlt a program egy újabb változata írta "
                       "(%2. formátum; ez a változat a(z) %3. formátumig ismeri). "
                       "Használja az újabb programot. A fájl változatlan maradt.")
            .arg(path)
            .arg(version)
            .arg(kVersion),
        QJsonObject{{QStringLiteral("path"), path}, {QStringLiteral("version"), version}});
}

Expected<void> prepare(db::Connection& connection)
{
    Expected<int> version = versionOf(connection);
    if (!version)
        return version.failure();
    if (*version > kVersion)
        return tooNew(connection.path(), *version);
    if (*version < kVersion) {
        // The tables of a new record are written before the file turns to WAL, so a file's
        // header names it a record as soon as it holds one.
        db::WriteTransaction transaction(connection);
        if (auto begun = transaction.begin(); !begun)
            return begun;
        version = versionOf(connection); // another program may have been first
        if (!version)
            return version.failure();
        if (*version > kVersion)
            return tooNew(connection.path(), *version);
        if (*version < kVersion) {
            if (auto done = upgrade(connection, *version); !done)
                return done;
            if (auto done = transaction.commit(); !done)
                return done;
        }
    }
    // Already WAL after the first time; a switch that another open connection holds up is
    // tried again by the next program that opens the record.
    const Expected<QVariant> mode = connection.value(QStringLiteral("PRAGMA journal_mode = WAL"),
                                                     {}, messages::Code::RecordUnwritable);
    Q_UNUSED(mode)
    return {};
}

} // namespace record::schema
