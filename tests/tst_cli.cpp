// vexagrid-cli end to end: the program run as a process against simulated modules, its
// exit codes, its lines, and what the modules received.
#include "core/configcodec.h"
#include "core/configuration.h"
#include "core/fieldchecks.h"
#include "tests/support/simfixture.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

struct Run
{
    int exitCode = -1;
    QStringList lines; // stdout
    QString err;
};

QString program()
{
    return qEnvironmentVariable("VEXAGRID_TEST_BIN_DIR") + QStringLiteral("/vexagrid-cli");
}

QString defaultsFile()
{
    return qEnvironmentVariable("VEXAGRID_TEST_SOURCE_DIR") +
           QStringLiteral("/resources/defval_vg.dll");
}

void prepare(QProcess& process, const SimFixture& fixture, const QStringList& arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VEXAGRID_DOSDEVICES"), fixture.deviceDirectory());
    process.setProcessEnvironment(environment);
    process.setProgram(program());
    process.setArguments(arguments);
}

Run finish(QProcess& process)
{
    Run run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.lines = QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

Run cli(const SimFixture& fixture, const QStringList& arguments)
{
    QProcess process;
    prepare(process, fixture, arguments);
    process.start();
    return finish(process);
}

// The window's state after connecting and reading these fields out.
Configuration readOutState(const QStringList& fields)
{
    Configuration config = Configuration::connected();
    config.load(configfile::readFile(defaultsFile()).value_or(QStringList()));
    config.fillFromReadOut(fields);
    return config;
}

// The simulated module's sample, on the 15 V range: loading a file never checks a button of
// the analog page (the layout disables it), so a module on 30 V always differs from a file.
QStringList sampleFields()
{
    QStringList fields = SimModule::sampleFields();
    fields[10] = QStringLiteral("0");
    return fields;
}

// The module's fields as a read-out gives them back.
QStringList trimmed(const QStringList& fields)
{
    QStringList list;
    for (const QString& field : fields) {
        QString text = field;
        while (text.endsWith(u' '))
            text.chop(1);
        list << text;
    }
    return list;
}

QJsonObject json(const QString& line)
{
    return QJsonDocument::fromJson(line.toUtf8()).object();
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void usageErrors_data();
    void usageErrors();
    void fileErrors();
    void overrides_data();
    void overrides();

    void readSavesWhatTheWindowSaves();
    void writeSendsTheWindowsFrame();
    void identifyStatusDiff();
    void ports();
    void allFindsOnlyModules();
    void threeModulesAtOnce_data();
    void threeModulesAtOnce();
    void eachRowItsOwnValues();
    void verifyCatchesAlteredStore();
    void backupComesFirst_data();
    void backupComesFirst();
    void interrupt_data();
    void interrupt();
    void watchEndsOnInterrupt();

private:
    QString sampleFile();

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestCli::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

// What `read` gives for the simulated module's sample configuration.
QString TestCli::sampleFile()
{
    const QString path = m_dir->filePath(QStringLiteral("sample.vgf"));
    if (!QFile::exists(path))
        configfile::writeFile(path, readOutState(sampleFields()).lines());
    return path;
}

void TestCli::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("culprit");
    const QString file = QStringLiteral("x.vgf");
    QTest::newRow("no command") << QStringList{} << "parancs";
    QTest::newRow("unknown command") << QStringList{"frobnicate"} << "frobnicate";
    QTest::newRow("unknown option")
        << QStringList{"identify", "--port", "COM3", "--bogus"} << "--bogus";
    QTest::newRow("option of another command")
        << QStringList{"read", "--port", "COM3", "-o", "x", "--verify"} << "--verify";
    QTest::newRow("no port") << QStringList{"write", file} << "port";
    QTest::newRow("bad port") << QStringList{"status", "--port", "COM3,LPT1"} << "LPT1";
    QTest::newRow("port out of range") << QStringList{"status", "--port", "COM33"} << "COM33";
    QTest::newRow("port twice") << QStringList{"identify", "--port", "COM3,com3"} << "COM3";
    QTest::newRow("unknown field") << QStringList{"check", "--set", "m_nevv=x", file} << "m_nevv";
    QTest::newRow("set without value") << QStringList{"check", "--set", "m_nev", file} << "m_nev";
    QTest::newRow("no file") << QStringList{"write", "--port", "COM3"} << "fájl";
    QTest::newRow("extra argument") << QStringList{"check", file, "y.vgf"} << "y.vgf";
    QTest::newRow("bad watch") << QStringList{"status", "--port", "COM3", "--watch", "0"}
                               << "--watch";
    QTest::newRow("one file for two ports")
        << QStringList{"read", "--port", "COM3,COM4", "-o", "one.vgf"} << "one.vgf";
    QTest::newRow("each and port")
        << QStringList{"write", "--each", "t.csv", "--port", "COM3", file} << "--each";
}

void TestCli::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, culprit);
    SimFixture fixture;
    const Run run = cli(fixture, arguments);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains(culprit), qPrintable(run.err));
    QVERIFY(run.lines.isEmpty());
}

