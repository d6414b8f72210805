// vexagrid-cli end to end: the program run as a process against simulated modules, its
// exit codes, its lines, and what the modules received.
#include "core/configcodec.h"
#include "core/configuration.h"
#include "core/fieldchecks.h"
#include "record/exchange.h"
#include "record/record.h"
#include "tests/support/guilessmain.h"
#include "tests/support/simfixture.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSerialPort>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <unistd.h>

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
    static_cast<void>(config.load(configfile::readFile(defaultsFile()).valueOr(QStringList())));
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

    void badTables_data();
    void badTables();
    void outputsMadeSureOfFirst();

    void readSavesWhatTheWindowSaves();
    void writeSendsTheWindowsFrame();
    void identifyStatusDiff();
    void diffAfterRead();
    void ports();
    void portInUse_data();
    void portInUse();
    void allAccountsForEveryPort();
    void jsonSchema();
    void terminalConventions();
    void sheetOfTheSample();
    void threeModulesAtOnce_data();
    void threeModulesAtOnce();
    void eachRowItsOwnValues();
    void verifyCatchesAlteredStore();
    void backupComesFirst_data();
    void backupComesFirst();
    void interrupt_data();
    void interrupt();
    void watchEndsOnInterrupt();

    void exchangesAreRecorded();
    void unwritableRecordStopsOnlyWrites();
    void killedWriteLeavesItsEvents();
    void writersAtOnceShareOneRecord();
    void history_data();
    void history();
    void historyExportIsTheStoredFile();
    void historyPrune();
    void historyBundles();
    void historyRefusesForeignFiles_data();
    void historyRefusesForeignFiles();

private:
    QString sampleFile();
    QString tableFile(const QByteArray& content);
    QString recordPath() const { return m_dir->filePath(QStringLiteral("record.sqlite")); }
    void fillRecord();

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
        static_cast<void>(configfile::writeFile(path, readOutState(sampleFields()).lines()));
    return path;
}

QString TestCli::tableFile(const QByteArray& content)
{
    const QString path = m_dir->filePath(QStringLiteral("modulok.csv"));
    QFile table(path);
    if (table.open(QIODevice::WriteOnly | QIODevice::Truncate))
        table.write(content);
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
    QTest::newRow("no file") << QStringList{"write", "--port", "COM3"} << "konfigurációs fájl";
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

// A file that cannot be a configuration says so in the command line's own words, on stderr,
// and nothing of it is echoed; no module is contacted.
void TestCli::fileErrors()
{
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    const QString shortFile = m_dir->filePath(QStringLiteral("short.vgf"));
    QVERIFY(configfile::writeFile(shortFile, QStringList(171, QStringLiteral("0"))));
    const QString empty = m_dir->filePath(QStringLiteral("empty.vgf"));
    QFile(empty).open(QIODevice::WriteOnly);
    const QString binary = m_dir->filePath(QStringLiteral("binary.vgf"));
    QFile bytes(binary);
    QVERIFY(bytes.open(QIODevice::WriteOnly));
    bytes.write(QByteArray("\x7F"
                           "ELF\x02\x01\x01\x00\x1b[2J",
                           12));
    bytes.close();
    const QString missing = m_dir->filePath(QStringLiteral("missing.vgf"));

    const QList<QPair<QString, QString>> cases{
        {missing, missing + ": nincs ilyen fájl."},
        {m_dir->path(), m_dir->path() + ": könyvtár, nem konfigurációs fájl."},
        {empty, empty + ": üres."},
        {binary, binary + ": nem szöveges fájl."},
        {shortFile, shortFile + ": túl rövid: 171 sor, egy konfigurációs fájl 172 sorból áll "
                                "(régebbi vagy csonka fájl)."},
    };
    for (const auto& [path, line] : cases) {
        const Run run = cli(fixture, {"write", "--port", "COM3", "--base", defaultsFile(), path});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.lines.isEmpty());
        QVERIFY2(run.err.startsWith(line + u'\n'), qPrintable(run.err));
        QVERIFY(!run.err.contains(QStringLiteral("ELF")));
    }
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
    // A refusal is an error of the plan: stderr; the file's line is the result: stdout.
    const QString said = exitCode == 0 ? run.lines.join(u'\n') : run.err;
    QVERIFY2(said.contains(text), qPrintable(said));
    QCOMPARE(run.lines.size(), exitCode == 0 ? 1 : 0);
}

void TestCli::badTables_data()
{
    QTest::addColumn<QByteArray>("table");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("said"); // each on a line of its own on stderr

    // clang-format off
    QTest::newRow("quote never closed")
        << QByteArray("port,m_id,m_nev\nCOM3,0101,\"unterminated\nCOM4,0102,b\n") << 2
        << QStringList{"modulok.csv, 2. sor, 3. oszlop: az idézőjel nincs lezárva"};
    QTest::newRow("a cell too few, a cell too many, a stray quote")
        << QByteArray("port,m_id,m_nev\nCOM3,0102\nCOM4,0103,a,b\nCOM5,01\"3,c\n") << 2
        << QStringList{"modulok.csv, 2. sor: 2 cella, a fejlécben 3 oszlop van.",
                       "modulok.csv, 3. sor: 4 cella, a fejlécben 3 oszlop van.",
                       "modulok.csv, 4. sor, 2. oszlop: szabálytalan idézőjel"};
    QTest::newRow("unknown name, bad and repeated port")
        << QByteArray("port;m_nevv\nLPT1;a\nCOM3;b\nCOM3;c\n") << 2
        << QStringList{"modulok.csv, 1. sor, 2. oszlop: ismeretlen mezőnév a fejlécben: \"m_nevv\".",
                       "modulok.csv, 2. sor, 1. oszlop: hibás port: \"LPT1\"",
                       "COM3: modulok.csv, 4. sor: a(z) COM3 port kétszer szerepel."};
    QTest::newRow("binary")
        << QByteArray("port,m_nev\nCOM3,\x01\x02\x03\n") << 2
        << QStringList{"modulok.csv, 2. sor, 2. oszlop: nem szöveges érték."};
    // The table is sound, its values are not: every refused row is named.
    QTest::newRow("refused values")
        << QByteArray("port,m_id,m_nev\nCOM3 , 01a1 ,x\nCOM4,0102,ok\nCOM5,0103,K\xc3\xbat\n") << 1
        << QStringList{"COM3: modulok.csv, 2. sor: Beviteli hiba: Csak számok adhatóak meg! (m_id)",
                       "COM5: modulok.csv, 4. sor: Hiba: Ékezetek nem használhatóak! (m_nev)"};
    // clang-format on
}

