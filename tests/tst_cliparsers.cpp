// The command line's parsers in-process: the --each table, the options, and the words for a
// port that does not open where only the probe can make it refuse (no permission, as root).
#include "cli/commands.h"
#include "cli/history.h"
#include "cli/options.h"
#include "cli/report.h"
#include "core/configcodec.h"
#include "core/configuration.h"
#include "device/conversations.h"
#include "device/portmap.h"
#include "fleet/csvtable.h"
#include "fleet/plan.h"
#include "tests/support/guilessmain.h"
#include "tests/support/simfixture.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <grp.h>
#include <unistd.h>

#include <cstdio>

namespace {

struct InProcess
{
    int exitCode = -1;
    QStringList out;
    QString err;
};

QString drain(std::FILE* file)
{
    std::fflush(file);
    std::rewind(file);
    QByteArray bytes;
    char buffer[4096];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, qsizetype(got));
    std::fclose(file);
    return QString::fromUtf8(bytes);
}

InProcess runCli(const QStringList& arguments)
{
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    cli::report::setStreams(out, err);
    InProcess run;
    run.exitCode = cli::main(QStringList{QStringLiteral("vexagrid-cli")} + arguments);
    cli::report::setStreams(stdout, stderr);
    run.out = drain(out).split(u'\n', Qt::SkipEmptyParts);
    run.err = drain(err);
    return run;
}

// "line:cell|cell" for every row of the table.
QStringList rowsOf(const fleet::csv::Table& table)
{
    QStringList rows;
    for (const fleet::csv::Row& row : table.rows)
        rows << QStringLiteral("%1:%2").arg(row.line).arg(row.cells.join(u'|'));
    return rows;
}

} // namespace

class TestCliParsers : public QObject
{
    Q_OBJECT

private slots:
    void table_data();
    void table();
    void planProblems_data();
    void planProblems();
    void options_data();
    void options();
    void times_data();
    void times();
    void recordForExchanges_data();
    void recordForExchanges();
    void help();
    void portDoesNotOpen_data();
    void portDoesNotOpen();
    void showExportsTheFile();
    void diffOfTwoFiles();
};

void TestCliParsers::table_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("error"); // "line:column:text"; "" for none

    // clang-format off
    QTest::newRow("commas") << QByteArray("port,m_id\nCOM3,0101\n")
                            << QStringList{"1:port|m_id", "2:COM3|0101"} << "";
    QTest::newRow("semicolons, CR LF, BOM")
        << QByteArray("\xEF\xBB\xBFport;m_nev\r\nCOM3;a,b\r\n")
        << QStringList{"1:port|m_nev", "2:COM3|a,b"} << "";
    QTest::newRow("quoted separator, doubled quote")
        << QByteArray("port,m_nev\nCOM3,\"a,\"\"b\"\"\"\n")
        << QStringList{"1:port|m_nev", "2:COM3|a,\"b\""} << "";
    QTest::newRow("line break inside quotes")
        << QByteArray("port,m_nev\nCOM3,\"a\nb\"\nCOM4,c\n")
        << QStringList{"1:port|m_nev", "2:COM3|a\nb", "4:COM4|c"} << "";
    QTest::newRow("blanks dropped, quoted kept")
        << QByteArray("port , m_nev\n COM3 ,\" x \" \n")
        << QStringList{"1:port|m_nev", "2:COM3| x "} << "";
    QTest::newRow("blank lines, lone CR")
        << QByteArray("port,m_id\r\rCOM3,1\n\n")
        << QStringList{"1:port|m_id", "3:COM3|1"} << "";
    QTest::newRow("trailing separator is an empty cell")
        << QByteArray("port,m_id\nCOM3,\n") << QStringList{"1:port|m_id", "2:COM3|"} << "";
    QTest::newRow("Latin-1, not UTF-8")
        << QByteArray("port,m_nev\nCOM3,K\xFAt\n")
        << QStringList{"1:port|m_nev", "2:COM3|K\u00fat"} << "";
    QTest::newRow("quote never closed")
        << QByteArray("port,m_nev\nCOM3,\"unterminated\nCOM4,b\n")
        << QStringList{"1:port|m_nev"} << "2:2:az idézőjel nincs lezárva";
    QTest::newRow("stray quote")
        << QByteArray("port,m_nev\nCOM3,ab\"c\n")
        << QStringList{"1:port|m_nev", "2:COM3|ab\"c"} << "2:2:szabálytalan idézőjel";
    QTest::newRow("text after the closing quote")
        << QByteArray("port,m_nev\nCOM3,\"a\"b\n")
        << QStringList{"1:port|m_nev", "2:COM3|a"} << "2:2:szöveg a záró idézőjel után";
    QTest::newRow("binary cell")
        << QByteArray("port,m_nev\nCOM3,a\x01\x02\n", 19)
        << QStringList{"1:port|m_nev", "2:COM3|a\x01\x02"} << "2:2:nem szöveges érték";
    // clang-format on
}

