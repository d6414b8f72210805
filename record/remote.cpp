#include "record/remote.h"

#include "record/record.h"
#include "record/recordprivate.h"

#include <QAtomicInteger>
#include <QRegularExpression>
#include <QSet>
#include <QSqlError>
#include <QUrl>
#include <QUrlQuery>

#include <cmath>

namespace record::remote {

namespace {

using messages::Code;

const QStringList kSslModes = {QStringLiteral("disable"),   QStringLiteral("allow"),
                               QStringLiteral("prefer"),    QStringLiteral("require"),
                               QStringLiteral("verify-ca"), QStringLiteral("verify-full")};

// How far back a pull looks before where the last one stopped: an event arrives with its
// transaction's start time but is seen only after its commit, so one committed late may
// stand before events already pulled.
const QString kOverlap = QStringLiteral("10 minutes");
constexpr int kPullPage = 1000;
constexpr int kConnectTimeoutSeconds = 10;
// Which server this record pulled from, and this record's own mark on the server.
const QString kCursorKey = QStringLiteral("remote.pulled ");
const QString kOriginKey = QStringLiteral("remote.origin");

Failure badUrl(const QString& text, const QString& reason)
{
    return Failure(Code::RemoteUrl,
                   QStringLiteral("Hibás a közös előzmények címe (%1): %2. Alakja: "
                                  "postgresql://felhasználó@gép[:port]/adatbázis[?sslmode=…]")
                       .arg(redacted(text), reason),
                   QJsonObject{{QStringLiteral("remote"), redacted(text)}});
}

// A quoted value of a libpq connection string.
QString quoted(QString value)
{
    value.replace(u'\\', QStringLiteral("\\\\")).replace(u'\'', QStringLiteral("\\'"));
    return u'\'' + value + u'\'';
}

} // namespace

bool Url::isLocal() const
{
    return host.isEmpty() || host.startsWith(u'/') || host == QLatin1String("localhost") ||
           host == QLatin1String("127.0.0.1") || host == QLatin1String("::1");
}

QString Url::text() const
{
    QUrl url;
    url.setScheme(QStringLiteral("postgresql"));
    url.setUserName(user);
    const bool socket = host.startsWith(u'/');
    url.setHost(socket ? QString() : host);
    if (port != 5432 && !socket)
        url.setPort(port);
    url.setPath(u'/' + database);
    QUrlQuery query;
    if (socket)
        query.addQueryItem(QStringLiteral("host"), host);
    if (port != 5432 && socket)
        query.addQueryItem(QStringLiteral("port"), QString::number(port));
    query.addQueryItem(QStringLiteral("sslmode"), sslMode);
    if (!rootCert.isEmpty())
        query.addQueryItem(QStringLiteral("sslrootcert"), rootCert);
    url.setQuery(query);
    return url.toString(QUrl::PrettyDecoded);
}

QString redacted(const QString& text)
{
    static const QRegularExpression inUser(QStringLiteral("(://[^/?#@:]*):[^@/?#]*@"));
    static const QRegularExpression inQuery(QStringLiteral("(password=)[^&#\\s]*"),
                                            QRegularExpression::CaseInsensitiveOption);
    return QString(text)
        .replace(inUser, QStringLiteral("\\1:***@"))
        .replace(inQuery, QStringLiteral("\\1***"));
}

std::optional<QString> urlFromEnvironment()
{
    const QString text = qEnvironmentVariable("VEXAGRID_RECORD_REMOTE").trimmed();
    if (text.isEmpty())
        return std::nullopt;
    return text;
}

namespace {

// The query of a URL: the socket folder, the TLS mode and its root certificate.
Expected<void> readQuery(const QString& text, const QUrl& parsed, Url& url)
{
    for (const auto& [key, value] : QUrlQuery(parsed).queryItems(QUrl::FullyDecoded)) {
        if (key == QLatin1String("sslmode") && kSslModes.contains(value))
            url.sslMode = value;
        else if (key == QLatin1String("sslmode"))
            return badUrl(text, QStringLiteral("ismeretlen sslmode: %1 (lehet: %2)")
                                    .arg(value, kSslModes.join(QStringLiteral(", "))));
        else if (key == QLatin1String("sslrootcert") && !value.isEmpty())
            url.rootCert = value;
        else if (key == QLatin1String("host") && value.startsWith(u'/'))
            url.host = value;
        else if (key == QLatin1String("port") && value.toInt() > 0)
            url.port = value.toInt();
        else if (key == QLatin1String("password"))
            return badUrl(text, QStringLiteral("a jelszó nem állhat a címben (a PGPASSWORD "
                                               "változó vagy a jelszófájl adja)"));
        else
            return badUrl(text, QStringLiteral("ismeretlen paraméter: %1").arg(key));
    }
    return {};
}

} // namespace

Expected<Url> parseUrl(const QString& text)
{
    const QUrl parsed(text.trimmed(), QUrl::StrictMode);
    const QString scheme = parsed.scheme();
    if (!parsed.isValid() ||
        (scheme != QLatin1String("postgresql") && scheme != QLatin1String("postgres")))
        return badUrl(text, QStringLiteral("nem postgresql:// kezdetű cím"));
    if (!parsed.password().isEmpty() || text.contains(QStringLiteral(":@")))
        return badUrl(text, QStringLiteral("a jelszó nem állhat a címben (a PGPASSWORD "
                                           "változó vagy a jelszófájl adja)"));
    Url url;
    url.user = parsed.userName(QUrl::FullyDecoded);
    url.host = parsed.host(QUrl::FullyDecoded);
    url.port = parsed.port(5432);
    url.database = parsed.path(QUrl::FullyDecoded).mid(1);
    if (auto query = readQuery(text, parsed, url); !query)
        return query.failure();
    if (url.user.isEmpty())
        return badUrl(text, QStringLiteral("hiányzik a felhasználó"));
    if (url.host.isEmpty())
        return badUrl(text, QStringLiteral("hiányzik a szerver gépneve"));
    if (url.database.isEmpty() || url.database.contains(u'/'))
        return badUrl(text, QStringLiteral("hiányzik az adatbázis neve"));
    if (url.port <= 0 || url.port > 65535)
        return badUrl(text, QStringLiteral("hibás port"));
    if (url.sslMode.isEmpty())
        url.sslMode = url.isLocal() ? QStringLiteral("prefer") : QStringLiteral("require");
    return url;
}

namespace {

// What a refused connection means, judged from the words of the client library and the
// server (neither gives a code for it). The first that matches wins; the last is the rest.
// They never hold the password.
struct Cause
{
    const char* says;
    Code code;
    const char* words; // {user}, {host}, {port} and {database} stand for the URL's parts
};

// clang-format off
constexpr Cause kCauses[] = {
    {"password authentication failed", Code::RemotePassword, "hibás jelszó a(z) {user} felhasználóhoz (vagy nincs ilyen felhasználó)"},
    {"no password supplied",           Code::RemotePassword, "nincs jelszó a(z) {user} felhasználóhoz: a PGPASSWORD változó vagy a jelszófájl (~/.pgpass, PGPASSFILE) adja"},
    {"role \"",                        Code::RemoteUser,     "nincs {user} nevű felhasználó a szerveren"},
    {"pg_hba.conf",                    Code::RemoteUser,     "a szerver nem engedi be a(z) {user} felhasználót erről a gépről a(z) {database} adatbázisba"},
    {"database \"",                    Code::RemoteDatabase, "nincs {database} nevű adatbázis a szerveren"},
    {"does not support SSL",           Code::RemoteTls,      "a szerver nem fogad titkosított (TLS) kapcsolatot"},
    {"certificate",                    Code::RemoteTls,      "a szerver tanúsítványa nem igazolható (gyökértanúsítvány: sslrootcert)"},
    {"SSL",                            Code::RemoteTls,      "a titkosított (TLS) kapcsolat nem jött létre"},
    {"could not translate host name",  Code::RemoteHost,     "a(z) {host} gépnév nem ismert"},
    {"timeout expired",                Code::RemoteHost,     "a(z) {host}:{port} nem válaszolt időben"},
    {"Connection refused",             Code::RemoteHost,     "a(z) {host}:{port} címen nem fogad kapcsolatot PostgreSQL-szerver"},
    {"No such file or directory",      Code::RemoteHost,     "a(z) {host}:{port} címen nem fogad kapcsolatot PostgreSQL-szerver"},
    {"could not connect",              Code::RemoteHost,     "a(z) {host}:{port} címen nem fogad kapcsolatot PostgreSQL-szerver"},
    // Words of another language (a translated client library or server): said as they are.
    {"",                               Code::RemoteFailed,   "a kapcsolat nem jött létre ({says})"},
};
// clang-format on

QJsonObject detailsOf(const Url& url, const QSqlError& error)
{
    QJsonObject details{{QStringLiteral("remote"), url.text()}};
    if (error.isValid())
        details.insert(QStringLiteral("systemError"), error.text());
    return details;
}

Failure refused(const Url& url, const QSqlError& error)
{
    const QString says = error.databaseText() + u' ' + error.driverText();
    for (const Cause& cause : kCauses) {
        if (!says.contains(QLatin1String(cause.says)))
            continue;
        const QString reason = QString::fromUtf8(cause.words)
                                   .replace(QStringLiteral("{user}"), url.user)
                                   .replace(QStringLiteral("{host}"), url.host)
                                   .replace(QStringLiteral("{port}"), QString::number(url.port))
                                   .replace(QStringLiteral("{database}"), url.database)
                                   .replace(QStringLiteral("{says}"), says.simplified());
        return Failure(cause.code,
                       QStringLiteral("A közös előzmények szervere (%1) nem érhető el: %2.")
                           .arg(url.text(), reason),
                       detailsOf(url, error));
    }
    return {}; // not reached: the last cause matches every text
}

// A lost connection shows as an error the client library made itself (no SQLSTATE), or as
// the server's word that it is closing the connection or shutting down.
bool isLost(const QSqlError& error)
{
    const QString state = error.nativeErrorCode();
    return state.isEmpty() || state.startsWith(QLatin1String("08")) ||
           state.startsWith(QLatin1String("57P0"));
}

Failure gone(const Url& url, const QSqlError& error)
{
    return Failure(Code::RemoteGone,
                   QStringLiteral("A közös előzmények szervere (%1) szinkronizálás közben "
                                  "elérhetetlenné vált. Semmi sem veszett el: ami nem ment fel, a "
                                  "következő szinkronizáláskor felmegy.")
                       .arg(url.text()),
                   detailsOf(url, error));
}

QString refusalReason(const QSqlError& error)
{
    const QString state = error.nativeErrorCode();
    if (state == QLatin1String("42501"))
        return QStringLiteral("a felhasználónak nincs hozzá jogosultsága");
    if (state == QLatin1String("57014"))
        return QStringLiteral("lejárt az ideje");
    if (state.startsWith(QLatin1String("53")))
        return QStringLiteral("elfogyott a szerver lemeze, memóriája vagy kapcsolata");
    if (state.startsWith(QLatin1String("23")))
        return QStringLiteral("az adatok ütköznek a szerveren lévőkkel");
    return QStringLiteral("adatbázishiba (%1)").arg(state);
}

Failure failedStatement(const Url& url, const QSqlError& error)
{
    if (isLost(error))
        return gone(url, error);
    return Failure(Code::RemoteFailed,
                   QStringLiteral("A közös előzmények szervere (%1) nem fogadta el a kérést: %2.")
                       .arg(url.text(), refusalReason(error)),
                   detailsOf(url, error));
}

// One connection to the server, for the thread that made it.
class Session
{
public:
    Session(const Url& url, const QDeadlineTimer& deadline) : m_url(url), m_deadline(deadline)
    {
        static QAtomicInteger<quint64> counter;
        m_name = QStringLiteral("vexagrid-remote-%1").arg(counter.fetchAndAddRelaxed(1));
    }
    ~Session() { close(); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    const Url& url() const { return m_url; }

    Expected<void> open();
    // After a lost connection: true when a fresh one stands (once per session).
    bool reconnectOnce();
    // One statement, its values bound; a statement without values is sent as it is (the
    // driver cannot prepare BEGIN, COMMIT or CREATE).
    Expected<QSqlQuery> run(const QString& sql, const QVariantList& values = {});
    void rollback() { QSqlQuery(m_database).exec(QStringLiteral("ROLLBACK")); }

private:
    void close();
    QString connectOptions() const;

    Url m_url;
    QDeadlineTimer m_deadline;
    QString m_name;
    QSqlDatabase m_database;
    bool m_reconnected = false;
};

QString Session::connectOptions() const
{
    int seconds = kConnectTimeoutSeconds;
    if (!m_deadline.isForever())
        seconds = qMax(2, int(std::ceil(m_deadline.remainingTime() / 1000.0)));
    QStringList options = {QStringLiteral("sslmode=") + m_url.sslMode,
                           QStringLiteral("connect_timeout=%1").arg(seconds),
                           QStringLiteral("application_name=vexagrid")};
    if (!m_url.rootCert.isEmpty())
        options << QStringLiteral("sslrootcert=") + quoted(m_url.rootCert);
    return options.join(u';');
}

Expected<void> Session::open()
{
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        return Failure(Code::RemoteFailed,
                       QStringLiteral("A közös előzmények nem érhetők el: a Qt PostgreSQL-"
                                      "illesztője nem tölthető be (libqt6sql6-psql)."),
                       QJsonObject{{QStringLiteral("remote"), m_url.text()}});
    m_database = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
    m_database.setHostName(m_url.host);
    m_database.setPort(m_url.port);
    m_database.setDatabaseName(m_url.database);
    m_database.setUserName(m_url.user);
    m_database.setConnectOptions(connectOptions());
    if (!m_database.open())
        return refused(m_url, m_database.lastError());
    if (!m_deadline.isForever()) {
        const qint64 left = qMax<qint64>(1, m_deadline.remainingTime());
        if (auto set = run(QStringLiteral("SET statement_timeout = %1").arg(left)); !set)
            return set.failure();
    }
    return {};
}

void Session::close()
{
    if (m_database.isValid())
        m_database.close();
    m_database = QSqlDatabase();
    if (QSqlDatabase::contains(m_name))
        QSqlDatabase::removeDatabase(m_name);
}

bool Session::reconnectOnce()
{
    if (m_reconnected)
        return false;
    m_reconnected = true;
    close();
    return open().ok();
}

Expected<QSqlQuery> Session::run(const QString& sql, const QVariantList& values)
{
    QSqlQuery query(m_database);
    query.setForwardOnly(true);
    bool done = false;
    if (values.isEmpty()) {
        done = query.exec(sql);
    } else if (query.prepare(sql)) {
        for (const QVariant& value : values)
            query.addBindValue(value);
        done = query.exec();
    }
    if (!done)
        return failedStatement(m_url, query.lastError());
    return query;
}

// --- The server's tables ------------------------------------------------------------------

// Version 1: the events and configurations as the local record keeps them (keyed by the
// events' ids and the configurations' content hashes, times as UTC text), each stamped by
// the server with its arrival and the database user that sent it, and with the sending
// record's mark (`origin`) so that a pull skips what that record sent itself.
const QStringList kVersion1 = {
    QStringLiteral("CREATE TABLE vexagrid.meta (key text PRIMARY KEY, value text NOT NULL)"),
    QStringLiteral(R"(CREATE TABLE vexagrid.configurations (
        hash text PRIMARY KEY,
        content bytea NOT NULL,
        name text NOT NULL,
        arrived_at timestamptz NOT NULL DEFAULT now(),
        arrived_by text NOT NULL DEFAULT current_user))"),
    QStringLiteral(R"(CREATE TABLE vexagrid.events (
        id text PRIMARY KEY,
        run_id text NOT NULL,
        host text NOT NULL,
        operator_name text NOT NULL,
        program_version text NOT NULL,
        port text NOT NULL,
        adapter text NOT NULL,
        adapter_serial text NOT NULL,
        identification text NOT NULL,
        firmware text NOT NULL,
        module_id text NOT NULL,
        outcome text NOT NULL,
        message text NOT NULL,
        operation text NOT NULL,
        state text NOT NULL CHECK (state IN ('finished', 'interrupted')),
        configuration text REFERENCES vexagrid.configurations (hash),
        status text,
        differences text,
        source_event text,
        started_at text NOT NULL,
        finished_at text,
        origin text NOT NULL,
        arrived_at timestamptz NOT NULL DEFAULT now(),
        arrived_by text NOT NULL DEFAULT current_user))"),
    QStringLiteral("CREATE INDEX events_by_arrival ON vexagrid.events (arrived_at, id)"),
    QStringLiteral("CREATE INDEX events_by_module ON vexagrid.events (module_id, started_at)"),
};

const QList<QStringList>& steps()
{
    static const QList<QStringList> all = {kVersion1};
    return all;
}

// The server's version: 0 when it has no tables of ours.
Expected<int> versionOf(Session& session)
{
    Expected<QSqlQuery> exists = session.run(QStringLiteral("SELECT to_regclass(?) IS NOT NULL"),
                                             {QStringLiteral("vexagrid.meta")});
    if (!exists)
        return exists.failure();
    if (!exists->next() || !exists->value(0).toBool())
        return 0;
    Expected<QSqlQuery> version =
        session.run(QStringLiteral("SELECT value FROM vexagrid.meta WHERE key = ?"),
                    {QStringLiteral("version")});
    if (!version)
        return version.failure();
    return version->next() ? version->value(0).toInt() : 0;
}

Failure tooNew(const Url& url, int version)
{
    return Failure(
        Code::RemoteTooNew,
        QStringLiteral("A közös előzmények szerverén (%1) a program egy újabb változata "
                       "hozta létre az előzményeket (%2. formátum; ez a változat a(z) "
                       "%3. formátumig ismeri). Használja az újabb programot.")
            .arg(url.text())
            .arg(version)
            .arg(kVersion),
        QJsonObject{{QStringLiteral("remote"), url.text()}, {QStringLiteral("version"), version}});
}

// A server a sync can use: one of this version.
Expected<void> checkVersion(Session& session)
{
    Expected<int> version = versionOf(session);
    if (!version)
        return version.failure();
    if (*version > kVersion)
        return tooNew(session.url(), *version);
    if (*version < kVersion)
        return Failure(
            Code::RemoteNoSchema,
            QStringLiteral("A közös előzmények szerverén (%1) még nincsenek (vagy régebbi "
                           "formátumúak) az előzmények. Hozza létre vagy frissítse "
                           "őket: vexagrid-cli history init-remote URL")
                .arg(session.url().text()),
            QJsonObject{{QStringLiteral("remote"), session.url().text()}});
    return {};
}

// Brings the tables to kVersion inside the caller's transaction.
Expected<void> upgrade(Session& session)
{
    // Two administrators at once: the second waits, then finds the tables made.
    if (auto locked = session.run(QStringLiteral("SELECT pg_advisory_xact_lock(1448625746)"));
        !locked)
        return locked.failure();
    Expected<int> version = versionOf(session);
    if (!version)
        return version.failure();
    if (*version > kVersion)
        return tooNew(session.url(), *version);
    if (*version == 0) {
        if (auto made = session.run(QStringLiteral("CREATE SCHEMA IF NOT EXISTS vexagrid")); !made)
            return made.failure();
    }
    for (int step = *version; step < kVersion; ++step) {
        for (const QString& statement : steps().at(step)) {
            if (auto done = session.run(statement); !done)
                return done.failure();
        }
    }
    const QString stamp =
        QStringLiteral("INSERT INTO vexagrid.meta (key, value) VALUES ('version', ?) "
                       "ON CONFLICT (key) DO UPDATE SET value = excluded.value");
    if (auto done = session.run(stamp, {QString::number(kVersion)}); !done)
        return done.failure();
    return {};
}

} // namespace