// The whole plan is checked before any port is opened: one bad row, and no module of the
// table is touched.
void TestCli::badTables()
{
    QFETCH(QByteArray, table);
    QFETCH(int, exitCode);
    QFETCH(QStringList, said);
    SimFixture fixture;
    QList<SimModule*> modules;
    for (const char* port : {"COM3", "COM4", "COM5"}) {
        modules << fixture.start(QString::fromLatin1(port));
        QVERIFY(modules.last());
    }
    const QString csv = tableFile(table);
    const Run run = cli(fixture, {"write", "--each", csv, "--base", defaultsFile(), sampleFile()});
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY(run.lines.isEmpty());
    const QStringList lines = run.err.split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), said.size() + 1);
    for (int i = 0; i < said.size(); ++i) {
        QString expected = said.at(i);
        expected.replace(QStringLiteral("modulok.csv"), csv);
        QVERIFY2(lines.at(i).startsWith(expected), qPrintable(lines.at(i)));
    }
    QVERIFY(lines.last().startsWith(QStringLiteral("Egyik modullal sem történt semmi")));
    for (SimModule* module : modules)
        QVERIFY(module->requests().isEmpty());

    const Run json = cli(fixture, {"write", "--each", csv, "--json", sampleFile()});
    QCOMPARE(json.lines.size(), said.size());
    for (const QString& line : json.lines) {
        const QJsonObject object = QJsonDocument::fromJson(line.toUtf8()).object();
        QCOMPARE(object.value("ok").toBool(true), false);
        QVERIFY(object.value("row").toInt() > 0);
    }
}

// A file that cannot be written is found before the module is asked for anything.
void TestCli::outputsMadeSureOfFirst()
{
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    const QString file = m_dir->filePath(QStringLiteral("a-file"));
    QFile(file).open(QIODevice::WriteOnly);

    for (const QString& output : {file + "/x.vgf", file + "/dir/"}) {
        const Run run = cli(fixture, {"read", "--port", "COM3", "-o", output});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.lines.isEmpty());
        QVERIFY2(run.err.contains(QStringLiteral("nem írható: nem könyvtár")), qPrintable(run.err));
    }
    QVERIFY(module->requests().isEmpty());
    const Run backup = cli(fixture, {"write", "--port", "COM3", "--backup", file + "/b", "--base",
                                     defaultsFile(), sampleFile()});
    QCOMPARE(backup.exitCode, 1);
    QVERIFY2(backup.err.contains(QStringLiteral("nem írható: nem könyvtár")),
             qPrintable(backup.err));
    QVERIFY(module->requests().isEmpty());

    // A missing folder is made, in the file form too.
    const QString made = m_dir->filePath(QStringLiteral("nincs/meg/x.vgf"));
    const Run run = cli(fixture, {"read", "--port", "COM3", "-o", made});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(QFile::exists(made));

    // A folder the user may not write in is named in the user's words. Root writes anywhere,
    // so as root the run is made as nobody.
    const QString locked = m_dir->filePath(QStringLiteral("zart"));
    QVERIFY(QDir().mkdir(locked));
    const auto readable = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                          QFile::ReadOther | QFile::ExeOther;
    QVERIFY(QFile::setPermissions(locked, readable));
    QVERIFY(QFile::setPermissions(m_dir->path(), readable | QFile::WriteOwner));
    QStringList command{program(), "read", "--port", "COM3", "-o", locked + "/"};
    if (::geteuid() == 0) {
        const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
        if (setpriv.isEmpty())
            return;
        command =
            QStringList{setpriv, "--reuid=65534", "--regid=65534", "--clear-groups"} + command;
    }
    QProcess process;
    prepare(process, fixture, command.mid(1));
    process.setProgram(command.first());
    process.start();
    const Run refused = finish(process);
    if (refused.exitCode == 126 || refused.exitCode == 127)
        return; // nobody may not run the program from this build folder
    QCOMPARE(refused.exitCode, 1);
    QVERIFY2(refused.err.contains(QStringLiteral("zart/: nem írható: nincs jogosultság.")),
             qPrintable(refused.err));
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
        const Expected<QStringList> saved = configfile::readFile(dir + name);
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
    QVERIFY(config.load(*configfile::readFile(defaultsFile())));
    QVERIFY(config.load(*configfile::readFile(sampleFile())));
    config.setText(QStringLiteral("m_nev"), QStringLiteral("Kut 7"));
    config.setText(QStringLiteral("m_id"), QStringLiteral("0012"));
    const Expected<QString> download = fieldchecks::prepareDownload(config, u'|');
    QVERIFY(download.ok());
    QByteArray bytes = "~}";
    for (const QString& piece : download->split(u'|'))
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
    QCOMPARE(run.lines,
             (QStringList{"COM3: Eltér (2 mező):",
                          "  Modul neve: a modulban \"Szivattyuhaz\"; a fájlban \"Masik\"",
                          "  3. telefonszám: a modulban +36201112222, SMS, fázis R; a fájlban "
                          "+36701112233, kimenet 2"}));
    // A module that cannot be compared is no difference: exit 2.
    module->setFault(SimModule::Fault::Silent);
    QCOMPARE(cli(fixture, diff).exitCode, 2);
    // Nor is a search that finds no module at all.
    QStringList everyPort = diff;
    everyPort[2] = QStringLiteral("all");
    QCOMPARE(cli(fixture, everyPort).exitCode, 2);
}

