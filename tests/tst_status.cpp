// The status query, end to end: a simulated module on COM3 reports its state, the user
// presses "Állapot lekérdezése", and the test looks at the bytes the module received, the
// status panel, the button and the message box.
#include "tests/support/dialogdriver.h"
#include "tests/support/simfixture.h"
#include "tests/support/testmain.h"
#include "tests/support/windowfixture.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

namespace {

// How long a test waits for something the module or the program is bound to do. Only a
// failing test waits this long; a starved machine gets all the room it needs.
constexpr int kEventWaitMs = 30000;

const QString active = QStringLiteral("background-color: rgb(255, 170, 0);");
const QString off = QStringLiteral("background-color: rgb(180, 180, 180);");
const QString alarm = QStringLiteral("background-color: rgb(255, 0, 0);");
const QString normal = QStringLiteral("background-color: rgb(0, 170, 0);");
const QString lowChunk = QStringLiteral("QProgressBar::chunk { background-color: #FF0000; }");
const QString chunk = QStringLiteral("QProgressBar::chunk { background-color: #05B8CC; }");

const QString readyStyle =
    QStringLiteral("color: rgb(255, 255, 255); background-color: rgb(0, 170, 127);");
const QString busyStyle =
    QStringLiteral("color: rgb(255, 255, 255); background-color: rgb(180, 180, 180);");

// Outputs 1, 3 and 4 on, phases R and T and input 4 in alarm, supply present.
SimStatus busyModule()
{
    SimStatus status;
    status.outputs[0] = true;
    status.outputs[2] = true;
    status.outputs[3] = true;
    status.phaseAlarms[0] = true;
    status.phaseAlarms[2] = true;
    status.input4 = true;
    status.analog = "23.4";
    status.counter = "01234";
    status.supply = true;
    return status;
}

// The panel as the user sees it, one "name=value" entry per widget; the signal bar last.
QStringList panel(const Ui::MainWindow& ui)
{
    QStringList values;
    const QWidget* const lamps[] = {ui.w_ki1, ui.w_ki2, ui.w_ki3, ui.w_ki4, ui.w_be1,
                                    ui.w_be2, ui.w_be3, ui.w_be4, ui.w_tp};
    for (const QWidget* lamp : lamps)
        values << lamp->objectName() + "=" + lamp->styleSheet();
    values << "l_analog=" + ui.l_analog->text() << "l_counter=" + ui.l_counter->text()
           << "l_ver=" + ui.l_ver->text();
    values << QStringLiteral("terero=%1 of %2..%3")
                  .arg(ui.terero->value())
                  .arg(ui.terero->minimum())
                  .arg(ui.terero->maximum())
           << "terero style=" + ui.terero->styleSheet();
    return values;
}

QStringList expectedPanel(const QStringList& lamps, const QString& analog, const QString& counter,
                          const QString& version, int signal)
{
    static const QStringList names{"w_ki1", "w_ki2", "w_ki3", "w_ki4", "w_be1",
                                   "w_be2", "w_be3", "w_be4", "w_tp"};
    QStringList values;
    for (int i = 0; i < names.size(); ++i)
        values << names.at(i) + "=" + lamps.at(i);
    values << "l_analog=" + analog << "l_counter=" + counter << "l_ver=" + version;
    values << QStringLiteral("terero=%1 of 0..55").arg(signal)
           << "terero style=" + (signal == 10 ? lowChunk : chunk);
    return values;
}

} // namespace

class TestStatus : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void panelShowsTheReply_data();
    void panelShowsTheReply();
    void failureKeepsThePanel_data();
    void failureKeepsThePanel();
    void slowEndings_data();
    void slowEndings();
    void busyWhileTheQueryRuns();

private:
    void query(DialogDriver& driver);
    void verifyReady();
    void verifyFailureBox(const DialogDriver& driver, const QString& reason = {});

    SimFixture* sim = nullptr;
    SimModule* module = nullptr;
    MainWindow* window = nullptr;
};

void TestStatus::init()
{
    sim = new SimFixture;
    QVERIFY(sim->isValid());
    module = sim->start("COM3");
    QVERIFY(module);
    module->setStatus(busyModule());
    window = fixture::connectedWindow();
    window->settings().port = "COM3";
    window->settings().deviceKind = 4;
    // The query ignores the record's rate.
    window->settings().baud = 9600;
}

