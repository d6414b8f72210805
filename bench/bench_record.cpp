// The record on a big history: the time of the questions the history commands ask, and what
// one more event costs on the disk.
//
//   bench_record [--events N] [--modules M] [--keep FILE]
//
// Generates a record of N events (1,000,000) over M modules (5,000) in a temporary folder, in
// big transactions: two years of installers' work from three laptops, with the usual mix of
// operations, a few failures, and four configurations per module. Then times each question
// (its first answer and the median of five) and stores 1,000 more events whose configuration
// is already there, one transaction each as the programs do, to see how much the file grows.

#include "record/record.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>

using record::Event;
using record::Operation;
using record::State;

namespace {

constexpr int kVersions = 4;
constexpr int kBatch = 20000;

QStringList configurationOf(int module, int version)
{
    QStringList lines(172, QStringLiteral("0"));
    lines[0] = QStringLiteral("+");
    lines[1] = QStringLiteral("36309888000");
    lines[2] = QStringLiteral("0000");
    lines[3] = QStringLiteral("%1").arg(module, 4, 10, QLatin1Char('0'));
    lines[4] = QStringLiteral("Szivattyu %1").arg(module);
    lines[6] = QStringLiteral("%1").arg(5 + version, 4, 10, QLatin1Char('0'));
    for (int row = 0; row < 8; ++row) // the telephone numbers, one more per version
        lines[58 - 16 + row] = row <= version ? QStringLiteral("3630%1").arg(module * 10 + row, 7,
                                                                             10, QLatin1Char('0'))
                                              : QString();
    return lines;
}

QString moduleId(int module)
{
    return QStringLiteral("%1").arg(module, 4, 10, QLatin1Char('0'));
}

struct Mix
{
    Operation operation;
    int percent;
};

// clang-format off
constexpr Mix kMix[] = {
    {Operation::Identify, 15}, {Operation::Status, 35}, {Operation::ReadOut, 20},
    {Operation::Write, 12},    {Operation::Backup, 8},  {Operation::Verify, 8},
    {Operation::Restore, 2},
};
// clang-format on

Operation pick(QRandomGenerator& random)
{
    int roll = int(random.bounded(100));
    for (const Mix& each : kMix) {
        if (roll < each.percent)
            return each.operation;
        roll -= each.percent;
    }
    return Operation::Status;
}

Event generated(QRandomGenerator& random, const QDateTime& start, qint64 spanSecs, int modules,
                QList<QByteArray>* configurations)
{
    static const QStringList operators = {"anna", "bela", "csaba", "dora", "elek"};
    static const QStringList hosts = {"terepi-1", "terepi-2", "iroda"};
    Event event;
    event.id = record::newId();
    event.runId = record::newId();
    event.operation = pick(random);
    event.state = State::Finished;
    const int module = 1 + int(random.bounded(modules));
    const qint64 offset = qint64(random.bounded(double(spanSecs)));
    event.startedAt = start.addSecs(offset).addMSecs(random.bounded(1000));
    event.finishedAt = event.startedAt.addMSecs(800 + random.bounded(4000));
    event.port = QStringLiteral("COM%1").arg(3 + module % 10);
    event.adapter = QStringLiteral("FT232R USB UART (FTDI)");
    event.adapterSerial = QStringLiteral("A10K%1").arg(module % 97, 4, 10, QLatin1Char('0'));
    event.identification = QStringLiteral("V_GRID3 V2.%1").arg(module % 3);
    event.firmware = QStringLiteral("2.%1").arg(module % 3);
    event.moduleId = moduleId(module);
    event.operatorName = operators.at(module % operators.size());
    event.host = hosts.at(int(random.bounded(hosts.size())));
    event.programVersion = QStringLiteral("1.03");
    const bool failed = random.bounded(100) < 5;
    if (failed)
        event.setOutcome(messages::Code::NoDevice, QStringLiteral("A kiválasztott porton nem "
                                                                  "található eszköz."));
    else
        event.message = QStringLiteral("Sikeres.");
    if (event.operation == Operation::Status && !failed)
        event.status = QJsonObject{{"signal", 4},     {"phaseR", true},   {"phaseS", true},
                                   {"phaseT", false}, {"output1", false}, {"output2", true}};
    if (event.operation == Operation::Verify && !failed)
        event.differences = QJsonArray();
    const bool carries = event.operation != Operation::Identify &&
                         event.operation != Operation::Status &&
                         (!failed || event.operation == Operation::Write);
    if (carries) {
        const int version = int(offset * kVersions / spanSecs);
        const QByteArray content = record::configurationContent(configurationOf(module, version));
        event.configurationHash = record::configurationHash(content);
        configurations->append(content);
    }
    return event;
}

double msSince(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// The processor time this program has used, which a machine busy with other work does not
// stretch as it stretches the wall-clock time.
double cpuMs()
{
    return double(std::clock()) * 1000.0 / CLOCKS_PER_SEC;
}

// The first answer, then the median of five more; wall-clock time and processor time.
void timed(const char* what, const std::function<qsizetype()>& question)
{
    QElapsedTimer timer;
    timer.start();
    double cpu = cpuMs();
    const qsizetype rows = question();
    const double first = msSince(timer);
    const double firstCpu = cpuMs() - cpu;
    QList<double> again;
    QList<double> againCpu;
    for (int i = 0; i < 5; ++i) {
        timer.restart();
        cpu = cpuMs();
        question();
        again.append(msSince(timer));
        againCpu.append(cpuMs() - cpu);
    }
    std::sort(again.begin(), again.end());
    std::sort(againCpu.begin(), againCpu.end());
    std::printf("%-44s first %7.1f ms (cpu %6.1f)  median %7.1f ms (cpu %6.1f)  %lld rows\n", what,
                first, firstCpu, again.at(2), againCpu.at(2), static_cast<long long>(rows));
}

// The file's bytes in use, everything in the write-ahead log written back first.
qint64 usedBytes(const QString& path)
{
    qint64 used = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "size");
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery query(db);
            query.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
            query.exec(QStringLiteral("SELECT (page_count - freelist_count) * page_size FROM "
                                      "pragma_page_count, pragma_freelist_count, "
                                      "pragma_page_size"));
            if (query.next())
                used = query.value(0).toLongLong();
        }
    }
    QSqlDatabase::removeDatabase("size");
    return used;
}