// A module this program wrote and read back holds what its file says; the simulated
// module's sample (its rows carry codes no write sends) differs exactly where a write would
// change it, each difference readable.
void TestCli::diffAfterRead()
{
    SimFixture fixture;
    SimModule* sample = fixture.start(QStringLiteral("COM3"));
    SimModule* written = fixture.start(QStringLiteral("COM4"));
    QVERIFY(sample && written);
    QVERIFY(sample->setFields(SimModule::sampleFields()));
    const QString fromSample = m_dir->filePath(QStringLiteral("com3.vgf"));
    QCOMPARE(cli(fixture, {"read", "--port", "COM3", "-o", fromSample}).exitCode, 0);
    QCOMPARE(cli(fixture, {"write", "--port", "COM4", fromSample}).exitCode, 0);
    const QString fromWritten = m_dir->filePath(QStringLiteral("com4.vgf"));
    QCOMPARE(cli(fixture, {"read", "--port", "COM4", "-o", fromWritten}).exitCode, 0);

    Run run = cli(fixture, {"diff", "--port", "COM4", fromWritten});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.lines.value(0), QStringLiteral("COM4: Egyezik."));

    run = cli(fixture, {"diff", "--port", "COM3", fromSample});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.lines.size(), 3);
    QCOMPARE(run.lines.at(0), QStringLiteral("COM3: Eltér (1 mező):"));
    QCOMPARE(run.lines.at(1), QStringLiteral("  3. telefonszám: a modulban +36701112233, RING, "
                                             "kimenet 2; a fájlban +36701112233, kimenet 2"));
    QVERIFY2(run.lines.at(2).startsWith(QStringLiteral(
                 "  a VexaGrid-3 nem használja, nem számít eltérésnek: 1. telefonszám, 4-6. "
                 "riasztási oszlop, Analóg bemenet neve")),
             qPrintable(run.lines.at(2)));
    // With --all the unused fields count too; every JSON difference names its field.
    run = cli(fixture, {"diff", "--port", "COM3", "--all", "--json", fromSample});
    const QJsonArray differences = json(run.lines.value(0)).value("differences").toArray();
    QVERIFY(differences.size() > 2);
    for (const QJsonValue& difference : differences) {
        QVERIFY(!difference.toObject().value("name").toString().isEmpty());
        QVERIFY(!difference.toObject().value("caption").toString().isEmpty());
    }
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
    QCOMPARE(busy.value("error").toString(), QStringLiteral("open-failed"));
    QCOMPARE(busy.value("reason").toString(), QStringLiteral("in-use"));
    QVERIFY(!busy.value("group").toString().isEmpty());
}

void TestCli::portInUse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("line");
    const QString held = "COM5: nem nyitható meg: használja egy másik program. Zárja be a "
                         "portot használó programot, majd próbálja újra.";
    QTest::newRow("identify") << QStringList{"identify", "--port", "COM5"} << held;
    QTest::newRow("write") << QStringList{"write", "--port", "COM5"} << held;
    QTest::newRow("read") << QStringList{"read", "--port", "COM5", "-o"} << held;
}

// Another program holds the port: every command says so, for that module.
void TestCli::portInUse()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, line);
    SimFixture fixture;
    SimModule* held = fixture.start(QStringLiteral("COM5"));
    QVERIFY(held);
    QSerialPort holder;
    holder.setPortName(held->slavePath());
    QVERIFY(holder.open(QIODevice::ReadWrite));
    if (arguments.first() == QLatin1String("write"))
        arguments << "--base" << defaultsFile() << sampleFile();
    if (arguments.last() == QLatin1String("-o"))
        arguments << m_dir->filePath(QStringLiteral("out.vgf"));

    const Run run = cli(fixture, arguments);
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.lines, QStringList{line});
    const QJsonObject object = json(cli(fixture, arguments + QStringList{"--json"}).lines.value(0));
    QCOMPARE(object.value("error").toString(), QStringLiteral("open-failed"));
    QCOMPARE(object.value("reason").toString(), QStringLiteral("in-use"));
    QVERIFY(!object.value("systemError").toString().isEmpty());
    QVERIFY(held->requests().isEmpty());
}

// --port all leaves nobody out: a port that does not open is a failed module with its
// reason; one that answers as no module is passed over, and said so once.
void TestCli::allAccountsForEveryPort()
{
    SimFixture fixture;
    QList<SimModule*> modules;
    for (const char* port : {"COM3", "COM4", "COM5"}) {
        modules << fixture.start(QString::fromLatin1(port));
        QVERIFY(modules.last());
    }
    SimModule* garbage = fixture.start(QStringLiteral("COM6"));
    QVERIFY(garbage);
    garbage->setFault(SimModule::Fault::Garbage);
    auto holder = std::make_unique<QSerialPort>();
    holder->setPortName(modules.at(2)->slavePath());
    QVERIFY(holder->open(QIODevice::ReadWrite));

    const QStringList write{"write", "--port", "all", "--base", defaultsFile(), sampleFile()};
    Run run = cli(fixture, write);
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.lines, (QStringList{"COM3: Sikeres betöltés.", "COM4: Sikeres betöltés.",
                                     "COM5: nem nyitható meg: használja egy másik program. Zárja "
                                     "be a portot használó programot, majd próbálja újra."}));
    QVERIFY2(run.err.contains(QStringLiteral("nem modul: COM6 (ismeretlen válasz)")),
             qPrintable(run.err));
    QCOMPARE(modules.at(0)->writes().size(), 1);
    QCOMPARE(modules.at(1)->writes().size(), 1);
    QVERIFY(modules.at(2)->writes().isEmpty());
    QVERIFY(garbage->writes().isEmpty());

    // The same accounting in JSON: the port passed over is an object of its own.
    run = cli(fixture, {"identify", "--port", "all", "--json"});
    QCOMPARE(run.exitCode, 1);
    QStringList ports;
    for (const QString& line : run.lines) {
        const QJsonObject object = json(line);
        ports << object.value("port").toString() + u'=' +
                     (object.value("module").isNull()
                          ? QStringLiteral("null")
                          : QString::number(object.value("module").toBool()));
    }
    ports.sort();
    QCOMPARE(ports, (QStringList{"COM3=1", "COM4=1", "COM5=null", "COM6=0"}));

    holder.reset();
    QVERIFY(modules.at(2)->waitForCloses(modules.at(2)->openCount(), 5000));
    run = cli(fixture, write);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.lines.size(), 3);
    QCOMPARE(modules.at(2)->writes().size(), 1);
}