void TestCli::fileErrors()
{
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    const QString shortFile = m_dir->filePath(QStringLiteral("short.vgf"));
    configfile::writeFile(shortFile, QStringList(171, QStringLiteral("0")));
    const QString csv = m_dir->filePath(QStringLiteral("each.csv"));
    QFile table(csv);
    QVERIFY(table.open(QIODevice::WriteOnly));
    table.write("port,m_nev,nincs_ilyen\nCOM3,a,b\n");
    table.close();

    Run run = cli(fixture, {"write", "--port", "COM3", "--base", defaultsFile(),
                            m_dir->filePath(QStringLiteral("missing.vgf"))});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.lines.value(0).endsWith(QStringLiteral("A kiválasztott fájl nem létezik.")),
             qPrintable(run.lines.join(u'\n')));

    run = cli(fixture, {"write", "--port", "COM3", "--base", defaultsFile(), shortFile});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.lines.value(0).contains(
        QStringLiteral("A kiválasztott file \"short.vgf\" nem nyitható meg a jelenlegi verzióval. "
                       "Kérem töltse le")));

    // A table naming a field the form does not have is a usage error, before any module.
    run = cli(fixture, {"write", "--each", csv, "--base", defaultsFile(), sampleFile()});
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.err.contains(QStringLiteral("nincs_ilyen")));
    QVERIFY(module->requests().isEmpty());
}

void TestCli::overrides_data()
{
    QTest::addColumn<QStringList>("sets");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("text");
    const QString locked = QStringLiteral("nem szerkeszthető");
    QTest::newRow("digits only") << QStringList{"m_pin=12a4"} << 1 << "Csak számok adhatóak meg!";
    QTest::newRow("telephone") << QStringList{"t3=+3630"} << 1
                               << "Csak valós telefonszámok adhatóak meg!";
    QTest::newRow("separator") << QStringList{"m_nev=a|b"} << 1 << "A | karakter nem használható!";
    QTest::newRow("accent") << QStringList{"be1_nev=Fázis"} << 1 << "Ékezetek nem használhatóak!";
    QTest::newRow("required") << QStringList{"m_nev="} << 1
                              << "Minden beviteli mezõ kitöltése kötelezõ! (m_nev)";
    QTest::newRow("too long") << QStringList{"m_nev=12345678901234567"} << 1 << "legfeljebb 16";
    QTest::newRow("fixed plus") << QStringList{"tplus_1=0"} << 1 << locked;
    QTest::newRow("hidden input") << QStringList{"be4_nev=x"} << 1 << locked;
    QTest::newRow("analog page") << QStringList{"max_be_30=1"} << 1 << locked;
    QTest::newRow("provider's number") << QStringList{"smskp=3612345"} << 1 << locked;
    QTest::newRow("custom provider")
        << QStringList{"smskp_combo=3", "smskp=3612345"} << 0 << "Rendben";
    QTest::newRow("box takes 0/1") << QStringList{"tc4_1=igen"} << 1 << "0 vagy 1";
    QTest::newRow("ring of an idle row") << QStringList{"cb_r_8=1"} << 1 << locked;
    QTest::newRow("ring after the row's alarm")
        << QStringList{"tc4_8=1", "cb_r_8=1"} << 0 << "Rendben";
    QTest::newRow("radio cannot be cleared") << QStringList{"r1_0=1", "r1_0=0"} << 1 << "r1_0";
    QTest::newRow("module id zero-filled") << QStringList{"m_id=7"} << 0 << "Rendben";
}

