// The many-modules dialog against simulated modules: the search, a run and its rows, the
// summary and the saved results, a refused table, and a stop in the middle of a write.
#include "app/fleetdialog.h"
#include "app/mainwindow.h"
#include "core/configcodec.h"
#include "core/configuration.h"
#include "core/programsettings.h"
#include "fleet/observer.h"
#include "fleet/recorder.h"
#include "record/record.h"
#include "tests/support/dialogdriver.h"
#include "tests/support/simfixture.h"
#include "tests/support/windowfixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

namespace {

const QString kSucceeded = QStringLiteral("Sikeres betöltés");

QString sourceDir()
{
    return qEnvironmentVariable("VEXAGRID_TEST_SOURCE_DIR");
}

void writeText(const QString& path, const QByteArray& content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

// The row of `port`: its module and its outcome.
QStringList row(FleetDialog& dialog, const QString& port)
{
    const auto* tree = dialog.findChild<QTreeWidget*>(QStringLiteral("ports"));
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = tree->topLevelItem(i);
        if (item->text(0) == port)
            return {item->checkState(0) == Qt::Checked ? QStringLiteral("x") : QString(),
                    item->text(2), item->text(4)};
    }
    return {};
}

void click(FleetDialog& dialog, const char* name)
{
    auto* button = dialog.findChild<QPushButton*>(QLatin1String(name));
    QVERIFY(button && button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
}

void setText(FleetDialog& dialog, const char* name, const QString& text)
{
    dialog.findChild<QLineEdit*>(QLatin1String(name))->setText(text);
}

// "Eredmények mentése...", answered with `path`: the file's lines.
QStringList savedResults(FleetDialog& dialog, const QString& path)
{
    DialogDriver driver;
    driver.expectFile(path);
    click(dialog, "saveResults");
    if (!driver.waitDone())
        qWarning("%s", qPrintable(driver.problems()));
    QFile results(path);
    if (!results.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(results.readAll()).split(QStringLiteral("\r\n"));
}

QString summary(FleetDialog& dialog)
{
    return dialog.findChild<QLabel*>(QStringLiteral("summary"))->text();
}

} // namespace

class TestFleetDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void threeModules();
    void refusedTable_data();
    void refusedTable();
    void stopped_data();
    void stopped();
    void fromTheForm_data();
    void fromTheForm();
    void unstoredFinish();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_file;
};

// A working folder with the defaults file where the window looks for it, and the simulated
// module's sample as a configuration file.
void TestFleetDialog::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir::setCurrent(m_dir->path()));
    const QString defaults = sourceDir() + QStringLiteral("/resources/defval_vg.dll");
    QVERIFY(QFile::copy(defaults, m_dir->filePath(QStringLiteral("defval_vg.dll"))));
    Configuration config = Configuration::connected();
    QVERIFY(config.load(configfile::readFile(defaults).valueOr({})));
    QStringList fields = SimModule::sampleFields();
    fields[10] = QStringLiteral("0"); // the range a file can hold
    config.fillFromReadOut(fields);
    m_file = m_dir->filePath(QStringLiteral("alap.vgf"));
    QVERIFY(configfile::writeFile(m_file, config.lines()));
}

// A good module, one that never acknowledges, a port with nothing behind it: found, written,
// said, counted and saved; each module got what vexagrid-cli write --each sends it.
void TestFleetDialog::threeModules()
{
    SimFixture fixture;
    SimModule* good = fixture.start(QStringLiteral("COM3"));
    SimModule* deaf = fixture.start(QStringLiteral("COM4"));
    SimModule* silent = fixture.start(QStringLiteral("COM5"));
    QVERIFY(good && deaf && silent);
    deaf->setFault(SimModule::Fault::NeverAcknowledge);
    silent->setFault(SimModule::Fault::Silent);
    const QString table = m_dir->filePath(QStringLiteral("modulok.csv"));
    writeText(table, "port,m_id\nCOM3,0101\nCOM4,0102\nCOM5,0103\n");

    FleetDialog dialog({}, fleet::Observer::none());
    dialog.show();
    QSignalSpy searched(&dialog, &FleetDialog::searchFinished);
    click(dialog, "search");
    QVERIFY(searched.wait(30000));
    QCOMPARE(row(dialog, "COM3").first(), QStringLiteral("x"));
    QVERIFY(!row(dialog, "COM3").at(1).isEmpty());
    QCOMPARE(row(dialog, "COM5"), (QStringList{"", "nem modul (nem válaszolt)", ""}));

    setText(dialog, "file", m_file);
    setText(dialog, "tableFile", table);
    QSignalSpy finished(&dialog, &FleetDialog::runFinished);
    click(dialog, "start");
    QVERIFY(finished.wait(60000));
    QVERIFY(row(dialog, "COM3").at(2).startsWith(kSucceeded));
    QVERIFY(row(dialog, "COM4").at(2).contains(QStringLiteral("nem nyugtázta")));
    QCOMPARE(summary(dialog),
             QStringLiteral("1 sikeres, 1 hibás, 1 nem modul, 0 nem nyitható meg"));

    const QStringList lines = savedResults(dialog, m_dir->filePath(QStringLiteral("e.csv")));
    QVERIFY(lines.size() > 3);
    QCOMPARE(lines.first(), QStringLiteral("port,modul,eredmény,üzenet,mentés"));
    QVERIFY(lines.at(1).startsWith(QStringLiteral("COM3,")));
    QVERIFY(lines.at(1).contains(QStringLiteral(",sikeres,")));
    QVERIFY(lines.at(3).startsWith(QStringLiteral("COM5,,nem modul,")));

    // The same file and table through the command line: the same frames, module by module.
    const QList<SimWrite> byDialog[] = {good->writes(), deaf->writes()};
    good->clearRecordings();
    deaf->clearRecordings();
    QProcess cli;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VEXAGRID_DOSDEVICES"), fixture.deviceDirectory());
    cli.setProcessEnvironment(environment);
    cli.start(qEnvironmentVariable("VEXAGRID_TEST_BIN_DIR") + QStringLiteral("/vexagrid-cli"),
              {"write", "--each", table, "--verify", "--base", "defval_vg.dll", m_file});
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitCode(), 1);
    SimModule* modules[] = {good, deaf};
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(modules[i]->writes().size(), 1);
        QCOMPARE(byDialog[i].size(), 1);
        QCOMPARE(byDialog[i].first().bytes, modules[i]->writes().first().bytes);
    }
}