// Every object of every command has the same keys whatever happened.
void TestCli::jsonSchema()
{
    SimFixture fixture;
    QVERIFY(fixture.start(QStringLiteral("COM3")));
    SimModule* silent = fixture.start(QStringLiteral("COM4"));
    QVERIFY(silent);
    silent->setFault(SimModule::Fault::Silent);
    const QString common = QStringLiteral("command,error,message,ok,port");
    const QString table = tableFile("port,m_nev\nCOM3,a\nCOM4,b,c\n");
    const QList<QPair<QStringList, QString>> runs{
        {{"ports"}, "description,device,group,manufacturer,reason,serialNumber,systemError"},
        {{"identify", "--port", "COM3,COM4,COM9"}, "identification,module,reason,systemError"},
        {{"read", "--port", "COM3,COM4", "-o", m_dir->filePath("r/")},
         "file,identification,m_id,m_nev,module,reason,systemError"},
        {{"write", "--port", "COM3,COM4", "--verify", "--base", defaultsFile(), sampleFile()},
         "backup,bytesSent,differences,file,identification,module,reason,row,systemError,verified"},
        {{"write", "--each", table, sampleFile()},
         "backup,bytesSent,differences,file,identification,module,reason,row,systemError,verified"},
        {{"diff", "--port", "COM3,COM4", sampleFile()},
         "differences,file,identification,module,reason,row,systemError"},
        {{"check", sampleFile()}, "file,row"},
        {{"check", m_dir->filePath("missing.vgf")}, "file,row"},
        {{"status", "--port", "COM3,COM4"},
         "firmware,identification,module,output1,output2,phaseR,phaseS,phaseT,reason,signal,"
         "signalLow,systemError,time"},
    };
    for (const auto& [arguments, keys] : runs) {
        const Run run = cli(fixture, arguments + QStringList{"--json"});
        QVERIFY2(!run.lines.isEmpty(), qPrintable(arguments.join(u' ')));
        for (const QString& line : run.lines) {
            QStringList found = json(line).keys();
            found.sort();
            QStringList expected = (common + u',' + keys).split(u',');
            expected.sort();
            QCOMPARE(found, expected);
        }
    }
}

// The conventions of a terminal tool: the configuration itself on stdout with "-o -", a map
// of ports that is not there said so, no ports said so.
void TestCli::terminalConventions()
{
    SimFixture fixture;
    Run run = cli(fixture, {"ports"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.lines, QStringList{"Nincs egyetlen soros port sem (COM1 ... COM32)."});

    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    QVERIFY(module->setFields(sampleFields()));
    QProcess process;
    prepare(process, fixture, {"read", "--port", "COM3", "-o", "-"});
    process.start();
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(configfile::decodeLines(process.readAllStandardOutput()),
             readOutState(trimmed(sampleFields())).lines());
    QCOMPARE(QString::fromUtf8(process.readAllStandardError()),
             QStringLiteral("COM3: Sikeres kiolvasás.\n"));

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VEXAGRID_DOSDEVICES"), m_dir->filePath("nincs"));
    process.setProcessEnvironment(environment);
    process.setArguments({"identify", "--port", "all"});
    process.start();
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), 2);
    QVERIFY(process.readAllStandardOutput().isEmpty());
    QVERIFY(QString::fromUtf8(process.readAllStandardError())
                .startsWith("A VEXAGRID_DOSDEVICES könyvtár (" + m_dir->filePath("nincs") +
                            ") nem létezik"));
}

// The configuration sheet: one page for the sample, the captions, the name and the numbers
// with their "+", the PIN's digits only when asked for.
void TestCli::sheetOfTheSample()
{
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    const QString pdf = m_dir->filePath(QStringLiteral("lap.pdf"));
    for (const bool pin : {false, true}) {
        QStringList arguments{"sheet", sampleFile(), "-o", pdf};
        if (pin)
            arguments << "--pin";
        const Run run = cli(fixture, arguments);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.lines, QStringList{"Konfigurációs lap mentve: " + pdf + " (1 oldal)"});
        QProcess text;
        text.start(QStringLiteral("pdftotext"),
                   {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        if (!text.waitForFinished(30000) || text.exitCode() != 0)
            QSKIP("pdftotext is not installed");
        const QString page = QString::fromUtf8(text.readAllStandardOutput());
        for (const char* expected :
             {"Szivattyuhaz", "Általános beállítások", "Modul azonosító száma", "Telefonszámok",
              "+36301234567", "+36701112233", "R-S-T bemenetek", "Kimenetek",
              "Riasztások aktiválása", "RIASZTAS BE", "VexaGrid-3 letöltő szoftver"})
            QVERIFY2(page.contains(QString::fromUtf8(expected)), expected);
        const QString pinLine = page.section(QStringLiteral("PIN-kódja"), 1).section(u'\n', 0, 0);
        QCOMPARE(pinLine.trimmed(), pin ? QStringLiteral("1234") : QStringLiteral("****"));
        QCOMPARE(page.count(u'\f'), 1); // one page
    }
    // Its place is made sure of before the module is asked.
    const QString file = m_dir->filePath(QStringLiteral("a-file"));
    QFile(file).open(QIODevice::WriteOnly);
    const Run refused = cli(fixture, {"sheet", "--port", "COM3", "-o", file + "/lap.pdf"});
    QCOMPARE(refused.exitCode, 1);
    QVERIFY2(refused.err.contains(QStringLiteral("nem írható: nem könyvtár")),
             qPrintable(refused.err));
    QVERIFY(module->requests().isEmpty());
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
                "COM3 ; 0101 ; Szivattyu 1 ;\n"
                "COM5;0103;Szivattyu 3;1234\n");
    table.close();

    const Run run =
        cli(fixture, {"write", "--each", csv, "--base", defaultsFile(), "--verify", sampleFile()});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.lines, (QStringList{"COM3: Sikeres betöltés. Ellenőrizve.",
                                     "COM4: Sikeres betöltés. Ellenőrizve.",
                                     "COM5: Sikeres betöltés. Ellenőrizve."}));
    QCOMPARE(trimmed(modules.at(0)->fields()).mid(2, 2), (QStringList{"0101", "Szivattyu 1"}));
    QCOMPARE(trimmed(modules.at(1)->fields()).mid(2, 2), (QStringList{"0102", "Szivattyu; 2"}));
    QCOMPARE(trimmed(modules.at(2)->fields()).mid(1, 3),
             (QStringList{"1234", "0103", "Szivattyu 3"}));
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
    QCOMPARE(difference.value("name").toString(), QStringLiteral("t3"));
    QCOMPARE(difference.value("used").toBool(), true);
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
    QVERIFY2(QRegularExpression(QStringLiteral("^0420-COM3-\\d{8}T\\d{6}Z\\.vgf$"))
                 .match(saved.first())
                 .hasMatch(),
             qPrintable(saved.first()));
    // The result names where the backup went.
    QCOMPARE(run.lines.value(0),
             QStringLiteral("COM3: Sikeres betöltés. Mentés: %1/%2").arg(dir, saved.first()));
    // The window's loader takes the backup, and it holds the module as it was.
    const Expected<QStringList> lines = configfile::readFile(dir + u'/' + saved.first());
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
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("duringReadOut");
    // The module reads out at the line's speed, so the backup takes seconds.
    QTest::newRow("write, during the backup's read-out") << "write" << true;
    // The module holds back its "R"; the stop is seen before the frame's first byte.
    QTest::newRow("write, waiting for the module's start") << "write" << false;
    // A configuration read out for a person ends like every other command.
    QTest::newRow("show, during the read-out") << "show" << true;
    QTest::newRow("sheet, during the read-out") << "sheet" << true;
}

