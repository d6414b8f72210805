// The team's record on a PostgreSQL server on this machine (a throwaway one, over TCP with
// TLS): pushing a big history, a sync with nothing to do, and another laptop pulling it all.
//
//   bench_remote [--events N] [--modules M]
//
// Makes a record of N events (100,000) over M modules (5,000), four configurations per
// module, in a temporary folder; starts a server with tools/throwaway-postgres.sh; times
// the push, then five syncs with nothing to do (each a fresh connection, as a command makes
// one), then a second, empty record pulling everything.

#include "record/record.h"
#include "record/remote.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using record::Event;

namespace {

constexpr int kVersions = 4;
constexpr int kChunk = 20000;

QStringList configurationOf(int module, int version)
{
    QStringList lines(172, QStringLiteral("0"));
    lines[3] = QStringLiteral("%1").arg(module, 4, 10, QLatin1Char('0'));
    lines[4] = QStringLiteral("Szivattyu %1").arg(module);
    lines[60] = QStringLiteral("3630%1").arg(module * 10 + version, 7, 10, QLatin1Char('0'));
    return lines;
}

Event eventOf(int n, int modules, const QDateTime& start)
{
    const int module = n % modules;
    Event event;
    event.id = record::newId();
    event.runId = event.id;
    event.operation = n % 3 == 0 ? record::Operation::Write : record::Operation::ReadOut;
    event.state = record::State::Finished;
    event.port = QStringLiteral("COM%1").arg(3 + n % 4);
    event.moduleId = QStringLiteral("%1").arg(module, 4, 10, QLatin1Char('0'));
    event.host = QStringLiteral("laptop-%1").arg(n % 3);
    event.operatorName = QStringLiteral("szerelo");
    event.programVersion = QStringLiteral("1.0");
    event.configurationHash = record::configurationHash(
        record::configurationContent(configurationOf(module, (n / modules) % kVersions)));
    event.startedAt = start.addSecs(n * 60);
    event.finishedAt = event.startedAt.addSecs(40);
    return event;
}

// The history, made in big transactions.
bool fill(record::Record& local, int events, int modules)
{
    QList<QByteArray> configurations;
    for (int module = 0; module < modules; ++module) {
        for (int version = 0; version < kVersions; ++version)
            configurations << record::configurationContent(configurationOf(module, version));
    }
    if (!local.insertSettled(configurations, {}, true))
        return false;
    const QDateTime start = QDateTime::currentDateTimeUtc().addYears(-1);
    for (int first = 0; first < events; first += kChunk) {
        QList<Event> chunk;
        for (int n = first; n < std::min(events, first + kChunk); ++n)
            chunk << eventOf(n, modules, start);
        if (!local.insertSettled({}, chunk, true))
            return false;
    }
    return true;
}

QMap<QString, QString> startServer(const QString& script, const QString& folder)
{
    QProcess process;
    process.start(script, {QStringLiteral("start"), folder});
    process.waitForFinished(120000);
    QMap<QString, QString> server;
    for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
        if (line.contains('='))
            server.insert(QString::fromUtf8(line.left(line.indexOf('='))),
                          QString::fromUtf8(line.mid(line.indexOf('=') + 1)));
    }
    return server;
}

double seconds(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

int fail(const QString& what)
{
    std::fprintf(stderr, "bench_remote: %s\n", qPrintable(what));
    return 1;
}

// Five syncs with nothing to do; their median in milliseconds.
double idleSyncMs(record::Record& local, const record::remote::Url& url)
{
    QList<double> times;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (!record::remote::sync(local, url))
            return -1;
        times << seconds(timer) * 1000;
    }
    std::sort(times.begin(), times.end());
    return times.at(2);
}

int measure(const QString& folder, const record::remote::Url& url, int events, int modules)
{
    Expected<record::Record> local = record::Record::open(folder + QStringLiteral("/a.sqlite"));
    if (!local || !fill(*local, events, modules))
        return fail(QStringLiteral("the record could not be made"));
    if (auto made = record::remote::initRemote(url); !made)
        return fail(made.failure().message);
    QElapsedTimer timer;
    timer.start();
    const Expected<record::remote::SyncReport> pushed = record::remote::sync(*local, url);
    if (!pushed)
        return fail(pushed.failure().message);
    std::printf("push: %lld events (%d modules, %d configurations) in %.2f s (goal < 30 s)\n",
                pushed->pushed, modules, modules * kVersions, seconds(timer));
    std::printf("sync with nothing to do: %.0f ms, median of 5 (goal < 300 ms)\n",
                idleSyncMs(*local, url));
    Expected<record::Record> other = record::Record::open(folder + QStringLiteral("/b.sqlite"));
    if (!other)
        return fail(other.failure().message);
    timer.restart();
    const Expected<record::remote::SyncReport> pulled = record::remote::sync(*other, url);
    if (!pulled)
        return fail(pulled.failure().message);
    std::printf("another laptop pulling all: %lld events in %.2f s\n", pulled->pulled,
                seconds(timer));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("events"), QStringLiteral("events"), QStringLiteral("N"),
                      QStringLiteral("100000")});
    parser.addOption({QStringLiteral("modules"), QStringLiteral("modules"), QStringLiteral("M"),
                      QStringLiteral("5000")});
    parser.process(app);
    QTemporaryDir dir;
    const QString script = QStringLiteral(VEXAGRID_SOURCE_DIR "/tools/throwaway-postgres.sh");
    const QString folder = dir.filePath(QStringLiteral("postgres"));
    const QMap<QString, QString> server = startServer(script, folder);
    if (!server.contains(QStringLiteral("url")))
        return fail(QStringLiteral("no server"));
    qputenv("PGPASSFILE", QFile::encodeName(server.value(QStringLiteral("passfile"))));
    const Expected<record::remote::Url> url =
        record::remote::parseUrl(server.value(QStringLiteral("url")));
    const int status = url ? measure(dir.path(), *url, parser.value("events").toInt(),
                                     parser.value("modules").toInt())
                           : fail(url.failure().message);
    QProcess::execute(script, {QStringLiteral("stop"), folder});
    return status;
}