void TestFleetDialog::refusedTable_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("problems");
    QTest::addColumn<int>("refusedRows");
    // clang-format off
    QTest::newRow("a value refused")
        << QByteArray("port,m_id\nCOM3,0101\nCOM4,01a1\n")
        << QStringList{"modulok.csv, 3. sor:", "(2. oszlop: "} << 1;
    QTest::newRow("a bad port and a row too short")
        << QByteArray("port,m_id\nCOM99,0101\nCOM3\n")
        << QStringList{"modulok.csv, 2. sor", "modulok.csv, 3. sor"} << 2;
    // clang-format on
}

// Every problem of the table listed before anything starts, and nothing sent.
void TestFleetDialog::refusedTable()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, problems);
    QFETCH(int, refusedRows);
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    const QString table = m_dir->filePath(QStringLiteral("modulok.csv"));
    writeText(table, content);

    FleetDialog dialog({}, fleet::Observer::none());
    dialog.show();
    // The port list has looked whether each port opens (the module notices that a moment
    // later); nothing more may come.
    static_cast<void>(module->waitForCloses(1, 5000));
    const int listed = module->openCount();
    setText(dialog, "file", m_file);
    setText(dialog, "tableFile", table);
    click(dialog, "start");
    QVERIFY(!dialog.isRunning());
    const auto* list = dialog.findChild<QListWidget*>(QStringLiteral("problems"));
    QVERIFY(list->isVisible());
    QStringList shown;
    for (int i = 0; i < list->count(); ++i)
        shown << list->item(i)->text();
    QCOMPARE(shown.size(), refusedRows);
    for (const QString& part : problems)
        QVERIFY2(shown.join(u'\n').contains(part), qPrintable(shown.join(u'\n')));
    QVERIFY(summary(dialog).startsWith(QStringLiteral("Egyik modullal sem történt semmi")));
    QCOMPARE(module->received(), QByteArray());
    QCOMPARE(module->openCount(), listed);
}

void TestFleetDialog::stopped_data()
{
    QTest::addColumn<bool>("byClosing");
    QTest::newRow("Leállítás") << false;
    QTest::newRow("closing the dialog, answered yes") << true;
}

// A paced run stopped during the backup's read-out: every row says it did not finish, nothing
// was written, the dialog's threads are gone and every port it opened is closed.
void TestFleetDialog::stopped()
{
    QFETCH(bool, byClosing);
    SimFixture fixture;
    SimModule* modules[] = {fixture.start(QStringLiteral("COM3")),
                            fixture.start(QStringLiteral("COM4"))};
    for (SimModule* module : modules) {
        QVERIFY(module);
        module->setPaced(true);
    }
    FleetDialog dialog({}, fleet::Observer::none());
    dialog.show();
    setText(dialog, "file", m_file);
    setText(dialog, "backupFolder", m_dir->filePath(QStringLiteral("mentesek")));
    auto* tree = dialog.findChild<QTreeWidget*>(QStringLiteral("ports"));
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        tree->topLevelItem(i)->setCheckState(0, Qt::Checked);
    QSignalSpy finished(&dialog, &FleetDialog::runFinished);
    QSignalSpy rejected(&dialog, &QDialog::rejected);
    click(dialog, "start");
    // The read-out's request is in: the backup is under way on both, for seconds.
    for (SimModule* module : modules) {
        QVERIFY(module->waitForRequests(2, 30000));
        QVERIFY(module->waitForReceived(4, 30000));
    }
    DialogDriver driver;
    if (byClosing) {
        driver.expectMessage(QMessageBox::Yes);
        dialog.close();
    } else {
        click(dialog, "stop");
    }
    QVERIFY(finished.wait(30000));
    QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));
    QVERIFY(!dialog.isRunning());
    QCOMPARE(rejected.size(), byClosing ? 1 : 0);
    QCOMPARE(summary(dialog), QStringLiteral("0 sikeres, 0 hibás, 0 nem modul, 0 nem nyitható meg, "
                                             "2 befejezetlen"));
    for (const char* port : {"COM3", "COM4"})
        QVERIFY2(row(dialog, port).at(2).startsWith(QStringLiteral("Megszakítva")),
                 qPrintable(row(dialog, port).at(2)));
    for (SimModule* module : modules) {
        QVERIFY(module->waitForCloses(module->openCount(), 5000));
        QVERIFY(module->writes().isEmpty());
    }
}