void TestCli::interrupt()
{
    QFETCH(QString, command);
    QFETCH(bool, duringReadOut);
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    SimModule* idle = fixture.start(QStringLiteral("COM4"));
    QVERIFY(module && idle);
    idle->setFault(SimModule::Fault::Silent);
    module->setPaced(true);

    QProcess process;
    const bool write = command == QLatin1String("write");
    QStringList arguments{command, "--port", write ? "COM3,COM4" : "COM3", "--base",
                          defaultsFile()};
    if (write)
        arguments << sampleFile();
    if (write && duringReadOut)
        arguments << "--backup" << m_dir->filePath(QStringLiteral("backups"));
    if (command == QLatin1String("sheet"))
        arguments << "-o" << m_dir->filePath(QStringLiteral("lap.pdf"));
    prepare(process, fixture, arguments);
    process.start();
    QVERIFY(process.waitForStarted());
    if (duringReadOut) {
        QVERIFY(module->waitForRequests(2, 20000));
        QVERIFY(module->waitForReceived(4, 20000));
    } else {
        QVERIFY(module->waitForRequests(1, 20000));
        module->setReplyDelay(2500);
        QVERIFY(module->waitForRequests(2, 20000));
    }
    ::kill(pid_t(process.processId()), SIGINT);

    const Run run = finish(process);
    QCOMPARE(run.exitCode, 130);
    QVERIFY2(run.err.contains(QStringLiteral("Megszakítva. Befejezetlen: COM3")),
             qPrintable(run.err));
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

namespace {

// vexagrid-cli on the record at `recordPath`, without modules.
Run history(const QString& recordPath, const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VEXAGRID_RECORD"), recordPath);
    process.setProcessEnvironment(environment);
    process.setProgram(program());
    process.setArguments(arguments);
    process.start();
    return finish(process);
}

// One column of a query on the record's file through SQLite alone: what the file holds,
// before any program of ours opens it again.
QStringList rawColumn(const QString& path, const QString& sql)
{
    QStringList column;
    const QString name = QStringLiteral("raw");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(sql)) {
                while (query.next())
                    column << query.value(0).toString();
            }
        }
    }
    QSqlDatabase::removeDatabase(name);
    return column;
}

// Every event `history --json` lists, by its id.
QMap<QString, QJsonObject> listed(const QString& recordPath)
{
    QMap<QString, QJsonObject> events;
    const Run run = history(recordPath, {"history", "--json"});
    for (const QString& line : run.lines) {
        const QJsonObject event = json(line).value(QStringLiteral("event")).toObject();
        events.insert(event.value(QStringLiteral("id")).toString(), event);
    }
    return run.exitCode == 0 ? events : QMap<QString, QJsonObject>();
}

QDateTime minute(int n)
{
    return QDateTime(QDate(2026, 3, 1), QTime(8, 0), Qt::UTC).addSecs(60 * n);
}

// A time of the record as a user types it: local time.
QString typed(const QDateTime& time)
{
    return time.toLocalTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm"));
}

QString eventId(const char* prefix)
{
    return QLatin1String(prefix) + QStringLiteral("-0000-4000-8000-000000000001");
}

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The sample as read out (A), and written with another name and a third telephone number (B).
QStringList configurationA()
{
    return readOutState(sampleFields()).lines();
}

QStringList configurationB()
{
    Configuration config = readOutState(sampleFields());
    config.setText(QStringLiteral("m_nev"), QStringLiteral("Szivattyuhaz 2"));
    config.setText(QStringLiteral("t3"), QStringLiteral("36301112222"));
    return config.lines();
}

} // namespace

// The day behind the history rows: module 0101 read (A), written (B) and asked for its
// status on COM3; module 0102's write (A) refused on COM4.
void TestCli::fillRecord()
{
    struct Row
    {
        const char* id;
        record::Operation operation;
        const char* module;
        const char* port;
        const char* operatorName;
        const char* outcome;
        const QStringList* configuration;
    };
    const QStringList a = configurationA();
    const QStringList b = configurationB();
    const Row rows[] = {
        {"aaaaaa01", record::Operation::ReadOut, "0101", "COM3", "anna", "", &a},
        {"aaaaaa02", record::Operation::Write, "0101", "COM3", "anna", "", &b},
        {"bbbbbb03", record::Operation::Status, "0101", "COM3", "anna", "", nullptr},
        {"bbbbbb04", record::Operation::Write, "0102", "COM4", "bela", "not-acknowledged", &a},
    };
    QList<record::Event> events;
    int n = 0;
    for (const Row& row : rows) {
        record::Event event;
        event.id = eventId(row.id);
        event.runId = eventId("cccccccc").replace(u'1', QString::number(++n).at(0));
        event.operation = row.operation;
        event.state = record::State::Finished;
        event.moduleId = QLatin1String(row.module);
        event.port = QLatin1String(row.port);
        event.operatorName = QLatin1String(row.operatorName);
        event.host = QStringLiteral("laptop1");
        event.outcome = QLatin1String(row.outcome);
        event.message = event.outcome.isEmpty() ? QString() : QStringLiteral("Nincs nyugta.");
        event.startedAt = minute(5 * n);
        event.finishedAt = minute(5 * n).addSecs(20);
        if (row.configuration) {
            event.configurationHash =
                record::configurationHash(record::configurationContent(*row.configuration));
        }
        events << event;
    }
    Expected<record::Record> opened = record::Record::open(recordPath());
    QVERIFY2(opened, qPrintable(opened ? QString() : opened.failure().message));
    const Expected<record::BundleCounts> stored = opened->insertSettled(
        {record::configurationContent(a), record::configurationContent(b)}, events, false);
    QVERIFY2(stored, qPrintable(stored ? QString() : stored.failure().message));
}

