#include "record/record.h"

#include "core/configcodec.h"
#include "core/fields.h"
#include "record/recordprivate.h"
#include "record/schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlError>

namespace record {

namespace rows {

// clang-format off
const Text kEventTexts[kTexts] = {
    {"id",              "id",             &Event::id},
    {"run_id",          "run",            &Event::runId},
    {"host",            "host",           &Event::host},
    {"operator_name",   "operator",       &Event::operatorName},
    {"program_version", "version",        &Event::programVersion},
    {"port",            "port",           &Event::port},
    {"adapter",         "adapter",        &Event::adapter},
    {"adapter_serial",  "adapterSerial",  &Event::adapterSerial},
    {"identification",  "identification", &Event::identification},
    {"firmware",        "firmware",       &Event::firmware},
    {"module_id",       "module",         &Event::moduleId},
    {"outcome",         "outcome",        &Event::outcome},
    {"message",         "message",        &Event::message},
};
// clang-format on

namespace {

constexpr int kOperation = kTexts;
constexpr int kState = kTexts + 1;
constexpr int kConfiguration = kTexts + 2;
constexpr int kStatus = kTexts + 3;
constexpr int kDifferences = kTexts + 4;
constexpr int kSource = kTexts + 5;
constexpr int kStarted = kTexts + 6;
constexpr int kFinished = kTexts + 7;

QString columns()
{
    QStringList names;
    for (const Text& each : kEventTexts)
        names.append(QLatin1String(each.column));
    names << QStringLiteral("operation") << QStringLiteral("state")
          << QStringLiteral("configuration") << QStringLiteral("status")
          << QStringLiteral("differences") << QStringLiteral("source_event")
          << QStringLiteral("started_at") << QStringLiteral("finished_at");
    return names.join(QStringLiteral(", "));
}

} // namespace

const QString kEventColumns = columns();

const QString kShowsConfiguration = schema::showsConfiguration();

namespace {

QVariant textOrNull(const QString& text)
{
    return text.isEmpty() ? QVariant() : QVariant(text);
}

QVariant jsonOrNull(const QJsonValue& value)
{
    if (value.isObject())
        return QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
    if (value.isArray())
        return QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact));
    return QVariant();
}

QJsonValue jsonFrom(const QVariant& column)
{
    if (column.isNull())
        return QJsonValue();
    const QJsonDocument document = QJsonDocument::fromJson(column.toString().toUtf8());
    if (document.isObject())
        return document.object();
    if (document.isArray())
        return document.array();
    return QJsonValue();
}

QDateTime timeFrom(const QVariant& column)
{
    if (column.isNull())
        return QDateTime();
    return QDateTime::fromString(column.toString(), Qt::ISODateWithMs);
}

} // namespace

Event eventFromRow(const QSqlQuery& query, int first)
{
    auto value = [&](int at) { return query.value(first + at); };
    Event event;
    for (int i = 0; i < kTexts; ++i)
        event.*kEventTexts[i].member = value(i).toString();
    event.operation = operationNamed(value(kOperation).toString()).value_or(Operation::Identify);
    event.state = stateNamed(value(kState).toString()).value_or(State::Interrupted);
    event.configurationHash = value(kConfiguration).toString();
    event.status = jsonFrom(value(kStatus));
    event.differences = jsonFrom(value(kDifferences));
    event.sourceEvent = value(kSource).toString();
    event.startedAt = timeFrom(value(kStarted));
    event.finishedAt = timeFrom(value(kFinished));
    return event;
}

QVariantList eventValues(const Event& event)
{
    QVariantList values;
    for (const Text& each : kEventTexts)
        values.append(text(event.*each.member));
    values << operationName(event.operation) << stateName(event.state)
           << textOrNull(event.configurationHash) << jsonOrNull(event.status)
           << jsonOrNull(event.differences) << textOrNull(event.sourceEvent)
           << timeValue(event.startedAt) << timeValue(event.finishedAt);
    return values;
}