// The overrides are typed in as a user would, and the download's checks have the last word.
void TestCli::overrides()
{
    QFETCH(QStringList, sets);
    QFETCH(int, exitCode);
    QFETCH(QString, text);
    SimFixture fixture;
    QStringList arguments{"check", "--base", defaultsFile(), sampleFile()};
    for (const QString& set : sets)
        arguments << "--set" << set;
    const Run run = cli(fixture, arguments);
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(run.lines.size(), 1);
    QVERIFY2(run.lines.first().contains(text), qPrintable(run.lines.first()));
}

void TestCli::readSavesWhatTheWindowSaves()
{
    SimFixture fixture;
    QStringList fields = sampleFields();
    fields[3] = QStringLiteral("Kut 2");
    for (const QString& port : {QStringLiteral("COM3"), QStringLiteral("COM4")}) {
        SimModule* module = fixture.start(port);
        QVERIFY(module);
        QVERIFY(module->setFields(fields));
    }
    const QString dir = m_dir->filePath(QStringLiteral("out")) + u'/';
    const Run run =
        cli(fixture, {"read", "--port", "COM4,COM3", "-o", dir, "--base", defaultsFile()});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.lines.size(), 2);
    QVERIFY(run.lines.at(0).startsWith(QStringLiteral("COM3: ")));
    QVERIFY(run.lines.at(1).startsWith(QStringLiteral("COM4: ")));

    const QStringList expected = readOutState(trimmed(fields)).lines();
    for (const QString& name : {QStringLiteral("COM3.vgf"), QStringLiteral("COM4.vgf")}) {
        const std::optional<QStringList> saved = configfile::readFile(dir + name);
        QVERIFY(saved);
        QCOMPARE(*saved, expected);
    }
}

void TestCli::writeSendsTheWindowsFrame()
{
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    const Run run = cli(fixture, {"write", "--port", "COM3", "--base", defaultsFile(), "--set",
                                  "m_nev=Kut 7", "--set", "m_id=12", sampleFile()});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.lines, QStringList{QStringLiteral("COM3: Sikeres betöltés.")});

    // The window's Open and download on the same file and the same typed values.
    Configuration config = Configuration::connected();
    config.load(*configfile::readFile(defaultsFile()));
    config.load(*configfile::readFile(sampleFile()));
    config.setText(QStringLiteral("m_nev"), QStringLiteral("Kut 7"));
    config.setText(QStringLiteral("m_id"), QStringLiteral("0012"));
    const fieldchecks::Download download = fieldchecks::prepareDownload(config, u'|');
    QCOMPARE(download.outcome, fieldchecks::Download::Ready);
    QByteArray bytes = "~}";
    for (const QString& piece : download.frame.split(u'|'))
        bytes += piece.toLatin1() + '\r';
    QCOMPARE(module->writes().size(), 1);
    QCOMPARE(module->writes().first().bytes, bytes);

    QCOMPARE(trimmed(module->fields()).mid(2, 2), (QStringList{"0012", "Kut 7"}));
}