// A read, a write with its verify and a status query, each an event with the module and what
// went over the line; the read's configuration is the file `read -o` saved.
void TestCli::exchangesAreRecorded()
{
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    const QString saved = m_dir->filePath(QStringLiteral("read.vgf"));
    const QStringList record{"--record", recordPath()};
    QCOMPARE(cli(fixture, QStringList{"read", "--port", "COM3", "-o", saved} + record).exitCode, 0);
    QCOMPARE(cli(fixture, QStringList{"write", "--port", "COM3", "--verify", "--base",
                                      defaultsFile(), "--set", "m_id=0077", sampleFile()} +
                              record)
                 .exitCode,
             0);
    QCOMPARE(cli(fixture, QStringList{"status", "--port", "COM3"} + record).exitCode, 0);

    Expected<record::Record> opened = record::Record::open(recordPath());
    QVERIFY(opened);
    const Expected<QList<record::Event>> events = opened->events({});
    QVERIFY(events);
    QMap<record::Operation, record::Event> last; // each operation's newest event
    for (const record::Event& event : *events) {
        QVERIFY2(event.succeeded(), qPrintable(event.message));
        QCOMPARE(event.port, QStringLiteral("COM3"));
        if (!last.contains(event.operation))
            last.insert(event.operation, event);
    }
    using record::Operation;
    QCOMPARE(last.keys(),
             (QList<Operation>{Operation::Identify, Operation::ReadOut, Operation::Status,
                               Operation::Write, Operation::Verify}));
    QCOMPARE(last[Operation::Write].moduleId, QStringLiteral("0077"));
    QCOMPARE(last[Operation::Verify].configurationHash, last[Operation::Write].configurationHash);
    QCOMPARE(last[Operation::Write].runId, last[Operation::Verify].runId);
    QVERIFY(last[Operation::Status].firmware.startsWith(QStringLiteral("FW")));
    QFile file(saved);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const Expected<record::StoredConfiguration> read =
        opened->configuration(last[Operation::ReadOut].configurationHash);
    QVERIFY(read);
    QCOMPARE(read->content, file.readAll());

    // The write restored: its frame again, recorded as a restore of that write.
    const QString writeId = last[Operation::Write].id;
    const Run restore = cli(fixture, QStringList{"restore", writeId.left(8), "--port", "COM3",
                                                 "--base", defaultsFile()} +
                                         record);
    QVERIFY2(restore.exitCode == 0, qPrintable(restore.err));
    QCOMPARE(module->writes().size(), 2);
    QCOMPARE(module->writes().last().bytes, module->writes().first().bytes);
    record::EventFilter restoresOnly;
    restoresOnly.operation = Operation::Restore;
    const Expected<QList<record::Event>> restores = opened->events(restoresOnly);
    QVERIFY(restores && restores->size() == 1);
    QCOMPARE(restores->first().sourceEvent, writeId);
}

// A record that cannot be written: a write asks the module nothing, a read goes on and says
// that it went unrecorded.
void TestCli::unwritableRecordStopsOnlyWrites()
{
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    const QString blocker = m_dir->filePath(QStringLiteral("file"));
    QVERIFY(configfile::writeFile(blocker, {QStringLiteral("x")}));
    const QStringList record{"--record", blocker + QStringLiteral("/record.sqlite")};

    const Run write = cli(
        fixture,
        QStringList{"write", "--port", "COM3", "--base", defaultsFile(), sampleFile()} + record);
    QCOMPARE(write.exitCode, 1);
    QVERIFY2(write.err.contains(QStringLiteral("A modulhoz nem fordult")), qPrintable(write.err));
    QCOMPARE(module->requests().size(), 0);
    QCOMPARE(module->openCount(), 0);

    const Run status = cli(fixture, QStringList{"status", "--port", "COM3", "--json"} + record);
    QCOMPARE(status.exitCode, 0);
    QCOMPARE(status.lines.size(), 1);
    QCOMPARE(json(status.lines.first()).value(QStringLiteral("recorded")), QJsonValue(false));
}

// vexagrid-cli killed while its frames are on their way: the file stays whole, every event
// the run stored stays, and the next program marks the unfinished writes interrupted.
void TestCli::killedWriteLeavesItsEvents()
{
    SimFixture fixture;
    QList<SimModule*> modules;
    for (const char* port : {"COM3", "COM4", "COM5"}) {
        modules << fixture.start(QString::fromLatin1(port));
        QVERIFY(modules.last());
        modules.last()->setPaced(true);
        // No write can end before the kill: the program waits for an acknowledgement.
        modules.last()->setFault(SimModule::Fault::NeverAcknowledge);
    }
    QProcess process;
    prepare(process, fixture,
            {"write", "--port", "COM3,COM4,COM5", "--record", recordPath(), "--base",
             defaultsFile(), sampleFile()});
    process.start();
    QVERIFY(process.waitForStarted());
    // The first frame to reach a module: its write request and a field after it.
    const auto frameBegun = [](const SimModule* module) {
        const QByteArray seen = module->received();
        const qsizetype request = seen.indexOf("~}");
        return request >= 0 && seen.size() >= request + 2 + 16;
    };
    QDeadlineTimer deadline(30000);
    bool begun = false;
    while (!begun && !deadline.hasExpired()) {
        for (SimModule* module : modules) {
            module->waitForReceived(module->received().size() + 1, 20);
            begun = begun || frameBegun(module);
        }
    }
    QVERIFY(begun);
    ::kill(pid_t(process.processId()), SIGKILL);
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::CrashExit);

    QCOMPARE(rawColumn(recordPath(), "PRAGMA integrity_check"), QStringList{"ok"});
    const QStringList stored = rawColumn(recordPath(), "SELECT id FROM events ORDER BY id");
    QCOMPARE(rawColumn(recordPath(), "SELECT DISTINCT state FROM events WHERE operation = "
                                     "'write'"),
             QStringList{"started"});
    // Each module that saw its write request had its write stored first, after its
    // identification.
    for (const SimModule* module : modules) {
        if (!module->received().contains("~}"))
            continue;
        const QString port = module->comName();
        QCOMPARE(
            rawColumn(recordPath(), "SELECT operation || ' ' || state FROM events WHERE port = '" +
                                        port + "' ORDER BY started_at"),
            (QStringList{"identify finished", "write started"}));
    }

    const QMap<QString, QJsonObject> events = listed(recordPath());
    QCOMPARE(QStringList(events.keys()), stored);
    for (const QJsonObject& event : events) {
        const bool write = event.value("operation").toString() == QLatin1String("write");
        QCOMPARE(event.value("state").toString(),
                 QString::fromLatin1(write ? "interrupted" : "finished"));
    }
    const Run writes = ::history(recordPath(), {"history", "--op", "write"});
    QVERIFY(!writes.lines.isEmpty());
    for (const QString& line : writes.lines)
        QVERIFY2(line.endsWith(QStringLiteral("megszakadt")), qPrintable(line));
    QCOMPARE(rawColumn(recordPath(), "SELECT count(*) FROM events"),
             QStringList{QString::number(stored.size())});
    QCOMPARE(rawColumn(recordPath(), "PRAGMA integrity_check"), QStringList{"ok"});
    QCOMPARE(QDir(recordPath() + "-owners").entryList(QDir::Files), QStringList());
}