Expected<void> initRemote(const Url& url)
{
    Session session(url, QDeadlineTimer(QDeadlineTimer::Forever));
    if (auto opened = session.open(); !opened)
        return opened;
    if (auto begun = session.run(QStringLiteral("BEGIN")); !begun)
        return begun.failure();
    if (auto upgraded = upgrade(session); !upgraded) {
        session.rollback();
        return upgraded;
    }
    if (auto done = session.run(QStringLiteral("COMMIT")); !done)
        return done.failure();
    return {};
}

QStringList installerGrants(const QString& role)
{
    const QString who = u'"' + QString(role).replace(u'"', QStringLiteral("\"\"")) + u'"';
    return {
        QStringLiteral("GRANT USAGE ON SCHEMA vexagrid TO %1").arg(who),
        QStringLiteral("GRANT SELECT ON vexagrid.meta, vexagrid.configurations, vexagrid.events "
                       "TO %1")
            .arg(who),
        QStringLiteral("GRANT INSERT (hash, content, name) ON vexagrid.configurations TO %1")
            .arg(who),
        QStringLiteral("GRANT INSERT (%1, origin) ON vexagrid.events TO %2")
            .arg(rows::kEventColumns, who),
    };
}

namespace {

// --- Pushing ------------------------------------------------------------------------------

// A hash list as one bound value (hashes are hex: nothing in them needs quoting).
QString hashArray(const QSet<QString>& hashes)
{
    return u'{' + QStringList(hashes.cbegin(), hashes.cend()).join(u',') + u'}';
}

// The configurations the events name that the server does not have yet, as rows to insert.
Expected<QList<QVariantList>> missingConfigurations(Session& session, const Record& record,
                                                    const QList<Event>& events)
{
    QSet<QString> named;
    for (const Event& event : events) {
        if (!event.configurationHash.isEmpty())
            named.insert(event.configurationHash);
    }
    QList<QVariantList> missing;
    if (named.isEmpty())
        return missing;
    Expected<QSqlQuery> known = session.run(
        QStringLiteral("SELECT hash FROM vexagrid.configurations WHERE hash = ANY (?::text[])"),
        {hashArray(named)});
    if (!known)
        return known.failure();
    while (known->next())
        named.remove(known->value(0).toString());
    for (const QString& hash : std::as_const(named)) {
        Expected<StoredConfiguration> stored = record.configuration(hash);
        if (!stored)
            return stored.failure();
        missing.append({stored->hash, stored->content, rows::text(stored->name)});
    }
    return missing;
}

// One column of `rows` as PostgreSQL's array input reads it: each value quoted (bytes in
// hex), NULL for none.
QString arrayOf(const QList<QVariantList>& rows, int column)
{
    QString array(1, u'{');
    for (const QVariantList& row : rows) {
        if (array.size() > 1)
            array += u',';
        const QVariant& value = row.at(column);
        if (value.isNull()) {
            array += QStringLiteral("NULL");
            continue;
        }
        QString text =
            value.typeId() == QMetaType::QByteArray
                ? QStringLiteral("\\x") + QString::fromLatin1(value.toByteArray().toHex())
                : value.toString();
        text.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
        array += u'"' + text + u'"';
    }
    return array + u'}';
}

// Inserts `rows` into `table` in one statement, leaving those the server has: an array per
// column (of `types`), bound and unnested by the server, which parses far less than rows of
// values. How many were new.
Expected<qint64> insertRows(Session& session, const QString& table, const QString& columns,
                            const QStringList& types, const QList<QVariantList>& rows)
{
    if (rows.isEmpty())
        return 0;
    QVariantList arrays;
    QStringList unnested;
    for (int column = 0; column < types.size(); ++column) {
        arrays << arrayOf(rows, column);
        unnested << QStringLiteral("?::%1[]").arg(types.at(column));
    }
    Expected<QSqlQuery> done = session.run(
        QStringLiteral("INSERT INTO %1 (%2) SELECT * FROM unnest(%3) ON CONFLICT DO NOTHING")
            .arg(table, columns, unnested.join(QStringLiteral(", "))),
        arrays);
    if (!done)
        return done.failure();
    return qMax(0, done->numRowsAffected());
}

// The events as rows of the server's events table.
Expected<qint64> insertEvents(Session& session, const QList<Event>& events, const QString& origin)
{
    QList<QVariantList> rows;
    for (const Event& event : events)
        rows.append(rows::eventValues(event) << origin);
    return insertRows(session, QStringLiteral("vexagrid.events"),
                      rows::kEventColumns + QStringLiteral(", origin"),
                      QStringList(rows.first().size(), QStringLiteral("text")), rows);
}

// One batch in one transaction: the configurations its events name, then the events; how
// many events were new to the server.
Expected<qint64> pushBatch(Session& session, const Record& record, const QList<Event>& events,
                           const QString& origin)
{
    if (auto begun = session.run(QStringLiteral("BEGIN")); !begun)
        return begun.failure();
    Expected<QList<QVariantList>> configurations = missingConfigurations(session, record, events);
    Expected<qint64> added =
        configurations.ok()
            ? insertRows(session, QStringLiteral("vexagrid.configurations"),
                         QStringLiteral("hash, content, name"),
                         {QStringLiteral("text"), QStringLiteral("bytea"), QStringLiteral("text")},
                         *configurations)
            : Expected<qint64>(configurations.failure());
    if (added)
        added = insertEvents(session, events, origin);
    if (!added) {
        session.rollback();
        return added.failure();
    }
    if (auto done = session.run(QStringLiteral("COMMIT")); !done)
        return done.failure();
    return added;
}

// The mark this record leaves on what it sends, made at its first sync.
Expected<QString> originOf(Record& record)
{
    Expected<std::optional<QString>> stored = record.setting(kOriginKey);
    if (!stored)
        return stored.failure();
    if (stored->has_value())
        return **stored;
    const QString origin = newId();
    if (auto set = record.setSetting(kOriginKey, origin); !set)
        return set.failure();
    return origin;
}

// A failure that stopped a sync, with what it had done by then.
Failure stopped(Failure failure, const SyncReport& report)
{
    failure.details.insert(QStringLiteral("pushed"), report.pushed);
    failure.details.insert(QStringLiteral("pulled"), report.pulled);
    return failure;
}

Expected<void> pushAll(Session& session, Record& record, const QString& origin,
                       const SyncOptions& options, SyncReport& report)
{
    for (;;) {
        if (options.deadline.hasExpired()) {
            report.complete = false;
            return {};
        }
        Expected<QList<Event>> batch = record.unpushed(options.batch);
        if (!batch)
            return batch.failure();
        if (batch->isEmpty())
            return {};
        Expected<qint64> added = pushBatch(session, record, *batch, origin);
        if (!added && added.failure().code == Code::RemoteGone && session.reconnectOnce())
            continue; // the same batch again, on the fresh connection
        if (!added)
            return added.failure();
        QStringList ids;
        for (const Event& event : std::as_const(*batch))
            ids << event.id;
        if (auto marked = record.markPushed(ids); !marked)
            return marked;
        report.pushed += batch->size();
        report.pushedNew += *added;
        if (options.afterBatch)
            options.afterBatch(report);
    }
}

// --- Pulling ------------------------------------------------------------------------------

// Where a pull stands: the arrival (UTC text) and id of the last event taken.
struct Cursor
{
    QString arrived;
    QString id;
};

// The configurations the pulled events name that this record lacks, as the server has them.
Expected<QList<QByteArray>> configurationsOf(Session& session, const Record& record,
                                             const QList<Event>& events)
{
    QSet<QString> hashes;
    for (const Event& event : events) {
        if (isHash(event.configurationHash) && !hashes.contains(event.configurationHash) &&
            !record.configuration(event.configurationHash).ok())
            hashes.insert(event.configurationHash);
    }
    QList<QByteArray> contents;
    if (hashes.isEmpty())
        return contents;
    Expected<QSqlQuery> query = session.run(
        QStringLiteral("SELECT content FROM vexagrid.configurations WHERE hash = ANY (?::text[])"),
        {hashArray(hashes)});
    if (!query)
        return query.failure();
    while (query->next())
        contents << query->value(0).toByteArray();
    return contents;
}

// One page of the others' events after `cursor` (`overlap` before it on the first page)
// into the record; false when there was none.
Expected<bool> pullPage(Session& session, Record& record, const QString& origin,
                        const QString& overlap, Cursor& cursor, SyncReport& report)
{
    Expected<QSqlQuery> query =
        session.run(QStringLiteral(R"(SELECT %1, to_char(arrived_at AT TIME ZONE 'UTC',
                'YYYY-MM-DD"T"HH24:MI:SS.US"Z"')
            FROM vexagrid.events
            WHERE (arrived_at, id) > (?::timestamptz - ?::interval, ?) AND origin <> ?
            ORDER BY arrived_at, id LIMIT ?)")
                        .arg(rows::kEventColumns),
                    {cursor.arrived, overlap, cursor.id, origin, kPullPage});
    if (!query)
        return query.failure();
    QList<Event> events;
    Cursor last = cursor;
    while (query->next()) {
        events << rows::eventFromRow(*query);
        last = {query->value(rows::kTexts + 8).toString(), events.last().id};
    }
    if (events.isEmpty())
        return false;
    Expected<QList<QByteArray>> contents = configurationsOf(session, record, events);
    if (!contents)
        return contents.failure();
    Expected<BundleCounts> stored = record.insertSettled(*contents, events, false);
    if (!stored)
        return stored.failure();
    report.pulled += stored->newEvents;
    cursor = last;
    return true;
}