void TestStatus::cleanup()
{
    delete window;
    window = nullptr;
    delete sim;
    sim = nullptr;
}

void TestStatus::query(DialogDriver& driver)
{
    window->form().allapot_gomb->click();
    QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));
    QVERIFY(window->findChildren<QProgressDialog*>().isEmpty());
}

void TestStatus::verifyReady()
{
    const QPushButton* button = window->form().allapot_gomb;
    QCOMPARE(button->styleSheet(), readyStyle);
    QCOMPARE(button->text(), "Állapot lekérdezése");
    QVERIFY(button->isEnabled());
}

void TestStatus::verifyFailureBox(const DialogDriver& driver, const QString& reason)
{
    QCOMPARE(driver.seen().size(), 1);
    QCOMPARE(driver.last().icon, QMessageBox::Critical);
    QCOMPARE(driver.last().title, "Hiba");
    // A port that does not open adds why, on a line of its own.
    QCOMPARE(driver.last().text, "Sikertelen lekérdezés.\nEllenõrizze az eszközt!" +
                                     (reason.isEmpty() ? QString() : "\n" + reason));
    QCOMPARE(driver.last().buttonCount, 1);
    QVERIFY(!driver.last().hasDefaultButton);
}

void TestStatus::panelShowsTheReply_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("strength");
    QTest::addColumn<bool>("supply");
    QTest::addColumn<QString>("firmware");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("identified module")
        << 4 << 3 << true << "FW2.14\u00e9"
        << expectedPanel({active, off, active, active, alarm, normal, alarm, alarm, normal},
                         "23.4 V", "01234", "FW2.14\u00e9", 30);
    // Without an identified module only what every module has is shown.
    QTest::newRow("no module identified")
        << 0 << 3 << true << "FW2.14"
        << expectedPanel({active, off, off, off, alarm, normal, normal, normal, normal}, "--.- V",
                         "-----", "FW2.14", 30);
    // Markup in the version is shown as it came.
    QTest::newRow("strength 6, no supply")
        << 4 << 6 << false << "<b>FW3</b>"
        << expectedPanel({active, off, active, active, alarm, normal, alarm, alarm, alarm},
                         "23.4 V", "01234", "<b>FW3</b>", 10);
}

void TestStatus::panelShowsTheReply()
{
    QFETCH(int, kind);
    QFETCH(int, strength);
    QFETCH(bool, supply);
    QFETCH(QString, firmware);
    QFETCH(QStringList, expected);

    SimStatus status = busyModule();
    status.signal = strength;
    status.supply = supply;
    status.firmware = firmware;
    module->setStatus(status);
    window->settings().deviceKind = kind;

    DialogDriver driver;
    query(driver);
    QVERIFY(driver.seen().isEmpty());

    QCOMPARE(module->received(), QByteArray("~["));
    QCOMPARE(module->requests().size(), 1);
    QCOMPARE(module->requests().first().line.toString(), "1200 8N1");
    QVERIFY(module->waitForCloses(1, kEventWaitMs));

    const Ui::MainWindow& ui = window->form();
    QCOMPARE(panel(ui), expected);
    QCOMPARE(ui.l_ver->textFormat(), Qt::PlainText);
    verifyReady();

    if (QByteArray(QTest::currentDataTag()) == "identified module") {
        QVERIFY(QDir().mkpath("screenshots"));
        QVERIFY(ui.g_allapot->grab().save("screenshots/status.png"));
    }
}

void TestStatus::failureKeepsThePanel_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("fault");

    QTest::newRow("seven pieces") << "COM3"
                                  << QByteArray("OUTP:1111 IN:0000 AN:1 CNT:2 POWER:1 "
                                                "GSMQ:5 ERR:0\r")
                                  << int(SimModule::Fault::None);
    QTest::newRow("garbage") << "COM3" << QByteArray() << int(SimModule::Fault::Garbage);
    QTest::newRow("port that does not open")
        << "COM9" << QByteArray() << int(SimModule::Fault::None);
}