// Two command lines writing at once, each to its own modules, while this process holds the
// record open through two connections as the window does: nothing is lost or refused.
void TestCli::writersAtOnceShareOneRecord()
{
    SimFixture fixture;
    for (int n = 3; n <= 8; ++n)
        QVERIFY(fixture.start(QStringLiteral("COM%1").arg(n)));
    Expected<record::Record> held = record::Record::open(recordPath());
    Expected<record::Record> beside = record::Record::open(recordPath());
    QVERIFY(held && beside);

    QProcess writers[2];
    const char* ports[] = {"COM3,COM4,COM5", "COM6,COM7,COM8"};
    for (int i = 0; i < 2; ++i) {
        prepare(writers[i], fixture,
                {"write", "--verify", "--port", ports[i], "--record", recordPath(), "--base",
                 defaultsFile(), sampleFile()});
        writers[i].start();
    }
    const Run results[] = {finish(writers[0]), finish(writers[1])};
    for (const Run& run : results) {
        QVERIFY2(run.exitCode == 0 && !run.err.contains(QStringLiteral("előzmény")),
                 qPrintable(run.lines.join(u'\n') + u'\n' + run.err));
    }
    record::Event note =
        record::eventFor(record::Operation::Identify, record::newId(), QStringLiteral("COM9"));
    const Expected<void> added = held->add(note);
    QVERIFY2(added, qPrintable(added ? QString() : added.failure().message));

    // An identification, a write and its verify per module, and this process's event.
    const QMap<QString, QJsonObject> events = listed(recordPath());
    QCOMPARE(events.size(), 2 * 3 * 3 + 1);
    QVERIFY(events.contains(note.id));
    QSet<QString> runs;
    for (const QJsonObject& event : events) {
        QCOMPARE(event.value("state").toString(), QStringLiteral("finished"));
        QCOMPARE(event.value("outcome").toString(), QString());
        runs.insert(event.value("run").toString());
    }
    QCOMPARE(runs.size(), 3);
    QCOMPARE(rawColumn(recordPath(), "PRAGMA integrity_check"), QStringList{"ok"});
}

void TestCli::history_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("firstLine"); // a pattern; "" for no output
    QTest::addColumn<int>("lines");
    QTest::addColumn<QString>("says"); // on stdout or stderr

    const QString time = QStringLiteral("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d");
    QTest::newRow("every event, newest first")
        << QStringList{"history"} << 0
        << "^bbbbbb04  " + time + "  bela@laptop1  write     COM4   0102 .*  hiba: Nincs nyugta\\.$"
        << 4 << "";
    QTest::newRow("a write counts its changed fields")
        << QStringList{"history", "--module", "0101", "--op", "write"} << 0
        << "^aaaaaa02  " + time +
               "  anna@laptop1  write     COM3   0101 Szivattyuhaz 2  rendben, "
               "2 mező változott$"
        << 1 << "";
    QTest::newRow("a status names the module as it stood")
        << QStringList{"history", "--port", "COM3", "--op", "status"} << 0
        << "^bbbbbb03  .*  0101 Szivattyuhaz 2  rendben$" << 1 << "";
    QTest::newRow("failed") << QStringList{"history", "--failed", "--operator", "bela"} << 0
                            << "^bbbbbb04 " << 1 << "";
    QTest::newRow("since and until in local time")
        << QStringList{"history", "--since", typed(minute(10)), "--until", typed(minute(16))} << 0
        << "^bbbbbb03 " << 2 << "";
    QTest::newRow("limit") << QStringList{"history", "--limit", "1", "--host", "laptop1"} << 0
                           << "^bbbbbb04 " << 1 << "";
    QTest::newRow("nothing matches")
        << QStringList{"history", "--host", "masik"} << 0 << "" << 0 << "Nincs ilyen esemény";
    QTest::newRow("show an event by its prefix")
        << QStringList{"history", "show", "aaaaaa02"} << 0
        << "^Esemény: " + eventId("aaaaaa02") + " \\(write, " + time + ", COM3, anna@laptop1\\)$"
        << -1 << "";
    QTest::newRow("show a module as it stood")
        << QStringList{"history", "show", "--module", "0101", "--at", typed(minute(7))} << 0
        << "^Esemény: " + eventId("aaaaaa01") + " \\(read, " << -1 << "";
    QTest::newRow("ambiguous prefix lists the candidates")
        << QStringList{"history", "show", "aaaaaa"} << 2 << "" << 0
        << eventId("aaaaaa01") + ", " + eventId("aaaaaa02");
    QTest::newRow("no such event") << QStringList{"history", "show", "cccccc"} << 1 << "" << 0
                                   << "Nincs ilyen esemény az előzményekben: cccccc";
    QTest::newRow("diff against the configuration before")
        << QStringList{"history", "diff", "aaaaaa02"} << 1
        << "^aaaaaa02 \\(előtte: aaaaaa01\\): Eltér \\(2 mező\\):$" << 3
        << "Modul neve: előtte \"Szivattyuhaz\"; utána \"Szivattyuhaz 2\"\n  3. telefonszám: "
           "előtte +36701112233, kimenet 2; utána +36301112222";
    QTest::newRow("diff of one configuration")
        << QStringList{"history", "diff", "aaaaaa01", "bbbbbb04"} << 0
        << "^aaaaaa01 és bbbbbb04: Egyezik\\.$" << 1 << "";
    QTest::newRow("diff without a configuration") << QStringList{"history", "diff", "bbbbbb03"} << 2
                                                  << "" << 0 << "nem rögzített konfigurációt";
    QTest::newRow("modules") << QStringList{"history", "modules"} << 0
                             << "^0101  Szivattyuhaz 2  fw \\?  utoljára " + time +
                                    ", COM3, anna@laptop1  konfiguráció: aaaaaa02$"
                             << 2 << "";
    QTest::newRow("search") << QStringList{"history", "search", "36301112222"} << 0 << "^0101  "
                            << 1 << "";
    QTest::newRow("record turned off")
        << QStringList{"history", "--no-record"} << 2 << "" << 0 << "ki vannak kapcsolva";
    QTest::newRow("unknown operation")
        << QStringList{"history", "--op", "erase"} << 2 << "" << 0 << "--op erase";
    QTest::newRow("bad time") << QStringList{"history", "--since", "tegnap"} << 2 << "" << 0
                              << "--since tegnap";
    QTest::newRow("both record options")
        << QStringList{"history", "--no-record", "--record", "x.sqlite"} << 2 << "" << 0
        << "--no-record";
}