// What finish() stores: the texts learnt during the exchange, the configuration (unless
// none is given), status, differences, source and the finish; the values, then the event's id.
QString finishedColumns(const Event& event, QVariantList* values)
{
    const QVariantList all = eventValues(event);
    QStringList assigned;
    for (int i = kFirstFinishedText; i < kTexts; ++i) {
        assigned.append(QLatin1String(kEventTexts[i].column) + QStringLiteral(" = ?"));
        values->append(all.at(i));
    }
    assigned << QStringLiteral("configuration = coalesce(?, configuration)")
             << QStringLiteral("status = ?") << QStringLiteral("differences = ?")
             << QStringLiteral("source_event = ?") << QStringLiteral("finished_at = ?");
    *values << all.at(kConfiguration) << all.at(kStatus) << all.at(kDifferences) << all.at(kSource)
            << all.at(kFinished) << event.id;
    return assigned.join(QStringLiteral(", "));
}

// Qt binds a null QString as NULL: an empty text is stored as one.
QVariant text(const QString& value)
{
    return value.isNull() ? QVariant(QStringLiteral("")) : QVariant(value);
}

QVariant timeValue(const QDateTime& time)
{
    return time.isValid() ? QVariant(timeText(time)) : QVariant();
}

} // namespace rows

namespace {

constexpr auto kUnwritable = messages::Code::RecordUnwritable;

QString ownersFolder(const QString& path)
{
    return path + QStringLiteral("-owners");
}

// A folder only its user may enter, made when missing (with its parents).
Expected<void> makeFolder(const QString& path, const QString& recordPath)
{
    QDir folder(path);
    if (folder.exists())
        return {};
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()) ||
        !QDir().mkdir(path,
                      QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner)) {
        if (!folder.exists())
            return db::unwritable(recordPath,
                                  QStringLiteral("a(z) %1 mappa nem hozható létre").arg(path));
    }
    return {};
}

// The record's file, made empty and user-only when missing, so that SQLite (which gives its
// -wal and -shm files the database's own permissions) never makes it readable by others.
Expected<void> makeFile(const QString& path)
{
    if (auto folder = makeFolder(QFileInfo(path).absolutePath(), path); !folder)
        return folder;
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                  QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return {};
    if (QFileInfo::exists(path)) // another program made it first
        return {};
    return db::unwritable(path,
                          QStringLiteral("a fájl nem hozható létre: %1").arg(db::fileReason(file)),
                          QJsonObject{{QStringLiteral("systemError"), file.errorString()}});
}

// Refuses what is no record before SQLite touches it; makes a missing one.
Expected<void> checkFile(const QString& path)
{
    const schema::Inspection inspection = schema::inspect(path);
    switch (inspection.kind) {
    case schema::FileKind::Missing:
        return makeFile(path);
    case schema::FileKind::Empty:
        return {};
    case schema::FileKind::Record:
        if (inspection.version > schema::kVersion)
            return schema::tooNew(path, inspection.version);
        return {};
    case schema::FileKind::NotARecord:
        return schema::notARecord(path);
    case schema::FileKind::Unreadable:
        break;
    }
    return db::unwritable(path, QStringLiteral("a fájl nem olvasható: %1").arg(inspection.reason));
}

Failure notRunning(const QString& path, const QString& id)
{
    return db::unwritable(path, QStringLiteral("a(z) %1 esemény már nem fut (a program leállása "
                                               "után megszakítottnak jelölték, vagy nincs ilyen)")
                                    .arg(id));
}

} // namespace

Expected<void> Record::Private::takeOwnerLock()
{
    if (ownerLock)
        return {};
    const QString folder = ownersFolder(connection.path());
    if (auto made = makeFolder(folder, connection.path()); !made)
        return made;
    const QString token = newId();
    auto lock = std::make_unique<QLockFile>(folder + u'/' + token);
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return db::unwritable(connection.path(),
                              QStringLiteral("a(z) %1 zárolófájl nem hozható létre").arg(folder));
    ownerToken = token;
    ownerLock = std::move(lock);
    return {};
}