bool generate(record::Record& record, int events, int modules)
{
    QRandomGenerator random(20261209);
    const QDateTime start(QDate(2024, 12, 1), QTime(7, 0), Qt::UTC);
    const qint64 span = 2 * 365 * 24 * 3600LL;
    QElapsedTimer timer;
    timer.start();
    for (int done = 0; done < events; done += kBatch) {
        QList<QByteArray> configurations;
        QList<Event> batch;
        for (int i = 0; i < std::min(kBatch, events - done); ++i)
            batch.append(generated(random, start, span, modules, &configurations));
        std::sort(configurations.begin(), configurations.end());
        configurations.erase(std::unique(configurations.begin(), configurations.end()),
                             configurations.end());
        const Expected<record::BundleCounts> stored =
            record.insertSettled(configurations, batch, true);
        if (!stored) {
            std::fprintf(stderr, "%s\n", qPrintable(stored.failure().message));
            return false;
        }
    }
    std::printf("generated %d events over %d modules in %.1f s: %.1f MiB, %.0f bytes an event\n",
                events, modules, msSince(timer) / 1000,
                double(usedBytes(record.path())) / (1 << 20),
                double(usedBytes(record.path())) / events);
    return true;
}

void ask(record::Record& record, int modules)
{
    const QString busy = moduleId(modules / 2);
    timed("history (the newest 50)", [&] {
        record::EventFilter filter;
        filter.limit = 50;
        return record.events(filter)->size();
    });
    timed("history --module ID (its events)", [&] {
        record::EventFilter filter;
        filter.moduleId = busy;
        return record.events(filter)->size();
    });
    // What the command shows beside each write: how many fields changed since the module's
    // previous configuration.
    timed("history --module ID (and each write's change)", [&] {
        record::EventFilter filter;
        filter.moduleId = busy;
        const QList<Event> events = *record.events(filter);
        qsizetype changed = 0;
        for (const Event& event : events) {
            if (event.operation != Operation::Write || event.configurationHash.isEmpty())
                continue;
            const auto before = *record.previousConfiguration(event);
            if (!before)
                continue;
            const QStringList now = record.configuration(event.configurationHash)->lines();
            const QStringList then = record.configuration(before->configurationHash)->lines();
            changed += now != then ? 1 : 0;
        }
        return events.size() + changed * 0;
    });
    timed("history modules", [&] { return record.modules()->size(); });
    timed("history search TEXT (a telephone number)", [&] {
        return record
            .modulesHolding(
                QStringLiteral("3630%1").arg(modules / 3 * 10 + 1, 7, 10, QLatin1Char('0')))
            ->size();
    });
    timed("history search TEXT (a name, any case)",
          [&] { return record.modulesHolding(QStringLiteral("SZIVATTYU 42"))->size(); });
    timed("history show --module ID --at TIME", [&] {
        const QDateTime at(QDate(2025, 12, 1), QTime(12, 0), Qt::UTC);
        return qsizetype(record.moduleConfigurationAt(busy, at)->has_value());
    });
    record::EventFilter newest;
    newest.limit = 1;
    const QString someId = record.events(newest)->first().id;
    timed("history show PREFIX", [&] { return qsizetype(record.event(someId.left(8)).ok()); });
    timed("count of every event", [&] { return qsizetype(*record.count({})); });
}