void TestCli::identifyStatusDiff()
{
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    SimStatus state;
    state.phaseAlarms[2] = true;
    state.outputs[1] = true;
    state.signal = 4;
    module->setStatus(state);

    Run run = cli(fixture, {"identify", "--port", "COM3"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.lines, QStringList{QStringLiteral("COM3: V_VEXAGRID-3 FW2.14")});

    run = cli(fixture, {"status", "--port", "COM3", "--json"});
    QCOMPARE(run.exitCode, 0);
    const QJsonObject status = json(run.lines.value(0));
    QCOMPARE(status.value("signal").toInt(), 4);
    QCOMPARE(status.value("phaseT").toString(), QStringLiteral("alarm"));
    QCOMPARE(status.value("phaseR").toString(), QStringLiteral("normal"));
    QCOMPARE(status.value("output2").toString(), QStringLiteral("on"));
    QCOMPARE(status.value("firmware").toString(), QStringLiteral("FW2.14"));

    // What a write leaves in the module is what diff expects there.
    QCOMPARE(
        cli(fixture, {"write", "--port", "COM3", "--base", defaultsFile(), sampleFile()}).exitCode,
        0);
    const QStringList diff{"diff", "--port", "COM3", "--base", defaultsFile(), sampleFile()};
    run = cli(fixture, diff);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.lines, QStringList{QStringLiteral("COM3: Egyezik.")});

    QVERIFY(module->setField(51, SimModule::phoneField(1, 0, true, QStringLiteral("36201112222"))));
    run = cli(fixture, diff + QStringList{"--set", "m_nev=Masik"});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.lines.value(0).contains(QStringLiteral("Eltér (2 mező)")) &&
                 run.lines.value(0).contains(QStringLiteral("Modul neve")) &&
                 run.lines.value(0).contains(QStringLiteral("3. telefonszám")),
             qPrintable(run.lines.value(0)));
}

void TestCli::ports()
{
    SimFixture fixture;
    QVERIFY(fixture.start(QStringLiteral("COM3")));
    SimModule* held = fixture.start(QStringLiteral("COM5"));
    QVERIFY(held);
    QVERIFY(fixture.addEntry(QStringLiteral("com9"), m_dir->filePath(QStringLiteral("gone"))));
    QSerialPort holder;
    holder.setPortName(held->slavePath());
    QVERIFY(holder.open(QIODevice::ReadWrite));

    const Run run = cli(fixture, {"ports", "--json"});
    QCOMPARE(run.exitCode, 0);
    // A dangling entry names no device that exists.
    QCOMPARE(run.lines.size(), 2);
    const QJsonObject free = json(run.lines.at(0));
    QCOMPARE(free.value("port").toString(), QStringLiteral("COM3"));
    QCOMPARE(free.value("ok").toBool(), true);
    QCOMPARE(free.value("device").toString(), fixture.module("COM3")->slavePath());
    const QJsonObject busy = json(run.lines.at(1));
    QCOMPARE(busy.value("port").toString(), QStringLiteral("COM5"));
    QCOMPARE(busy.value("ok").toBool(), false);
    QCOMPARE(busy.value("error").toString(), QStringLiteral("in-use"));
    QVERIFY(!busy.value("group").toString().isEmpty());
}

void TestCli::allFindsOnlyModules()
{
    SimFixture fixture;
    QVERIFY(fixture.start(QStringLiteral("COM3")));
    SimModule* other = fixture.start(QStringLiteral("COM6"));
    QVERIFY(other);
    other->setFault(SimModule::Fault::Garbage);
    const Run run = cli(fixture, {"identify", "--port", "all"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.lines, QStringList{QStringLiteral("COM3: V_VEXAGRID-3 FW2.14")});
}

void TestCli::threeModulesAtOnce_data()
{
    QTest::addColumn<bool>("asJson");
    QTest::newRow("lines") << false;
    QTest::newRow("json") << true;
}

// One good module, one silent, one that refuses the acknowledgement: each line says what
// happened to its own module.
void TestCli::threeModulesAtOnce()
{
    QFETCH(bool, asJson);
    SimFixture fixture;
    SimModule* good = fixture.start(QStringLiteral("COM3"));
    SimModule* silent = fixture.start(QStringLiteral("COM4"));
    SimModule* refusing = fixture.start(QStringLiteral("COM10"));
    QVERIFY(good && silent && refusing);
    silent->setFault(SimModule::Fault::Silent);
    refusing->setFault(SimModule::Fault::AckWrongTwice);

    QStringList arguments{"write",  "--port",       "COM10,COM4,COM3",
                          "--base", defaultsFile(), sampleFile()};
    if (asJson)
        arguments << "--json";
    const Run run = cli(fixture, arguments);
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.lines.size(), 3);
    if (asJson) {
        const QJsonObject first = json(run.lines.at(0));
        QCOMPARE(first.value("port").toString(), QStringLiteral("COM3"));
        QCOMPARE(first.value("ok").toBool(), true);
        QCOMPARE(json(run.lines.at(1)).value("error").toString(), QStringLiteral("no-device"));
        const QJsonObject last = json(run.lines.at(2));
        QCOMPARE(last.value("port").toString(), QStringLiteral("COM10"));
        QCOMPARE(last.value("error").toString(), QStringLiteral("not-acknowledged"));
        QCOMPARE(last.value("message").toString(),
                 QStringLiteral("Betöltés hiba. (a modul nem nyugtázta)"));
    } else {
        QCOMPARE(run.lines.at(0), QStringLiteral("COM3: Sikeres betöltés."));
        QCOMPARE(
            run.lines.at(1),
            QStringLiteral("COM4: A kiválasztott porton nem található csatlakoztatott eszköz."));
        QVERIFY(run.lines.at(2).startsWith(QStringLiteral("COM10: Betöltés hiba.")));
    }
    QCOMPARE(good->writes().size(), 1);
    QCOMPARE(good->writes().first().outcome, SimWrite::Outcome::Stored);
    QVERIFY(silent->writes().isEmpty());
    QCOMPARE(refusing->writes().size(), 1);
    QCOMPARE(refusing->writes().first().outcome, SimWrite::Outcome::Refused);
}

