#pragma once

#include "core/failure.h"

#include <QDeadlineTimer>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <optional>

// A team's record on a PostgreSQL server. Every machine keeps its own record (the source of
// truth of what it did) and pushes its settled events to the server, which ignores what it
// already has (the events' own ids are the keys); it pulls the others' events into its own
// record, so every question is answered locally, offline too. The server stamps each event
// with when it arrived and which database user sent it.
//
// Qt's PostgreSQL driver prepares SQL-level statements (so the server is reached directly,
// never through a transaction-pooling proxy), does not reconnect by itself (a sync reconnects
// once), and a failed statement aborts its transaction (the batch is rolled back and stays
// unpushed). Passwords come only from where PostgreSQL clients take them (PGPASSWORD, the
// password file) and are never shown.
namespace record {

class Record;

namespace remote {

// postgresql://user@host[:port]/database[?sslmode=...&sslrootcert=FILE], or for a Unix
// socket postgresql://user@/database?host=FOLDER[&port=N]
struct Url
{
    QString user;
    QString host; // a name, an address, or (from ?host=) a Unix socket's folder
    int port = 5432;
    QString database;
    QString sslMode;  // as asked, otherwise require, or prefer for a local host
    QString rootCert; // sslrootcert: the certificate that verify-ca and verify-full trust

    // Whether the server runs on this machine (a loopback address or a socket): no TLS needed.
    bool isLocal() const;
    // The URL as messages show it: never a password.
    QString text() const;
};

// The URL of a text; a failure (RemoteUrl) says what is wrong with it. A password in it is
// refused: it would stand in shell histories and process lists.
Expected<Url> parseUrl(const QString& text);
// `text` with any password in it replaced by "***": for every message that quotes a URL.
QString redacted(const QString& text);
// VEXAGRID_RECORD_REMOTE; none when unset or empty.
std::optional<QString> urlFromEnvironment();

// The version of the server's tables this program writes.
constexpr int kVersion = 1;

// Creates the server's tables, or upgrades older ones; a newer server is refused. Needs a
// role that may create a schema in the database (its owner).
Expected<void> initRemote(const Url& url);

// The statements an administrator runs to let `role` (an existing role) record and read the
// team's record but never change or delete what is there: it may only insert and select, and
// cannot set the arrival stamps.
QStringList installerGrants(const QString& role);

struct SyncReport
{
    qint64 pushed = 0;    // this machine's events sent
    qint64 pushedNew = 0; // of them, new to the server
    qint64 pulled = 0;    // other machines' events new to this record
    qint64 unsynced = 0;  // events still to push
    bool complete = true; // false: the time ran out first (the rest goes next time)
};

struct SyncOptions
{
    int batch = 1000; // events per transaction
    QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever);
    // After each pushed batch, with the counts so far.
    std::function<void(const SyncReport&)> afterBatch;
};

// Pushes this machine's unpushed events in batches (each one transaction; a batch that fails
// is rolled back and stays unpushed), then pulls the others' events that arrived since the
// last pull, with an overlap so that one committed late is not missed.
Expected<SyncReport> sync(Record& record, const Url& url, const SyncOptions& options = {});

// How long the sync after an exchange may take (a command's at its end, the window's in the
// background): long enough for a few batches, short enough that an unreachable server
// costs little.
constexpr std::chrono::milliseconds kBriefSync = std::chrono::seconds(3);

// A sync that gives up after `budget`: what follows an exchange. What is not done by then goes
// next time.
Expected<SyncReport> syncBriefly(Record& record, const Url& url,
                                 std::chrono::milliseconds budget = kBriefSync);

// How many of this machine's events wait for the server, as the user reads it.
QString unsyncedText(qint64 count);

} // namespace remote
} // namespace record
