// sqlprobe: whether the Windows Qt's SQL drivers work as the record uses them, without the
// program (scaffolding for the Windows check until the command line's own history commands
// can show it).
//
//   sqlprobe.exe sqlite FILE
//       a SQLite file made anew: WAL, synchronous=FULL, a row written and read back in a
//       BEGIN IMMEDIATE transaction (Qt's transaction() sends a deferred BEGIN)
//   sqlprobe.exe psql HOST PORT DATABASE USER OPTIONS TEXT
//       a PostgreSQL server through QPSQL, with libpq's OPTIONS ("sslmode=require", several
//       joined by ";"); the password comes from where libpq takes it (PGPASSWORD, PGPASSFILE),
//       never from here. TEXT is inserted as a row, and the rows read back; the connection
//       must be encrypted, and its TLS is reported.
//
// Build: x86_64-w64-mingw32-g++-posix -std=c++17 -I$QT/include{,/QtCore,/QtSql} sqlprobe.cpp
//        -L$QT/lib -lQt6Sql -lQt6Core
// Prints each step; exit 0 when all went well, 1 when a step failed (it says which), 2 on
// wrong arguments.
#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QVariant>

#include <cstdio>

namespace {

void say(const QString& text)
{
    // UTF-8 whatever the console's code page: the output goes to a file.
    std::printf("%s\n", text.toUtf8().constData());
    std::fflush(stdout);
}

// Runs one statement; the first column of each row it returns, joined by "|", lands in
// `result`. Says what failed, and returns false, when it fails.
bool run(QSqlDatabase& db, const QString& sql, QString* result = nullptr)
{
    QSqlQuery query(db);
    if (!query.exec(sql)) {
        say(QStringLiteral("FAILED: %1: %2").arg(sql, query.lastError().text()));
        return false;
    }
    QStringList rows;
    while (query.next()) {
        QStringList columns;
        for (int i = 0; i < query.record().count(); ++i)
            columns << query.value(i).toString();
        rows << columns.join(QLatin1Char(','));
    }
    if (result)
        *result = rows.join(QLatin1Char('|'));
    return true;
}

bool expect(const QString& what, const QString& got, const QString& wanted)
{
    say(QStringLiteral("%1: %2").arg(what, got));
    if (got == wanted)
        return true;
    say(QStringLiteral("FAILED: %1 is not %2").arg(what, wanted));
    return false;
}

bool probeSqlite(const QString& file)
{
    QFile::remove(file);
    QFile::remove(file + QStringLiteral("-wal"));
    QFile::remove(file + QStringLiteral("-shm"));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("probe"));
    db.setDatabaseName(file);
    if (!db.open()) {
        say(QStringLiteral("FAILED: open %1: %2").arg(file, db.lastError().text()));
        return false;
    }
    QString value;
    if (!run(db, QStringLiteral("SELECT sqlite_version()"), &value))
        return false;
    say(QStringLiteral("SQLite %1, file %2").arg(value, file));
    if (!run(db, QStringLiteral("PRAGMA journal_mode=WAL"), &value) ||
        !expect(QStringLiteral("journal_mode"), value, QStringLiteral("wal")))
        return false;
    if (!run(db, QStringLiteral("PRAGMA synchronous=FULL")) ||
        !run(db, QStringLiteral("PRAGMA synchronous"), &value) ||
        !expect(QStringLiteral("synchronous (2 = FULL)"), value, QStringLiteral("2")))
        return false;
    const QStringList steps{
        QStringLiteral("CREATE TABLE probe (id INTEGER PRIMARY KEY, text TEXT NOT NULL)"),
        QStringLiteral("BEGIN IMMEDIATE"),
        QStringLiteral("INSERT INTO probe (text) VALUES ('árvíztűrő tükörfúrógép')"),
        QStringLiteral("COMMIT")};
    for (const QString& step : steps) {
        if (!run(db, step))
            return false;
        say(step);
    }
    if (!run(db, QStringLiteral("SELECT text FROM probe"), &value) ||
        !expect(QStringLiteral("read back"), value, QStringLiteral("árvíztűrő tükörfúrógép")))
        return false;
    db.close();
    say(QStringLiteral("%1: %2 bytes, %3-wal beside it: %4")
            .arg(file)
            .arg(QFile(file).size())
            .arg(file)
            .arg(QFile::exists(file + QStringLiteral("-wal")) ? QStringLiteral("yes")
                                                              : QStringLiteral("no")));
    return true;
}

bool probePsql(const QStringList& args)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("probe"));
    db.setHostName(args[0]);
    db.setPort(args[1].toInt());
    db.setDatabaseName(args[2]);
    db.setUserName(args[3]);
    db.setConnectOptions(args[4]);
    const QString source = qEnvironmentVariableIsSet("PGPASSWORD") ? QStringLiteral("PGPASSWORD")
                           : qEnvironmentVariableIsSet("PGPASSFILE")
                               ? QStringLiteral("PGPASSFILE ") + qEnvironmentVariable("PGPASSFILE")
                               : QStringLiteral("nowhere");
    say(QStringLiteral("connecting to %1@%2:%3/%4, %5, password from %6")
            .arg(args[3], args[0], args[1], args[2], args[4], source));
    if (!db.open()) {
        say(QStringLiteral("FAILED: connect: %1").arg(db.lastError().text()));
        return false;
    }
    QString value;
    if (!run(db, QStringLiteral("SELECT version()"), &value))
        return false;
    say(QStringLiteral("server: %1").arg(value));
    if (!run(db,
             QStringLiteral("SELECT ssl, version, cipher FROM pg_stat_ssl "
                            "WHERE pid = pg_backend_pid()"),
             &value))
        return false;
    say(QStringLiteral("TLS (ssl,version,cipher): %1").arg(value));
    if (!value.startsWith(QStringLiteral("true,"))) {
        say(QStringLiteral("FAILED: the connection is not encrypted"));
        return false;
    }
    if (!run(db, QStringLiteral("CREATE TABLE IF NOT EXISTS probe (id serial PRIMARY KEY, "
                                "text text NOT NULL)")))
        return false;
    // Bound, as every value the record sends.
    QSqlQuery insert(db);
    if (!insert.prepare(QStringLiteral("INSERT INTO probe (text) VALUES (?)"))) {
        say(QStringLiteral("FAILED: prepare: %1").arg(insert.lastError().text()));
        return false;
    }
    insert.addBindValue(args[5]);
    if (!insert.exec()) {
        say(QStringLiteral("FAILED: insert: %1").arg(insert.lastError().text()));
        return false;
    }
    say(QStringLiteral("inserted: %1").arg(args[5]));
    if (!run(db, QStringLiteral("SELECT text FROM probe ORDER BY id"), &value))
        return false;
    say(QStringLiteral("rows: %1").arg(value));
    return value.split(QLatin1Char('|')).contains(args[5]);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString mode = app.arguments().value(1);
    const QStringList args = app.arguments().mid(2);
    if (!(mode == QStringLiteral("sqlite") && args.size() == 1) &&
        !(mode == QStringLiteral("psql") && args.size() == 6)) {
        say(QStringLiteral("usage: sqlprobe sqlite FILE | "
                           "sqlprobe psql HOST PORT DATABASE USER OPTIONS TEXT"));
        return 2;
    }
    say(QStringLiteral("SQL drivers: %1").arg(QSqlDatabase::drivers().join(QLatin1Char(' '))));
    bool ok = mode == QStringLiteral("sqlite") ? probeSqlite(args[0]) : probePsql(args);
    QSqlDatabase::removeDatabase(QStringLiteral("probe"));
    return ok ? 0 : 1;
}