Expected<void> Record::Private::markAbandoned()
{
    QStringList owners;
    {
        Expected<QSqlQuery> query =
            connection.run(QStringLiteral("SELECT DISTINCT owner FROM running"));
        if (!query)
            return query.failure();
        while (query->next())
            owners.append(query->value(0).toString());
    }
    // An owner is gone when its lock file is (it removes it when it closes the record), or
    // when its lock is free to take: the program that held it has ended.
    std::vector<std::unique_ptr<QLockFile>> taken;
    QStringList gone;
    for (const QString& owner : owners) {
        if (owner == ownerToken)
            continue;
        const QString file = ownersFolder(connection.path()) + u'/' + owner;
        if (!isId(owner) || !QFileInfo::exists(file)) {
            gone.append(owner);
            continue;
        }
        auto lock = std::make_unique<QLockFile>(file);
        lock->setStaleLockTime(0);
        if (lock->tryLock(0)) {
            gone.append(owner);
            taken.push_back(std::move(lock));
        }
    }
    if (gone.isEmpty())
        return {};

    const QString message = QStringLiteral("A program leállt, mielőtt az esemény befejeződött.");
    db::WriteTransaction transaction(connection);
    if (auto begun = transaction.begin(); !begun)
        return begun;
    for (const QString& owner : gone) {
        const QStringList statements = {
            QStringLiteral("UPDATE events SET state = 'interrupted', outcome = ?, message = ? "
                           "WHERE state = 'started' AND id IN "
                           "(SELECT event_id FROM running WHERE owner = ?)"),
            QStringLiteral("INSERT INTO unpushed (event_id) SELECT event_id FROM running "
                           "WHERE owner = ? ON CONFLICT (event_id) DO NOTHING"),
            QStringLiteral("DELETE FROM running WHERE owner = ?"),
        };
        const QVariantList values[] = {
            {messages::codeName(messages::Code::Abandoned), message, owner}, {owner}, {owner}};
        for (int i = 0; i < statements.size(); ++i) {
            if (auto done = connection.run(statements[i], values[i], kUnwritable); !done)
                return done.failure();
        }
    }
    return transaction.commit();
}

void Record::Private::stamp(Event& event, State state) const
{
    event.id = newId();
    event.state = state;
    event.operatorName = identity.operatorName;
    event.host = identity.host;
    event.programVersion = identity.programVersion;
}

Record::Record(std::unique_ptr<Private> p) : d(std::move(p)) {}
Record::Record(Record&& other) noexcept = default;
Record& Record::operator=(Record&& other) noexcept = default;
Record::~Record() = default;

QString Record::path() const
{
    return d->connection.path();
}

Expected<Record> Record::open(const QString& path, const Identity& identity)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    auto p = std::make_unique<Private>(absolute, identity);
    if (auto opened = p->connection.open([&] { return checkFile(absolute); }); !opened)
        return opened.failure();
    if (auto prepared = schema::prepare(p->connection); !prepared)
        return prepared.failure();
    if (auto marked = p->markAbandoned(); !marked)
        return marked.failure();
    return Record(std::move(p));
}

Expected<void> Record::probe()
{
    db::WriteTransaction transaction(d->connection);
    if (auto begun = transaction.begin(); !begun)
        return begun;
    const QString sql = QStringLiteral("INSERT INTO meta (key, value) VALUES ('probed', ?) "
                                       "ON CONFLICT (key) DO UPDATE SET value = excluded.value");
    if (auto done =
            d->connection.run(sql, {timeText(QDateTime::currentDateTimeUtc())}, kUnwritable);
        !done)
        return done.failure();
    return transaction.commit();
}

Expected<void> Record::setSetting(const QString& key, const QString& value)
{
    const QString sql = QStringLiteral("INSERT INTO meta (key, value) VALUES (?, ?) "
                                       "ON CONFLICT (key) DO UPDATE SET value = excluded.value");
    if (auto done = d->connection.run(sql, {key, value}, kUnwritable); !done)
        return done.failure();
    return {};
}