Expected<void> pullAll(Session& session, Record& record, const QString& origin,
                       const SyncOptions& options, SyncReport& report)
{
    const QString key = kCursorKey + session.url().text();
    Expected<std::optional<QString>> stored = record.setting(key);
    if (!stored)
        return stored.failure();
    Cursor cursor{stored->value_or(QStringLiteral("1970-01-01T00:00:00Z")), QString()};
    QString overlap = kOverlap;
    for (;;) {
        if (options.deadline.hasExpired()) {
            report.complete = false;
            break;
        }
        Expected<bool> more = pullPage(session, record, origin, overlap, cursor, report);
        if (!more && more.failure().code == Code::RemoteGone && session.reconnectOnce())
            continue;
        if (!more)
            return more.failure();
        if (!*more)
            break;
        overlap = QStringLiteral("0");
        if (auto set = record.setSetting(key, cursor.arrived); !set)
            return set;
    }
    return {};
}

} // namespace

Expected<SyncReport> sync(Record& record, const Url& url, const SyncOptions& options)
{
    SyncReport report;
    Session session(url, options.deadline);
    if (auto opened = session.open(); !opened)
        return opened.failure();
    if (auto checked = checkVersion(session); !checked)
        return checked.failure();
    Expected<QString> origin = originOf(record);
    if (!origin)
        return origin.failure();
    if (auto pushed = pushAll(session, record, *origin, options, report); !pushed)
        return stopped(pushed.failure(), report);
    if (report.complete) {
        if (auto pulled = pullAll(session, record, *origin, options, report); !pulled)
            return stopped(pulled.failure(), report);
    }
    Expected<qint64> left = record.unpushedCount();
    if (!left)
        return left.failure();
    report.unsynced = *left;
    return report;
}

Expected<SyncReport> syncBriefly(Record& record, const Url& url, std::chrono::milliseconds budget)
{
    SyncOptions options;
    options.deadline = QDeadlineTimer(budget);
    return sync(record, url, options);
}

QString unsyncedText(qint64 count)
{
    return QStringLiteral("Szinkronizálatlan: %1").arg(count);
}

} // namespace record::remote