void TestCli::history()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, firstLine);
    QFETCH(int, lines);
    QFETCH(QString, says);
    fillRecord();

    const Run run = ::history(recordPath(), arguments);
    QCOMPARE(run.exitCode, exitCode);
    if (!firstLine.isEmpty())
        QVERIFY2(QRegularExpression(firstLine).match(run.lines.value(0)).hasMatch(),
                 qPrintable(run.lines.join(u'\n')));
    if (lines >= 0)
        QVERIFY2(run.lines.size() == lines, qPrintable(run.lines.join(u'\n')));
    const QString output = run.lines.join(u'\n') + u'\n' + run.err;
    QVERIFY2(output.contains(says), qPrintable(output));
}

// What read -o saved comes back from the record byte for byte.
void TestCli::historyExportIsTheStoredFile()
{
    fillRecord();
    const QString saved = m_dir->filePath(QStringLiteral("saved.vgf"));
    QVERIFY(configfile::writeFile(saved, configurationA()));
    const QString exported = m_dir->filePath(QStringLiteral("exported.vgf"));
    const Run run = ::history(recordPath(), {"history", "export", "aaaaaa01", "-o", exported});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.lines, QStringList{exported + ": mentve (aaaaaa01, 0101 " +
                                    readOutState(sampleFields()).text("m_nev") + ")"});
    QCOMPARE(bytesOf(exported), bytesOf(saved));
    const Run none = ::history(recordPath(), {"history", "export", "bbbbbb03", "-o", exported});
    QCOMPARE(none.exitCode, 1);
    QCOMPARE(bytesOf(exported), bytesOf(saved));
}

// A dry run says what it would remove and removes nothing; --yes removes just that.
void TestCli::historyPrune()
{
    fillRecord();
    const QStringList before = ::history(recordPath(), {"history"}).lines;
    const Run dry = ::history(recordPath(), {"history", "prune", "--keep-last", "1"});
    QCOMPARE(dry.exitCode, 0);
    QVERIFY2(dry.lines.value(0).startsWith("Törölné: 2 esemény 2 modulból"),
             qPrintable(dry.lines.join(u'\n')));
    QCOMPARE(::history(recordPath(), {"history"}).lines, before);

    const Run applied = ::history(recordPath(), {"history", "prune", "--keep-last", "1", "--yes"});
    QCOMPARE(applied.exitCode, 0);
    QVERIFY(applied.lines.value(0).startsWith("Törölve: 2 esemény 2 modulból"));
    const QStringList after = ::history(recordPath(), {"history"}).lines;
    QCOMPARE(after.size(), 2);
    QVERIFY(after.at(0).startsWith("aaaaaa02 ") && after.at(1).startsWith("aaaaaa01 "));
    QCOMPARE(::history(recordPath(), {"history", "prune", "--keep-last", "1"}).lines,
             QStringList{"Törölné: nincs törölhető esemény."});
}

// A bundle read twice adds nothing the second time; a truncated one is refused whole.
void TestCli::historyBundles()
{
    fillRecord();
    const QString bundle = m_dir->filePath(QStringLiteral("nap.vgb"));
    const Run made = ::history(recordPath(), {"history", "export-bundle", bundle});
    QCOMPARE(made.exitCode, 0);
    QCOMPARE(made.lines, QStringList{bundle + ": 4 esemény, 2 konfiguráció."});

    const QString other = m_dir->filePath(QStringLiteral("masik.sqlite"));
    const QStringList import{"history", "import-bundle", bundle};
    QCOMPARE(::history(other, import).lines,
             QStringList{bundle + ": 4 esemény (új: 4), 2 konfiguráció (új: 2)."});
    const QStringList listed = ::history(other, {"history"}).lines;
    QCOMPARE(listed, ::history(recordPath(), {"history"}).lines);
    const Run again = ::history(other, import);
    QCOMPARE(again.exitCode, 0);
    QCOMPARE(again.lines, QStringList{bundle + ": 4 esemény (új: 0), 2 konfiguráció (új: 0)."});
    QCOMPARE(::history(other, {"history"}).lines, listed);

    const QString truncated = m_dir->filePath(QStringLiteral("csonka.vgb"));
    QFile cut(truncated);
    QVERIFY(cut.open(QIODevice::WriteOnly));
    cut.write(bytesOf(bundle).chopped(40));
    cut.close();
    const QString fresh = m_dir->filePath(QStringLiteral("uj.sqlite"));
    const Run refused = ::history(fresh, {"history", "import-bundle", truncated});
    QCOMPARE(refused.exitCode, 1);
    QVERIFY(refused.lines.isEmpty());
    QVERIFY2(refused.err.contains(truncated), qPrintable(refused.err));
    QVERIFY(::history(fresh, {"history"}).lines.isEmpty());
}

void TestCli::historyRefusesForeignFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("says");
    QTest::newRow("a text file") << "text"
                                 << "nem a program előzményfájlja";
    QTest::newRow("a newer program's record") << "newer"
                                              << "újabb változata";
}

// A file that is no record of this program is refused by every command and left as it was.
void TestCli::historyRefusesForeignFiles()
{
    QFETCH(QString, kind);
    QFETCH(QString, says);
    const QString path = m_dir->filePath(QStringLiteral("idegen.sqlite"));
    if (kind == "text") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("m_id;m_nev\n0101;Szivattyuhaz\n");
    } else {
        QVERIFY(record::Record::open(path));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "raw");
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QSqlQuery query(db);
            QVERIFY(query.exec("PRAGMA user_version = 99"));
            QVERIFY(query.exec("PRAGMA journal_mode = DELETE"));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("raw"));
    }
    const QByteArray bytes = bytesOf(path);
    const QStringList entries = QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden);
    for (const QStringList& arguments : {QStringList{"history"}, QStringList{"history", "modules"},
                                         QStringList{"history", "import-bundle", path}}) {
        const Run run = ::history(path, arguments);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains(says), qPrintable(run.err));
    }
    QCOMPARE(bytesOf(path), bytes);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), entries);
}

VEXAGRID_TEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