void TestCliParsers::table()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, rows);
    QFETCH(QString, error);
    const fleet::csv::Table table = fleet::csv::read(content);
    QCOMPARE(rowsOf(table), rows);
    if (error.isEmpty()) {
        QVERIFY(table.errors.isEmpty());
        return;
    }
    QCOMPARE(table.errors.size(), 1);
    const Failure& found = table.errors.first();
    QCOMPARE(found.code, messages::Code::BadTable);
    QCOMPARE(QStringLiteral("%1:%2:")
                 .arg(found.details.value("row").toInt())
                 .arg(found.details.value("column").toInt()),
             error.section(u':', 0, 1) + u':');
    QVERIFY2(found.message.startsWith(error.section(u':', 2)), qPrintable(found.message));
}

void TestCliParsers::planProblems_data()
{
    QTest::addColumn<QByteArray>("table");
    QTest::addColumn<QStringList>("places"); // "row:column:port" of each problem, in order
    QTest::addColumn<bool>("malformed");

    // clang-format off
    QTest::newRow("quote never closed") << QByteArray("port,m_nev\nCOM3,\"x\n") << QStringList{"2:2:"} << true;
    QTest::newRow("cells, header, ports")
        << QByteArray("port,m_nevv\nCOM3\nLPT1,a\nCOM4,a\nCOM4,b\n")
        << QStringList{"1:2:", "2:0:", "3:1:", "5:1:COM4"} << true;
    QTest::newRow("a column twice") << QByteArray("port,port\nCOM3,COM4\n") << QStringList{"1:2:"} << true;
    QTest::newRow("no port column") << QByteArray("m_id\n0101\n") << QStringList{"1:0:"} << true;
    QTest::newRow("no rows") << QByteArray("port,m_id\n") << QStringList{"0:0:"} << true;
    // The table is sound; the values of two rows are refused, each in the column that set it.
    QTest::newRow("refused values")
        << QByteArray("port,m_id\nCOM3,01a1\nCOM4,0102\nCOM5,x\n")
        << QStringList{"2:2:COM3", "4:2:COM5"} << false;
    // clang-format on
}

// Every problem of a plan says where it is, for a script, a record or a dialog that lists
// them: the table's row and column, and the module the row is for.
void TestCliParsers::planProblems()
{
    QFETCH(QByteArray, table);
    QFETCH(QStringList, places);
    QFETCH(bool, malformed);
    QTemporaryDir work;
    Configuration sample = Configuration::connected();
    sample.fillFromReadOut(SimModule::sampleFields());
    const QString file = work.filePath("x.vgf");
    QVERIFY(configfile::writeFile(file, sample.lines()));
    QFile csv(work.filePath("t.csv"));
    QVERIFY(csv.open(QIODevice::WriteOnly));
    csv.write(table);
    csv.close();

    const fleet::Plans plans = fleet::makePlans(file, QString(), {}, csv.fileName());
    QStringList found;
    for (const Failure& problem : plans.problems)
        found << QStringLiteral("%1:%2:%3")
                     .arg(problem.details.value("row").toInt())
                     .arg(problem.details.value("column").toInt())
                     .arg(problem.details.value("port").toString());
    QCOMPARE(found, places);
    QCOMPARE(plans.tableMalformed, malformed);
    QVERIFY(plans.frames.isEmpty() || !malformed);
}