Expected<void> Record::start(Event& event)
{
    QList<Event> events{event};
    const Expected<void> stored = start(events);
    event = events.first();
    return stored;
}

Expected<void> Record::start(QList<Event>& events)
{
    if (auto locked = d->takeOwnerLock(); !locked)
        return locked;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (Event& event : events) {
        d->stamp(event, State::Started);
        if (!event.startedAt.isValid())
            event.startedAt = now;
        event.finishedAt = QDateTime();
    }
    db::WriteTransaction transaction(d->connection);
    Inserter insert(d->connection);
    if (auto begun = insert.begin(transaction); !begun)
        return begun;
    for (Event& event : events) {
        if (auto stored = insert.configurationOf(event); !stored)
            return stored;
        if (auto stored = insert.event(event, false, d->ownerToken); !stored)
            return stored.failure();
    }
    return transaction.commit();
}

Expected<void> Record::finish(Event& event)
{
    QList<Event> events{event};
    const Expected<void> stored = finish(events);
    event = events.first();
    return stored;
}

Expected<void> Record::finish(QList<Event>& events)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (Event& event : events) {
        event.state = State::Finished;
        if (!event.finishedAt.isValid())
            event.finishedAt = now;
    }
    db::WriteTransaction transaction(d->connection);
    Inserter insert(d->connection);
    if (auto begun = insert.begin(transaction); !begun)
        return begun;
    const QStringList bookkeeping = {
        QStringLiteral("DELETE FROM running WHERE event_id = ?"),
        QStringLiteral("INSERT INTO unpushed (event_id) VALUES (?)"),
    };
    for (Event& event : events) {
        if (auto stored = insert.configurationOf(event); !stored)
            return stored;
        QVariantList values;
        const QString assigned = rows::finishedColumns(event, &values);
        Expected<QSqlQuery> updated = d->connection.run(
            QStringLiteral("UPDATE events SET state = 'finished', %1 WHERE id = ? AND "
                           "state = 'started'")
                .arg(assigned),
            values, kUnwritable);
        if (!updated)
            return updated.failure();
        if (updated->numRowsAffected() != 1)
            return notRunning(path(), event.id);
        for (const QString& sql : bookkeeping) {
            if (auto done = d->connection.run(sql, {event.id}, kUnwritable); !done)
                return done.failure();
        }
    }
    return transaction.commit();
}

Expected<void> Record::add(Event& event)
{
    QList<Event> events{event};
    const Expected<void> stored = add(events);
    event = events.first();
    return stored;
}

Expected<void> Record::add(QList<Event>& events)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QList<QByteArray> configurations;
    for (Event& event : events) {
        d->stamp(event, State::Finished);
        if (!event.startedAt.isValid())
            event.startedAt = now;
        if (!event.finishedAt.isValid())
            event.finishedAt = now;
        if (!event.configuration.isEmpty()) {
            configurations << configurationContent(event.configuration);
            event.configurationHash = configurationHash(configurations.last());
        }
    }
    Expected<BundleCounts> stored = insertSettled(configurations, events, true);
    if (!stored)
        return stored.failure();
    return {};
}

Expected<BundleCounts> Record::insertSettled(const QList<QByteArray>& configurations,
                                             const QList<Event>& events, bool toPush)
{
    BundleCounts counts;
    db::WriteTransaction transaction(d->connection);
    Inserter insert(d->connection);
    if (auto begun = insert.begin(transaction); !begun)
        return begun.failure();
    for (const QByteArray& content : configurations) {
        Expected<bool> stored = insert.configuration(content);
        if (!stored)
            return stored.failure();
        ++counts.configurations;
        counts.newConfigurations += *stored ? 1 : 0;
    }
    for (const Event& event : events) {
        if (event.state == State::Started)
            return db::unwritable(path(), QStringLiteral("egy máshol készült esemény nem "
                                                         "lehet folyamatban"));
        Expected<bool> stored = insert.event(event, toPush);
        if (!stored)
            return stored.failure();
        ++counts.events;
        counts.newEvents += *stored ? 1 : 0;
    }
    if (auto committed = transaction.commit(); !committed)
        return committed.failure();
    return counts;
}