void TestCli::eachRowItsOwnValues()
{
    SimFixture fixture;
    QList<SimModule*> modules;
    for (const char* port : {"COM3", "COM4", "COM5"}) {
        modules << fixture.start(QString::fromLatin1(port));
        QVERIFY(modules.last());
    }
    const QString csv = m_dir->filePath(QStringLiteral("each.csv"));
    QFile table(csv);
    QVERIFY(table.open(QIODevice::WriteOnly));
    table.write("port;m_id;m_nev;m_pin\n"
                "COM4;0102;\"Szivattyu; 2\";\n"
                "COM3;0101;Szivattyu 1;\n"
                "COM5;0103;Szivattyu 3;12x4\n");
    table.close();

    const Run run =
        cli(fixture, {"write", "--each", csv, "--base", defaultsFile(), "--verify", sampleFile()});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.lines.size(), 3);
    QCOMPARE(run.lines.at(0), QStringLiteral("COM3: Sikeres betöltés. Ellenőrizve."));
    QCOMPARE(run.lines.at(1), QStringLiteral("COM4: Sikeres betöltés. Ellenőrizve."));
    QVERIFY2(run.lines.at(2).contains(QStringLiteral("Csak számok adhatóak meg! (m_pin)")),
             qPrintable(run.lines.at(2)));
    QCOMPARE(trimmed(modules.at(0)->fields()).mid(2, 2), (QStringList{"0101", "Szivattyu 1"}));
    QCOMPARE(trimmed(modules.at(1)->fields()).mid(2, 2), (QStringList{"0102", "Szivattyu; 2"}));
    // A refused row never reaches its module.
    QVERIFY(modules.at(2)->requests().isEmpty());
}

void TestCli::verifyCatchesAlteredStore()
{
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    module->setFault(SimModule::Fault::StoreAltered);
    QVERIFY(module->setAlteredField(51));
    const Run run = cli(fixture, {"write", "--port", "COM3", "--verify", "--json", "--base",
                                  defaultsFile(), sampleFile()});
    QCOMPARE(run.exitCode, 1);
    const QJsonObject result = json(run.lines.value(0));
    QCOMPARE(result.value("error").toString(), QStringLiteral("verify-mismatch"));
    const QJsonObject difference = result.value("differences").toArray().at(0).toObject();
    QCOMPARE(difference.value("field").toInt(), 51);
    QCOMPARE(difference.value("name").toString(), QStringLiteral("t3"));
    QCOMPARE(difference.value("caption").toString(), QStringLiteral("3. telefonszám"));
    QVERIFY(result.value("message").toString().contains(QStringLiteral("3. telefonszám")));
}

void TestCli::backupComesFirst_data()
{
    QTest::addColumn<bool>("readable");
    QTest::newRow("saved, then written") << true;
    QTest::newRow("read-out fails, nothing written") << false;
}