void TestCliParsers::options_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error"); // the usage error; "" when it parses

    // clang-format off
    QTest::newRow("missing value")
        << QStringList{"identify", "--port"}
        << "a(z) --port kapcsoló után hiányzik az érték (--port P)";
    QTest::newRow("unknown option") << QStringList{"identify", "--bogus"} << "ismeretlen kapcsoló: --bogus";
    QTest::newRow("unknown short option") << QStringList{"identify", "-x"} << "ismeretlen kapcsoló: -x";
    QTest::newRow("switch with a value") << QStringList{"write", "--verify=1"}
                                         << "a(z) --verify kapcsoló nem kap értéket";
    QTest::newRow("given twice") << QStringList{"identify", "--port", "COM3", "--port=COM4"}
                                 << "a(z) --port kapcsoló csak egyszer adható meg";
    QTest::newRow("another command's option") << QStringList{"status", "--port", "COM3", "--verify"}
                                              << "a(z) --verify kapcsoló nem használható a(z) status paranccsal";
    QTest::newRow("baud outside the list") << QStringList{"identify", "--port", "COM3", "--baud", "1234"}
                                           << "hibás sebesség: --baud 1234 (lehet: 150, 200, 300";
    QTest::newRow("baud of the list") << QStringList{"identify", "--port", "COM3", "--baud=9600"} << "";
    QTest::newRow("options before the command") << QStringList{"--json", "-q", "ports"} << "";
    QTest::newRow("bad port") << QStringList{"status", "--port", "COM3,LPT1"} << "hibás port: \"LPT1\"";
    QTest::newRow("port twice") << QStringList{"status", "--port", "COM3,com3"} << "a(z) COM3 port kétszer szerepel";
    QTest::newRow("standard output for one port only")
        << QStringList{"read", "--port", "COM3,COM4", "-o", "-"} << "-o - (a szabványos kimenet) csak egy porttal";
    QTest::newRow("standard output, one port") << QStringList{"read", "--port", "COM3", "-o", "-"} << "";
    QTest::newRow("set needs a name") << QStringList{"check", "--set", "=x", "a.vgf"} << "--set NÉV=ÉRTÉK kell";
    QTest::newRow("set of no field") << QStringList{"check", "--set", "m_nevv=x", "a.vgf"} << "ismeretlen mezőnév: m_nevv";
    QTest::newRow("help of no command") << QStringList{"help", "frobnicate"} << "ismeretlen parancs: frobnicate";
    QTest::newRow("no command") << QStringList{"--json"} << "hiányzik a parancs (ports, identify";
    QTest::newRow("a family's command") << QStringList{"history", "show", "--module", "0101", "--at", "2026-03-01"} << "";
    QTest::newRow("a family's command in one word") << QStringList{"history show", "3f2a9c"} << "";
    QTest::newRow("record options anywhere") << QStringList{"--record", "r.sqlite", "history", "--failed"} << "";
    QTest::newRow("record turned off and named") << QStringList{"history", "--record", "r.sqlite", "--no-record"}
                                                 << "a --record és a --no-record együtt nem adható meg";
    QTest::newRow("a history option elsewhere") << QStringList{"status", "--port", "COM3", "--since", "2026-03-01"}
                                                << "a(z) --since kapcsoló nem használható a(z) status paranccsal";
    QTest::newRow("one port for history") << QStringList{"history", "--port", "COM3,COM4"} << "a history egy portot vesz";
    QTest::newRow("unknown operation") << QStringList{"history", "--op", "erase"} << "ismeretlen művelet: --op erase (lehet: identify, read";
    QTest::newRow("bad time") << QStringList{"history", "--until", "2026-02-30"} << "hibás idő: --until 2026-02-30";
    QTest::newRow("show an event or a module")
        << QStringList{"history", "show", "3f2a9c", "--module", "0101"} << "egy esemény vagy --module AZONOSÍTÓ kell, nem mindkettő";
    QTest::newRow("at without a module") << QStringList{"history", "show", "3f2a9c", "--at", "2026-03-01"}
                                         << "az --at csak a --module mellett használható";
    QTest::newRow("diff of three") << QStringList{"history", "diff", "aaaaaa", "bbbbbb", "cccccc"} << "fölösleges argumentum: cccccc";
    QTest::newRow("export needs an output") << QStringList{"history", "export", "3f2a9c"} << "a history export parancsnak kell a kimenet";
    QTest::newRow("prune keeps some") << QStringList{"history", "prune", "--yes"} << "a history prune parancsnak kell a --keep-last N";
    QTest::newRow("restore writes one event") << QStringList{"restore", "3f2a9c", "--each", "t.csv"} << "a(z) --each kapcsoló nem használható a(z) restore paranccsal";
    QTest::newRow("prune keeps at least one") << QStringList{"history", "prune", "--keep-last", "0"} << "hibás szám: --keep-last 0";
    QTest::newRow("a command of two words") << QStringList{"history", "sync", "--remote", "postgresql://a@b/c"} << "";
    QTest::newRow("its second word, not a file") << QStringList{"history", "init-remote", "postgresql://a@b/c"} << "";
    QTest::newRow("a file after two words") << QStringList{"history", "sync", "x.vgf"} << "fölösleges argumentum: x.vgf";
    QTest::newRow("no such second word") << QStringList{"history", "frobnicate"} << "fölösleges argumentum: frobnicate";
    // clang-format on
}