// One transaction per event, as the programs store them: half read-outs, half writes stored
// started and then finished.
void growth(record::Record& record, int modules)
{
    const qint64 before = usedBytes(record.path());
    constexpr int kMore = 1000;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kMore; ++i) {
        const int module = 1 + i % modules;
        Event event;
        event.runId = record::newId();
        event.operation = i % 2 ? Operation::Write : Operation::ReadOut;
        event.port = QStringLiteral("COM3");
        event.adapter = QStringLiteral("FT232R USB UART (FTDI)");
        event.identification = QStringLiteral("V_GRID3 V2.1");
        event.firmware = QStringLiteral("2.1");
        event.moduleId = moduleId(module);
        event.configuration = configurationOf(module, kVersions - 1);
        event.message = QStringLiteral("Sikeres.");
        const bool stored = event.operation == Operation::Write
                                ? record.start(event).ok() && record.finish(event).ok()
                                : record.add(event).ok();
        if (!stored) {
            std::fprintf(stderr, "an event could not be stored\n");
            return;
        }
    }
    const double ms = msSince(timer);
    const qint64 after = usedBytes(record.path());
    std::printf("%d more events (configuration already stored): %.0f bytes an event, "
                "%.1f ms a transaction\n",
                kMore, double(after - before) / kMore, ms / (kMore * 1.5));
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({"events", "events to generate", "N", "1000000"});
    parser.addOption({"modules", "modules they are about", "M", "5000"});
    parser.addOption({"keep", "keep the record in FILE (it must not exist)", "FILE"});
    parser.process(app);
    const int events = parser.value("events").toInt();
    const int modules = std::max(1, parser.value("modules").toInt());

    QTemporaryDir folder;
    const QString path = parser.isSet("keep") ? QFileInfo(parser.value("keep")).absoluteFilePath()
                                              : folder.filePath("record.sqlite");
    Expected<record::Record> opened = record::Record::open(path);
    if (!opened) {
        std::fprintf(stderr, "%s\n", qPrintable(opened.failure().message));
        return 1;
    }
    record::Record record = std::move(opened).value();
    if (*record.count({}) == 0 && !generate(record, events, modules))
        return 1;
    ask(record, modules);
    growth(record, modules);
    return 0;
}