Expected<void> Record::markPushed(const QStringList& ids)
{
    db::WriteTransaction transaction(d->connection);
    if (auto begun = transaction.begin(); !begun)
        return begun;
    QSqlQuery remove(d->connection.database());
    if (!remove.prepare(QStringLiteral("DELETE FROM unpushed WHERE event_id = ?")))
        return db::failed(kUnwritable, path(), remove.lastError());
    for (const QString& id : ids) {
        remove.addBindValue(id);
        if (!remove.exec())
            return db::failed(kUnwritable, path(), remove.lastError());
    }
    return transaction.commit();
}

Inserter::Inserter(db::Connection& connection)
    : m_connection(connection), m_configuration(connection.database()),
      m_event(connection.database()), m_unpushed(connection.database()),
      m_running(connection.database())
{
}

Expected<void> Inserter::begin(db::WriteTransaction& transaction)
{
    if (auto begun = transaction.begin(); !begun)
        return begun;
    return prepare();
}

Expected<void> Inserter::configurationOf(Event& event)
{
    if (event.configuration.isEmpty())
        return {};
    const QByteArray content = configurationContent(event.configuration);
    if (auto stored = configuration(content); !stored)
        return stored.failure();
    event.configurationHash = configurationHash(content);
    return {};
}

Expected<void> Inserter::prepare()
{
    const QString placeholders = QStringLiteral("?, ").repeated(20) + u'?';
    const std::pair<QSqlQuery*, QString> statements[] = {
        {&m_configuration, QStringLiteral("INSERT INTO configurations (hash, content, name) "
                                          "VALUES (?, ?, ?) ON CONFLICT (hash) DO NOTHING")},
        {&m_event, QStringLiteral("INSERT INTO events (%1) VALUES (%2) ON CONFLICT (id) DO NOTHING")
                       .arg(rows::kEventColumns, placeholders)},
        {&m_unpushed, QStringLiteral("INSERT INTO unpushed (event_id) VALUES (?)")},
        {&m_running, QStringLiteral("INSERT INTO running (event_id, owner) VALUES (?, ?)")},
    };
    for (const auto& [query, sql] : statements) {
        if (!query->prepare(sql))
            return db::failed(kUnwritable, m_connection.path(), query->lastError());
    }
    return {};
}

Expected<bool> Inserter::configuration(const QByteArray& content)
{
    static const int nameLine = *fields::indexOf(QStringLiteral("m_nev"));
    m_configuration.addBindValue(configurationHash(content));
    m_configuration.addBindValue(content);
    m_configuration.addBindValue(rows::text(configfile::decodeLines(content).value(nameLine)));
    if (!m_configuration.exec())
        return db::failed(kUnwritable, m_connection.path(), m_configuration.lastError());
    return m_configuration.numRowsAffected() == 1;
}

Expected<bool> Inserter::event(const Event& event, bool toPush, const QString& owner)
{
    for (const QVariant& value : rows::eventValues(event))
        m_event.addBindValue(value);
    if (!m_event.exec())
        return db::failed(kUnwritable, m_connection.path(), m_event.lastError());
    if (m_event.numRowsAffected() != 1)
        return false;
    const bool started = event.state == State::Started;
    if (!started && !toPush)
        return true;
    QSqlQuery& bookkeeping = started ? m_running : m_unpushed;
    bookkeeping.addBindValue(event.id);
    if (started)
        bookkeeping.addBindValue(owner);
    if (!bookkeeping.exec())
        return db::failed(kUnwritable, m_connection.path(), bookkeeping.lastError());
    return true;
}

} // namespace record