void TestCliParsers::options()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    const Expected<cli::Parsed> parsed = cli::parse(QStringList{"vexagrid-cli"} + arguments);
    if (error.isEmpty()) {
        QCOMPARE(parsed.ok() ? QString() : parsed.failure().message, QString());
        QCOMPARE(parsed->kind, cli::Parsed::Run);
        return;
    }
    QVERIFY(!parsed.ok());
    QCOMPARE(parsed.failure().code, messages::Code::Usage);
    QVERIFY2(parsed.failure().message.startsWith(error), qPrintable(parsed.failure().message));
}

void TestCliParsers::times_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<cli::DateAlone>("dateAlone");
    QTest::addColumn<QDateTime>("time"); // invalid: refused

    const QDate day(2026, 3, 1);
    QTest::newRow("a date: its start")
        << "2026-03-01" << cli::DateAlone::Start << QDateTime(day, QTime(0, 0));
    QTest::newRow("a date: up to its end")
        << "2026-03-01" << cli::DateAlone::NextStart << QDateTime(day.addDays(1), QTime(0, 0));
    QTest::newRow("a date: as it ended")
        << "2026-03-01" << cli::DateAlone::LastMoment << QDateTime(day, QTime(23, 59, 59, 999));
    QTest::newRow("minutes, local")
        << "2026-03-01T08:30" << cli::DateAlone::NextStart << QDateTime(day, QTime(8, 30));
    QTest::newRow("seconds after a space")
        << " 2026-03-01 08:30:15 " << cli::DateAlone::Start << QDateTime(day, QTime(8, 30, 15));
    QTest::newRow("UTC") << "2026-03-01T08:30Z" << cli::DateAlone::Start
                         << QDateTime(day, QTime(8, 30), Qt::UTC);
    QTest::newRow("a word") << "tegnap" << cli::DateAlone::Start << QDateTime();
    QTest::newRow("no such day") << "2026-02-30" << cli::DateAlone::Start << QDateTime();
    QTest::newRow("a time alone") << "08:30" << cli::DateAlone::Start << QDateTime();
}

void TestCliParsers::times()
{
    QFETCH(QString, text);
    QFETCH(cli::DateAlone, dateAlone);
    QFETCH(QDateTime, time);
    const QDateTime parsed = cli::parseTime(text, dateAlone);
    QCOMPARE(parsed.isValid(), time.isValid());
    if (time.isValid())
        QCOMPARE(parsed.toUTC(), time.toUTC());
}

void TestCliParsers::recordForExchanges_data()
{
    QTest::addColumn<QString>("record"); // "off", "fresh", "text", "in a file"
    QTest::addColumn<cli::history::Need>("need");
    QTest::addColumn<QString>("failure"); // the plan's failure; "" when it goes on
    QTest::addColumn<bool>("recorded");
    QTest::addColumn<QString>("warning");

    const auto required = cli::history::Need::Required;
    const auto optional = cli::history::Need::Optional;
    QTest::newRow("turned off") << "off" << required << "" << false << "";
    QTest::newRow("a fresh record") << "fresh" << required << "" << true << "";
    QTest::newRow("no record stops a write")
        << "text" << required << "nem a program előzményfájlja" << false << "";
    QTest::newRow("an unwritable record stops a write")
        << "in a file" << required << "A modulhoz nem fordult" << false << "";
    QTest::newRow("a read goes on with a warning")
        << "in a file" << optional << "" << false << "Figyelmeztetés: Az előzmények nem írhatók";
}

