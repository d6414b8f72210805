#pragma once

#include "core/failure.h"

#include <QFileDevice>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

#include <functional>
#include <memory>

class QRecursiveMutex;

// The record's own use of Qt SQL: one connection, its statements, its transactions and the
// words for what went wrong. Not for the callers of the record.
namespace record::db {

// What the user reads when the record cannot be written or read.
Failure unwritable(const QString& path, const QString& reason, QJsonObject details = {});
Failure unreadable(const QString& path, const QString& reason, QJsonObject details = {});
// The same from a failed statement: the database's error in Hungarian words, its own English
// words in the details ("systemError").
Failure failed(messages::Code code, const QString& path, const QSqlError& error);

// Why a file could not be opened, read or written, in a few Hungarian words.
QString fileReason(const QFileDevice& file);

// One SQLite connection under a name of its own, for the thread that made it. Qt cannot
// move a connection between threads; it is removed only after every query on it is gone
// (they are all local to the functions that use them).
class Connection
{
public:
    explicit Connection(const QString& path);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Opens the file. `checkFile` looks at the file outside SQLite (its header; makes it when
    // missing) and runs only while no other connection of this process has the file open:
    // SQLite's locks are the process's POSIX locks, which closing any descriptor of the file
    // drops, those of this process's open connections included. Another program would then
    // take the record for unused and checkpoint and delete its write-ahead log under them.
    Expected<void> open(const std::function<Expected<void>()>& checkFile);
    const QString& path() const { return m_path; }
    QSqlDatabase& database() { return m_database; }
    // What this process's write transactions on the file take first; only once open.
    QRecursiveMutex& writer() { return *m_writer; }

    // Runs one statement with its values bound in order; the query, positioned before its
    // first row. `code` names the failure: unwritable for a change, unreadable for a question.
    Expected<QSqlQuery> run(const QString& sql, const QVariantList& values = {},
                            messages::Code code = messages::Code::RecordUnreadable);
    // Runs one statement whose answer is one value (a count, a pragma).
    Expected<QVariant> value(const QString& sql, const QVariantList& values = {},
                             messages::Code code = messages::Code::RecordUnreadable);

private:
    QString m_path;
    QString m_name;
    QString m_file; // the file as this process's open connections know it; empty until open
    std::shared_ptr<QRecursiveMutex> m_writer;
    QSqlDatabase m_database;
};

// A write transaction opened with BEGIN IMMEDIATE: it takes the write lock at once (waiting
// the busy time-out for it), so a transaction that reads before it writes never fails half
// way because another writer went first, as Qt's deferred BEGIN does. Rolled back unless
// committed.
class WriteTransaction
{
public:
    explicit WriteTransaction(Connection& connection) : m_connection(connection) {}
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;

    Expected<void> begin();
    Expected<void> commit();
    void rollback();

private:
    Connection& m_connection;
    bool m_open = false;
};

} // namespace record::db