void TestCli::backupComesFirst()
{
    QFETCH(bool, readable);
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    QStringList before = sampleFields();
    before[2] = QStringLiteral("0420");
    QVERIFY(module->setFields(before));
    if (!readable)
        module->setRawReply(SimModule::Request::ReadOut, QByteArray("0420\r\nno more\r\n"));

    const QString dir = m_dir->filePath(QStringLiteral("backups"));
    const Run run = cli(fixture, {"write", "--port", "COM3", "--backup", dir, "--base",
                                  defaultsFile(), "--set", "m_id=0001", sampleFile()});
    const QStringList saved = QDir(dir).entryList(QDir::Files);
    if (!readable) {
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.lines.value(0).contains(QStringLiteral("(Ismeretlen formátum)")));
        QVERIFY(module->writes().isEmpty());
        QVERIFY(saved.isEmpty());
        return;
    }
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(saved.size(), 1);
    QVERIFY2(QRegularExpression(QStringLiteral("^0420-\\d{8}T\\d{6}Z\\.vgf$"))
                 .match(saved.first())
                 .hasMatch(),
             qPrintable(saved.first()));
    // The window's loader takes the backup, and it holds the module as it was.
    const std::optional<QStringList> lines = configfile::readFile(dir + u'/' + saved.first());
    QVERIFY(lines);
    Configuration loaded = Configuration::connected();
    QVERIFY(loaded.load(*lines));
    QCOMPARE(loaded.text(QStringLiteral("m_id")), QStringLiteral("0420"));
    QCOMPARE(*lines, readOutState(trimmed(before)).lines());

    QList<char> order;
    for (const SimRequest& request : module->requests())
        order << request.command;
    QCOMPARE(order, (QList<char>{'|', '{', '}'}));
}

void TestCli::interrupt_data()
{
    QTest::addColumn<bool>("duringBackup");
    // The module reads out at the line's speed, so the backup takes seconds.
    QTest::newRow("during the backup's read-out") << true;
    // The module holds back its "R"; the stop is seen before the frame's first byte.
    QTest::newRow("waiting for the module's start") << false;
}

void TestCli::interrupt()
{
    QFETCH(bool, duringBackup);
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    SimModule* idle = fixture.start(QStringLiteral("COM4"));
    QVERIFY(module && idle);
    idle->setFault(SimModule::Fault::Silent);
    module->setPaced(true);

    QProcess process;
    QStringList arguments{"write", "--port", "COM3,COM4", "--base", defaultsFile(), sampleFile()};
    if (duringBackup)
        arguments << "--backup" << m_dir->filePath(QStringLiteral("backups"));
    prepare(process, fixture, arguments);
    process.start();
    QVERIFY(process.waitForStarted());
    if (duringBackup) {
        QVERIFY(module->waitForRequests(2, 20000));
        QVERIFY(module->waitForReceived(4, 20000));
    } else {
        QVERIFY(module->waitForRequests(1, 20000));
        module->setReplyDelay(2500);
        QVERIFY(module->waitForRequests(2, 20000));
    }
    ::kill(pid_t(process.processId()), SIGINT);

    const Run run = finish(process);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.lines.contains(QStringLiteral("Megszakítva. Befejezetlen: COM3")),
             qPrintable(run.lines.join(u'\n')));
    QVERIFY(run.lines.value(0).startsWith(QStringLiteral("COM3: Megszakítva")));
    QVERIFY(module->waitForCloses(module->openCount(), 5000));
    QCOMPARE(module->closeCount(), module->openCount());
    // Nothing of the frame reached the module.
    for (const SimWrite& write : module->writes())
        QCOMPARE(write.bytes, QByteArray("~}"));
}

void TestCli::watchEndsOnInterrupt()
{
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    QProcess process;
    prepare(process, fixture, {"status", "--port", "COM3", "--watch", "1"});
    process.start();
    QVERIFY(process.waitForStarted());
    // The identification and two queries.
    QVERIFY(module->waitForRequests(3, 20000));
    ::kill(pid_t(process.processId()), SIGINT);
    const Run run = finish(process);
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.lines.size() >= 1);
    for (const QString& line : run.lines)
        QVERIFY2(QRegularExpression(QStringLiteral("^COM3: \\d\\d:\\d\\d:\\d\\d Térerő: 3/5"))
                     .match(line)
                     .hasMatch(),
                 qPrintable(line));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