// Whether a command may touch a module, as its record allows; a write never starts unrecorded.
void TestCliParsers::recordForExchanges()
{
    QFETCH(QString, record);
    QFETCH(cli::history::Need, need);
    QFETCH(QString, failure);
    QFETCH(bool, recorded);
    QFETCH(QString, warning);
    QTemporaryDir dir;
    cli::Options options;
    options.noRecord = record == "off";
    options.recordFile = dir.filePath("record.sqlite");
    if (record == "text" || record == "in a file") {
        QFile text(dir.filePath("record.sqlite"));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("nem előzmény\n");
    }
    if (record == "in a file")
        options.recordFile = dir.filePath("record.sqlite/record.sqlite");

    std::FILE* err = std::tmpfile();
    cli::report::setStreams(stdout, err);
    const auto opened = cli::history::forExchanges(options, need);
    cli::report::setStreams(stdout, stderr);
    const QString said = drain(err);
    QCOMPARE(opened.ok(), failure.isEmpty());
    if (!opened) {
        QVERIFY2(opened.failure().message.contains(failure), qPrintable(opened.failure().message));
        return;
    }
    QCOMPARE(opened->has_value(), recorded);
    QVERIFY2(warning.isEmpty() ? said.isEmpty() : said.startsWith(warning), qPrintable(said));
}

// Each command's help: its synopsis, its options and an example, however it is asked for.
void TestCliParsers::help()
{
    for (const cli::CommandInfo& command : cli::commandTable()) {
        const QString name = QLatin1String(command.name);
        const InProcess asked = runCli({"help", name});
        const InProcess flag = runCli({name, "--help"});
        QCOMPARE(asked.exitCode, 0);
        QCOMPARE(flag.out, asked.out);
        const QString text = asked.out.join(u'\n');
        QVERIFY2(text.startsWith("Használat: vexagrid-cli " + name), qPrintable(text));
        QVERIFY(text.contains("\nPélda:\n  vexagrid-cli " + name));
        for (const cli::CommandOption& option : command.options)
            QVERIFY2(text.contains(QStringLiteral("--") + QLatin1String(option.name)),
                     qPrintable(name + " " + option.name));
    }
    QVERIFY(runCli({"--help"}).out.join(u'\n').contains("Kilépési kód: 0"));
}

void TestCliParsers::portDoesNotOpen_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("refuse"); // the probe refuses COM3 as a user outside its group
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("reason");

    const QString noPermission = "COM3: nem nyitható meg: nincs jogosultság. Megoldás: sudo "
                                 "usermod -aG dialout $USER, majd jelentkezzen be újra.";
    const QString missing = "COM7: nem nyitható meg: nincs ilyen port.";
    const QString file = QStringLiteral("x.vgf");
    for (const char* name : {"identify", "write", "read"}) {
        const QString command = QLatin1String(name);
        QStringList extra;
        if (command == QLatin1String("write"))
            extra << file;
        if (command == QLatin1String("read"))
            extra << "-o"
                  << "out.vgf";
        QTest::newRow(qPrintable(command + ", no permission"))
            << (QStringList{command, "--port", "COM3"} + extra) << true << noPermission
            << "no-permission";
        QTest::newRow(qPrintable(command + ", no such port"))
            << (QStringList{command, "--port", "COM7"} + extra) << false << missing << "missing";
    }
}