void TestStatus::failureKeepsThePanel()
{
    QFETCH(QString, port);
    QFETCH(QByteArray, reply);
    QFETCH(int, fault);

    // A good query first, so that there is something to keep.
    {
        DialogDriver first;
        query(first);
        QVERIFY(first.seen().isEmpty());
    }
    const QStringList before = panel(window->form());

    if (!reply.isEmpty())
        module->setRawReply(SimModule::Request::Status, reply);
    module->setFault(SimModule::Fault(fault));
    window->settings().port = port;
    DialogDriver driver;
    driver.expectMessage();
    query(driver);
    verifyFailureBox(driver, port == "COM9" ? "A COM9 nem nyitható meg: nincs ilyen port." : "");
    verifyReady();

    // Lamps, values and version as before; the signal bar emptied.
    QStringList after = before;
    after[after.size() - 2] = "terero=-1 of 0..55";
    after[after.size() - 1] = "terero style=";
    QCOMPARE(panel(window->form()), after);
}

void TestStatus::slowEndings_data()
{
    QTest::addColumn<bool>("silent");
    QTest::addColumn<bool>("succeeds");

    // Both wait out the module's 4500 ms of silence.
    QTest::newRow("silent module") << true << false;
    QTest::newRow("reply without its CR") << false << true;
}

void TestStatus::slowEndings()
{
    QFETCH(bool, silent);
    QFETCH(bool, succeeds);

    if (silent)
        module->setFault(SimModule::Fault::Silent);
    else
        module->setRawReply(SimModule::Request::Status,
                            "OUTP:1000 IN:0100 AN:1.5 CNT:7 POWER:1 GSMQ:4 ERR:0 FW9");
    const QStringList before = panel(window->form());

    DialogDriver driver;
    if (!succeeds)
        driver.expectMessage();
    query(driver);
    verifyReady();
    if (succeeds) {
        QVERIFY(driver.seen().isEmpty());
        QCOMPARE(panel(window->form()),
                 expectedPanel({active, off, off, off, normal, alarm, normal, normal, normal},
                               "1.5 V", "7", "FW9", 40));
    } else {
        verifyFailureBox(driver);
        QCOMPARE(panel(window->form()).mid(0, before.size() - 2), before.mid(0, before.size() - 2));
    }
}

void TestStatus::busyWhileTheQueryRuns()
{
    // At the line's real speed the reply takes about half a second.
    module->setPaced(true);
    struct
    {
        QString text, style, barStyle, label;
        bool enabled = true, visible = false, cancelButton = true;
        int barValue = 0, maximum = 0;
        Qt::WindowModality modality = Qt::NonModal;
        QWidget* parent = nullptr;
    } seen;
    QTimer::singleShot(200, window, [&] {
        const Ui::MainWindow& ui = window->form();
        seen.text = ui.allapot_gomb->text();
        seen.style = ui.allapot_gomb->styleSheet();
        seen.enabled = ui.allapot_gomb->isEnabled();
        seen.barStyle = ui.terero->styleSheet();
        seen.barValue = ui.terero->value();
        if (auto* progress = window->findChild<QProgressDialog*>()) {
            seen.label = progress->labelText();
            seen.maximum = progress->maximum();
            seen.visible = progress->isVisible();
            seen.modality = progress->windowModality();
            seen.parent = progress->parentWidget();
            seen.cancelButton = progress->findChild<QPushButton*>() != nullptr;
        }
    });

    DialogDriver driver;
    query(driver);
    QVERIFY(driver.seen().isEmpty());

    QCOMPARE(seen.text, "Várjon!...");
    QCOMPARE(seen.style, busyStyle);
    QVERIFY(!seen.enabled);
    QCOMPARE(seen.barStyle, "");
    QCOMPARE(seen.barValue, -1);
    QCOMPARE(seen.label, "Állapot lekérdezése...");
    QCOMPARE(seen.maximum, 50);
    QVERIFY(seen.visible);
    QVERIFY(!seen.cancelButton);
    QCOMPARE(seen.modality, Qt::WindowModal);
    QCOMPARE(seen.parent, window);
    verifyReady();
}

VEXAGRID_TEST_MAIN(TestStatus)
#include "tst_status.moc"