void TestFleetDialog::fromTheForm_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("box"); // the download's box, when the form is refused
    QTest::newRow("a form that may be sent") << "Kut 2"
                                             << "";
    QTest::newRow("an empty name, refused as the download refuses it") << ""
                                                                       << "Hiba";
}

// With a module connected, the form is what is written, checked as the download checks it.
void TestFleetDialog::fromTheForm()
{
    QFETCH(QString, name);
    QFETCH(QString, box);
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    std::unique_ptr<MainWindow> window(fixture::connectedWindow());
    window->newfile();
    window->settings().deviceKind = std::int32_t(DeviceKind::VexaGrid3); // as identified
    window->findChild<QLineEdit*>(QStringLiteral("m_nev"))->setText(name);
    FormContext context = window->context();
    FleetDialog dialog(fleetdialog::formSource(context), fleet::Observer::none());
    dialog.show();
    QVERIFY(dialog.findChild<QRadioButton*>(QStringLiteral("formSource"))->isChecked());
    auto* tree = dialog.findChild<QTreeWidget*>(QStringLiteral("ports"));
    QCOMPARE(tree->topLevelItemCount(), 1);
    tree->topLevelItem(0)->setCheckState(0, Qt::Checked);
    static_cast<void>(module->waitForCloses(1, 5000)); // the port list's look
    const int listed = module->openCount();
    QSignalSpy finished(&dialog, &FleetDialog::runFinished);
    DialogDriver driver;
    if (!box.isEmpty())
        driver.expectMessage();
    click(dialog, "start");
    if (!box.isEmpty()) {
        QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));
        QCOMPARE(driver.last().title, box);
        QVERIFY(!dialog.isRunning());
        QCOMPARE(module->openCount(), listed);
        return;
    }
    QVERIFY(finished.wait(60000));
    QVERIFY(row(dialog, "COM3").at(2).startsWith(kSucceeded));
    QCOMPARE(module->writes().size(), 1);
    QCOMPARE(module->writes().first().outcome, SimWrite::Outcome::Stored);
    QVERIFY(module->writes().first().bytes.contains("Kut 2"));
    QVERIFY(driver.done());
}

// A write whose finish the record refuses (another program took it for abandoned once its
// owner's lock file went) is named unrecorded; the recorder's own thread still ends.
void TestFleetDialog::unstoredFinish()
{
    const QString path = m_dir->filePath(QStringLiteral("record.sqlite"));
    {
        fleet::Recorder recorder(record::Location::file(path), fleet::Recorder::Writes::Yes);
        QVERIFY(recorder.ready().ok());
        fleet::Exchange kept;
        kept.operation = fleet::Operation::Write;
        kept.port = QStringLiteral("COM3");
        fleet::Exchange lost = kept;
        lost.port = QStringLiteral("COM4");
        QVERIFY(recorder.started(kept).ok());
        QVERIFY(recorder.started(lost).ok());
        recorder.finished(kept);
        QVERIFY(QDir(path + QStringLiteral("-owners")).removeRecursively());
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("Could not remove our own lock")));
        QVERIFY(record::Record::open(path).ok());
        recorder.finished(lost);
        QCOMPARE(recorder.unrecorded(), QStringList{QStringLiteral("COM4")});
    }
    Expected<record::Record> opened = record::Record::open(path);
    QVERIFY(opened.ok());
    Expected<QList<record::Event>> events = opened->events(record::EventFilter());
    QVERIFY(events.ok());
    QStringList states;
    for (const record::Event& event : *events)
        states << event.port + u' ' + QString::number(int(event.state));
    states.sort();
    QCOMPARE(states, (QStringList{QStringLiteral("COM3 %1").arg(int(record::State::Finished)),
                                  QStringLiteral("COM4 %1").arg(int(record::State::Interrupted))}));
}

QTEST_MAIN(TestFleetDialog)
#include "tst_fleetdialog.moc"