// As root every device opens, so the probe stands in for a device of the dialout group that
// the user may not open; no read-out or write request is ever made.
void TestCliParsers::portDoesNotOpen()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, refuse);
    QFETCH(QString, line);
    QFETCH(QString, reason);

    SimFixture fixture;
    QTemporaryDir work;
    const QString device = work.filePath("ttyUSB0");
    QFile node(device);
    QVERIFY(node.open(QIODevice::WriteOnly));
    node.close();
    const struct group* dialout = ::getgrnam("dialout");
    if (!dialout || ::chown(QFile::encodeName(device).constData(), uid_t(-1), dialout->gr_gid) != 0)
        QSKIP("cannot give a file the dialout group here");
    QVERIFY(fixture.addEntry("com3", device));
    PortMap::Probe probe;
    probe.open = [device](const QString& path) {
        return path == device ? PortMap::OpenResult{false, PortMap::PortState::Reason::NoPermission,
                                                    "Permission denied"}
                              : PortMap::openDevice(path);
    };
    if (refuse)
        PortMap::setProbe(probe);
    // A file the download's checks let through: the simulated module's sample, read out.
    Configuration sample = Configuration::connected();
    sample.fillFromReadOut(SimModule::sampleFields());
    QVERIFY(configfile::writeFile(work.filePath("x.vgf"), sample.lines()));
    const QString before = QDir::currentPath();
    QDir::setCurrent(work.path());

    const InProcess text = runCli(arguments);
    const InProcess json = runCli(arguments + QStringList{"--json"});
    // The exchange's own failure, which the window and the record take: the same words.
    const QString port = arguments.at(2);
    const Failure failure = conversation::identify(port, 1200).failure();
    PortMap::setProbe({});
    QDir::setCurrent(before);
    QCOMPARE(text.exitCode, 1);
    QCOMPARE(text.out, QStringList{line});
    const QJsonObject object = QJsonDocument::fromJson(json.out.value(0).toUtf8()).object();
    QCOMPARE(object.value("error").toString(), QStringLiteral("open-failed"));
    QCOMPARE(object.value("reason").toString(), reason);
    QCOMPARE(object.value("systemError").toString(),
             refuse ? QStringLiteral("Permission denied") : QString());
    QVERIFY(!QFile::exists(work.filePath("out.vgf")));
    QCOMPARE(messages::codeName(failure.code), object.value("error").toString());
    QCOMPARE(port + QStringLiteral(": ") + failure.message, line);
    QCOMPARE(failure.details.keys(), (QStringList{"reason", "systemError"}));
    QCOMPARE(failure.details.value("reason"), object.value("reason"));
    QCOMPARE(failure.details.value("systemError"), object.value("systemError"));
}

// show --json of a file gives back every value the file holds, by object name.
void TestCliParsers::showExportsTheFile()
{
    QTemporaryDir work;
    for (quint32 seed = 1; seed <= 20; ++seed) {
        QRandomGenerator random(seed);
        QStringList lines;
        for (const fields::Field& field : fields::all()) {
            if (field.widget != fields::Widget::LineEdit) {
                lines << QString::number(random.bounded(2));
                continue;
            }
            QString text;
            const int length = random.bounded(field.maxLength + 1);
            for (int i = 0; i < length; ++i)
                text += QChar(char16_t(random.bounded(0x20, 0x7F)));
            lines << text;
        }
        // A file as the window saves it: opened once, what stays of it.
        Configuration config = Configuration::connected();
        QVERIFY(config.load(lines));
        const QString file = work.filePath(QStringLiteral("random%1.vgf").arg(seed));
        QVERIFY(configfile::writeFile(file, config.lines()));

        const InProcess run = runCli({"show", "--json", "--all", "--pin", file});
        QCOMPARE(run.exitCode, 0);
        const QJsonObject exported = QJsonDocument::fromJson(run.out.join(u'\n').toUtf8()).object();
        for (int index = 0; index < fields::kCount; ++index) {
            const fields::Field& field = fields::all()[std::size_t(index)];
            const QJsonValue value =
                exported.value(QLatin1String(field.name)).toObject().value("value");
            const QString line = config.lines().at(index);
            if (field.widget == fields::Widget::LineEdit)
                QCOMPARE(value.toString(), line);
            else
                QCOMPARE(value.toBool(), line == QLatin1String("1"));
        }
        const QJsonObject row = exported.value("t1").toObject().value("row").toObject();
        QCOMPARE(row.value("ring").toBool(), config.isChecked("cb_r_1"));
    }
}

void TestCliParsers::diffOfTwoFiles()
{
    QTemporaryDir work;
    Configuration sample = Configuration::connected();
    sample.fillFromReadOut(SimModule::sampleFields());
    const QString first = work.filePath("a.vgf");
    const QString second = work.filePath("b.vgf");
    QVERIFY(configfile::writeFile(first, sample.lines()));
    QVERIFY(configfile::writeFile(second, sample.lines()));

    InProcess run = runCli({"diff", first, second});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QStringList{first + " és " + second + ": Egyezik."});

    sample.setText("m_nev", "Kut 2");
    QVERIFY(configfile::writeFile(second, sample.lines()));
    run = runCli({"diff", first, second});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out,
             (QStringList{first + " és " + second + ": Eltér (1 mező):",
                          "  Modul neve: az elsőben \"Szivattyuhaz\"; a másodikban \"Kut 2\""}));
    QCOMPARE(runCli({"diff", first, work.filePath("none.vgf")}).exitCode, 2);
}

VEXAGRID_TEST_GUILESS_MAIN(TestCliParsers)
#include "tst_cliparsers.moc"
