#include "record/database.h"

#include <QAtomicInteger>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QRecursiveMutex>
#include <QSqlError>

namespace record::db {

namespace {

// How long a statement waits for another program's write to end before it gives up.
constexpr int kBusyTimeoutMs = 10000;

struct Reason
{
    int code; // SQLite's primary result code
    const char* words;
};

// clang-format off
constexpr Reason kReasons[] = {
    {3,  "nincs jogosultság"},
    {5,  "egy másik program túl sokáig foglalja"},
    {6,  "egy másik program túl sokáig foglalja"},
    {7,  "elfogyott a memória"},
    {8,  "a fájl csak olvasható"},
    {10, "lemezhiba írás vagy olvasás közben"},
    {11, "a fájl sérült"},
    {13, "megtelt a lemez"},
    {14, "a fájl nem nyitható meg"},
    {19, "az adatok ellentmondanak az előzményeknek"},
    {23, "nincs jogosultság"},
    {26, "a fájl nem adatbázis"},
};
// clang-format on

// SQLite's code for "the file is locked by another connection".
constexpr int kBusy = 5;

QString reasonOfCode(int code)
{
    for (const Reason& each : kReasons) {
        if (each.code == code)
            return QString::fromUtf8(each.words);
    }
    return QStringLiteral("adatbázishiba (%1)").arg(code);
}

QString reasonOf(const QSqlError& error)
{
    bool numeric = false;
    const int code = error.nativeErrorCode().toInt(&numeric) & 0xFF;
    return numeric ? reasonOfCode(code) : QStringLiteral("adatbázishiba");
}

// The connections this process has open, by file: a file is looked at outside SQLite only
// while it has none (Connection::open says why); and the lock its writers queue on.
struct OpenFile
{
    int connections = 0;
    std::shared_ptr<QRecursiveMutex> writer = std::make_shared<QRecursiveMutex>();
};

struct OpenFiles
{
    QMutex mutex;
    QHash<QString, OpenFile> files;
};

OpenFiles& openFiles()
{
    static OpenFiles files;
    return files;
}

// One name per file, whatever link or relative path led to it.
QString fileKey(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

QJsonObject withSystemError(QJsonObject details, const QString& path, const QString& text)
{
    details.insert(QStringLiteral("path"), path);
    if (!text.isEmpty())
        details.insert(QStringLiteral("systemError"), text);
    return details;
}

} // namespace

QString fileReason(const QFileDevice& file)
{
    switch (file.error()) {
    case QFileDevice::PermissionsError:
        return QStringLiteral("nincs jogosultság");
    case QFileDevice::ResourceError:
        return QStringLiteral("nincs elég hely vagy erőforrás");
    case QFileDevice::ReadError:
        return QStringLiteral("olvasási hiba");
    case QFileDevice::WriteError:
        return QStringLiteral("írási hiba");
    case QFileDevice::OpenError:
        return QStringLiteral("nem nyitható meg");
    default:
        return QStringLiteral("fájlhiba");
    }
}

Failure unwritable(const QString& path, const QString& reason, QJsonObject details)
{
    return Failure(messages::Code::RecordUnwritable,
                   QStringLiteral("Az előzmények nem írhatók (%1): %2.").arg(path, reason),
                   withSystemError(std::move(details), path, QString()));
}

Failure unreadable(const QString& path, const QString& reason, QJsonObject details)
{
    return Failure(messages::Code::RecordUnreadable,
                   QStringLiteral("Az előzmények nem olvashatók (%1): %2.").arg(path, reason),
                   withSystemError(std::move(details), path, QString()));
}

Failure failed(messages::Code code, const QString& path, const QSqlError& error)
{
    const QJsonObject details{{QStringLiteral("systemError"), error.text()}};
    if (code == messages::Code::RecordUnwritable)
        return unwritable(path, reasonOf(error), details);
    return unreadable(path, reasonOf(error), details);
}

Connection::Connection(const QString& path) : m_path(path)
{
    static QAtomicInteger<quint64> counter;
    m_name = QStringLiteral("vexagrid-record-%1").arg(counter.fetchAndAddRelaxed(1));
}

Connection::~Connection()
{
    if (m_database.isValid())
        m_database.close();
    m_database = QSqlDatabase();
    if (QSqlDatabase::contains(m_name))
        QSqlDatabase::removeDatabase(m_name);
    // Only now that SQLite has let go of the file may another thread look at it.
    if (!m_file.isEmpty()) {
        OpenFiles& open = openFiles();
        const QMutexLocker lock(&open.mutex);
        if (--open.files[m_file].connections == 0)
            open.files.remove(m_file);
    }
}

Expected<void> Connection::open(const std::function<Expected<void>()>& checkFile)
{
    {
        OpenFiles& open = openFiles();
        const QMutexLocker lock(&open.mutex);
        if (!open.files.contains(fileKey(m_path))) {
            if (auto checked = checkFile(); !checked)
                return checked;
        }
        // Counted before SQLite opens it, so no other thread looks at it from here on.
        m_file = fileKey(m_path);
        OpenFile& file = open.files[m_file];
        ++file.connections;
        m_writer = file.writer;
    }
    m_database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    if (!m_database.isValid())
        return unwritable(m_path, QStringLiteral("a Qt SQLite-illesztője nem tölthető be "
                                                 "(libqt6sql6-sqlite)"));
    m_database.setDatabaseName(m_path);
    m_database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    if (!m_database.open())
        return failed(messages::Code::RecordUnwritable, m_path, m_database.lastError());
    // Per connection: the references between the tables are kept, and a commit is on the
    // disk before the call returns (a write's started event must survive a power cut).
    for (const char* pragma : {"PRAGMA foreign_keys = ON", "PRAGMA synchronous = FULL"}) {
        if (Expected<QSqlQuery> done = run(QLatin1String(pragma)); !done)
            return done.failure();
    }
    return {};
}

Expected<QSqlQuery> Connection::run(const QString& sql, const QVariantList& values,
                                    messages::Code code)
{
    QSqlQuery query(m_database);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        return failed(code, m_path, query.lastError());
    for (const QVariant& each : values)
        query.addBindValue(each);
    if (!query.exec())
        return failed(code, m_path, query.lastError());
    return query;
}

Expected<QVariant> Connection::value(const QString& sql, const QVariantList& values,
                                     messages::Code code)
{
    Expected<QSqlQuery> query = run(sql, values, code);
    if (!query)
        return query.failure();
    const QVariant answer = query->next() ? query->value(0) : QVariant();
    // A statement left on its first row would keep its read snapshot open.
    query->finish();
    return answer;
}

WriteTransaction::~WriteTransaction()
{
    rollback();
}

Expected<void> WriteTransaction::begin()
{
    // This process's writers queue here, where the lock passes from one to the next at once;
    // on SQLite's busy handler they would poll in naps of up to 100 ms.
    if (!m_connection.writer().tryLock(kBusyTimeoutMs))
        return unwritable(m_connection.path(), reasonOfCode(kBusy));
    Expected<QSqlQuery> begun =
        m_connection.run(QStringLiteral("BEGIN IMMEDIATE"), {}, messages::Code::RecordUnwritable);
    if (!begun) {
        m_connection.writer().unlock();
        return begun.failure();
    }
    m_open = true;
    return {};
}

Expected<void> WriteTransaction::commit()
{
    Expected<QSqlQuery> done =
        m_connection.run(QStringLiteral("COMMIT"), {}, messages::Code::RecordUnwritable);
    if (!done)
        return done.failure();
    m_open = false;
    m_connection.writer().unlock();
    return {};
}

void WriteTransaction::rollback()
{
    if (!m_open)
        return;
    m_open = false;
    QSqlQuery query(m_connection.database());
    query.exec(QStringLiteral("ROLLBACK"));
    m_connection.writer().unlock();
}

} // namespace record::db
