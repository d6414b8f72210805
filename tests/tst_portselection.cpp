// The port dialog and the identification of the module, end to end against simulated
// modules in a temporary device directory: what the modules received, the dialog's
// list, the message boxes and the state of the window.
#include "app/setcom.h"
#include "device/portmap.h"
#include "tests/support/dialogdriver.h"
#include "tests/support/seriallog.h"
#include "tests/support/simfixture.h"
#include "tests/support/testmain.h"
#include "tests/support/windowfixture.h"
#include "ui_mainwindow.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMutex>
#include <QProgressDialog>
#include <QPushButton>
#include <QSerialPort>
#include <QStatusBar>
#include <QTemporaryDir>

#include <grp.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

namespace {

// How long a test waits for something a module or the program is bound to do. Only a
// failing test waits this long; a starved machine gets all the room it needs.
constexpr int kEventWaitMs = 30000;

const QString noModule =
    QStringLiteral("A kiválasztott porton nem található csatlakoztatott eszköz.");

// Starts one module per entry, "COM3" or "COM3:<fault name>".
bool startModules(SimFixture& sim, const QStringList& modules)
{
    for (const QString& entry : modules) {
        const QStringList parts = entry.split(QLatin1Char(':'));
        SimModule* module = sim.start(parts.first());
        if (!module)
            return false;
        if (parts.size() > 1)
            module->setFault(*SimModule::faultFromName(parts.at(1)));
    }
    return true;
}

QStringList items(const QComboBox* combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

QComboBox* portCombo(QWidget* dialog)
{
    return dialog->findChild<QComboBox*>(QStringLiteral("comboBox"));
}

void press(QDialog* dialog, QDialogButtonBox::StandardButton which)
{
    auto* box = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    QTest::mouseClick(box->button(which), Qt::LeftButton);
}

bool hasLabel(QStatusBar* bar, const QString& text)
{
    const auto labels = bar->findChildren<QLabel*>();
    return std::any_of(labels.begin(), labels.end(),
                       [&](const QLabel* label) { return label->text() == text; });
}

// Starts its clock when a search's progress dialog goes away: the search is over then, and
// the dialog schedules the acceptance of a port it found only after that.
class SearchEnd : public QObject
{
public:
    SearchEnd() { qApp->installEventFilter(this); }
    ~SearchEnd() override { qApp->removeEventFilter(this); }

    QElapsedTimer clock;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Hide && qobject_cast<QProgressDialog*>(watched))
            clock.start();
        return false;
    }
};

// Puts a probe in place for one test and the real one back afterwards.
class ProbeGuard
{
public:
    explicit ProbeGuard(const PortMap::Probe& probe) { PortMap::setProbe(probe); }
    ~ProbeGuard() { PortMap::setProbe({}); }
    ProbeGuard(const ProbeGuard&) = delete;
    ProbeGuard& operator=(const ProbeGuard&) = delete;
};

// A probe that refuses one device the way `result` says and opens the rest for real.
PortMap::Probe refusing(const QString& device, const PortMap::OpenResult& result)
{
    PortMap::Probe probe;
    probe.open = [device, result](const QString& path) {
        return path == device ? result : PortMap::openDevice(path);
    };
    return probe;
}

// A file standing in for a device node, in the group a user joins for serial ports. False
// when the file cannot be given that group (a user outside it, or no such group).
bool makeDevice(const QString& path, const char* group)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.close();
    const struct group* entry = ::getgrnam(group);
    return entry && ::chown(QFile::encodeName(path).constData(), uid_t(-1), entry->gr_gid) == 0;
}

} // namespace

class TestPortSelection : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    // The dialog
    void listAndBaudFromTheRecord_data();
    void listAndBaudFromTheRecord();
    void formReloadAndLanguageChange();
    void search_data();
    void search();
    void refreshStopsThePendingAcceptance();
    void cancelEndsTheSearch_data();
    void cancelEndsTheSearch();
    void systemListDecidesWhichPortsExist();
    void portsThatDoNotOpenAreExplained_data();
    void portsThatDoNotOpenAreExplained();
    void adapterNamedUnderTheListAndInTooltips();

    // show_port()
    void deviceButtonSearchesMenuDoesNot_data();
    void deviceButtonSearchesMenuDoesNot();
    void identificationSucceeds_data();
    void identificationSucceeds();
    void identificationFails_data();
    void identificationFails();
    void rejectedDialogChangesNothing();

    void screenshots();

private:
    // Runs show_port() from the menu; `answer` handles the port dialog, and a message
    // box follows unless the dialog is rejected.
    void showPortFromMenu(MainWindow* window, DialogDriver& driver,
                          std::function<void(QDialog*)> answer, bool message = true);

    std::unique_ptr<QTemporaryDir> workDir;
    QString oldDir;
};

void TestPortSelection::init()
{
    // A successful identification loads the defaults from the current directory.
    oldDir = QDir::currentPath();
    workDir = std::make_unique<QTemporaryDir>();
    QVERIFY(workDir->isValid());
    QDir::setCurrent(workDir->path());
    QVERIFY(QFile::copy(fixture::sourcePath("resources/defval_vg.dll"), "defval_vg.dll"));
}

void TestPortSelection::cleanup()
{
    QDir::setCurrent(oldDir);
    workDir.reset();
}

void TestPortSelection::showPortFromMenu(MainWindow* window, DialogDriver& driver,
                                         std::function<void(QDialog*)> answer, bool message)
{
    driver.expectDialog("setcom", std::move(answer));
    if (message)
        driver.expectMessage();
    window->form().actionPort->trigger();
}

void TestPortSelection::listAndBaudFromTheRecord_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<int>("baud");
    QTest::addColumn<QString>("shownPort");
    QTest::addColumn<QString>("shownBaud");
    QTest::addColumn<int>("resultBaud");

    QTest::newRow("record port listed") << "COM7" << 9600 << "COM7"
                                        << "9600" << 9600;
    QTest::newRow("record port gone") << "COM9" << 1200 << "COM3"
                                      << "1200" << 1200;
    QTest::newRow("baud 0") << "COM3" << 0 << "COM3"
                            << "" << 0;
    QTest::newRow("baud not in the list") << "COM3" << 14400 << "COM3"
                                          << "" << 0;
}

void TestPortSelection::listAndBaudFromTheRecord()
{
    QFETCH(QString, port);
    QFETCH(int, baud);
    QFETCH(QString, shownPort);
    QFETCH(QString, shownBaud);
    QFETCH(int, resultBaud);

    // COM5 is an entry whose device is gone: it does not open and is not offered.
    SimFixture sim;
    QVERIFY(startModules(sim, {"COM3", "COM7"}));
    QVERIFY(sim.addEntry("com5", workDir->filePath("no-such-device")));

    setcom dialog(port, baud, 300, false);
    QCOMPARE(items(portCombo(&dialog)), QStringList({"COM3", "COM7"}));
    QCOMPARE(dialog.port(), shownPort);
    auto* rates = dialog.findChild<QComboBox*>("baudrate");
    QVERIFY(!rates->isEnabled());
    QCOMPARE(rates->count(), 15);
    QCOMPARE(rates->currentText(), shownBaud);
    QCOMPARE(dialog.baud(), resultBaud);
    // Listing a port opens and closes it; nothing is sent.
    QVERIFY(sim.module("COM3")->received().isEmpty());
}

void TestPortSelection::formReloadAndLanguageChange()
{
    SimFixture sim;
    QVERIFY(startModules(sim, {"COM3"}));
    setcom dialog("COM4", 1200, 300, false);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(items(portCombo(&dialog)), QStringList({"COM3"}));
    // No text is cut off with this platform's fonts, and the reload icon is there.
    for (const char* name : {"l_com", "l_baud", "autoPort"}) {
        const auto* widget = dialog.findChild<QWidget*>(name);
        QVERIFY2(widget->sizeHint().width() <= widget->width(), name);
    }
    QVERIFY(!dialog.findChild<QPushButton*>("reload")->icon().pixmap(16).isNull());

    // A module plugged in later appears on a refresh, and the record's port is chosen.
    QVERIFY(startModules(sim, {"COM4"}));
    auto* reload = dialog.findChild<QPushButton*>("reload");
    QCOMPARE(reload->toolTip(), "Frissítés");
    QTest::mouseClick(reload, Qt::LeftButton);
    QCOMPARE(items(portCombo(&dialog)), QStringList({"COM3", "COM4"}));
    QCOMPARE(dialog.port(), "COM4");
    QCOMPARE(dialog.focusWidget(), portCombo(&dialog));

    // The texts are set again, but the ports found stay listed and selected.
    QEvent change(QEvent::LanguageChange);
    QCoreApplication::sendEvent(&dialog, &change);
    QCOMPARE(dialog.windowTitle(), "Port beállítások");
    QCOMPARE(dialog.findChild<QLabel*>("l_com")->text(), "COM Port:");
    QCOMPARE(dialog.findChild<QLabel*>("l_baud")->text(), "Baudrate:");
    QCOMPARE(dialog.findChild<QPushButton*>("autoPort")->text(), "Automatikus portkeresés");
    QCOMPARE(reload->toolTip(), "Frissítés");
    QCOMPARE(items(portCombo(&dialog)), QStringList({"COM3", "COM4"}));
    QCOMPARE(dialog.port(), "COM4");
    QCOMPARE(dialog.baud(), 1200);
}

void TestPortSelection::search_data()
{
    QTest::addColumn<QStringList>("modules");
    QTest::addColumn<int>("baud");
    QTest::addColumn<QString>("found"); // "" when nothing is found
    QTest::addColumn<QStringList>("diagnostics");

    QTest::newRow("one module") << QStringList{"COM3"} << 1200 << "COM3" << QStringList{};
    QTest::newRow("two modules: the later one")
        << QStringList{"COM3", "COM4"} << 9600 << "COM4" << QStringList{};
    QTest::newRow("later ports without a module keep the earlier")
        << QStringList{"COM3", "COM4:silent", "COM5:garbage"} << 1200 << "COM3" << QStringList{};
    QTest::newRow("a port that never goes silent is cut off")
        << QStringList{"COM3:talk", "COM4"} << 1200 << "COM4" << QStringList{};
    QTest::newRow("lower case is no module")
        << QStringList{"COM3:lower-case-id"} << 1200 << "" << QStringList{};
    QTest::newRow("no port at all") << QStringList{} << 1200 << "" << QStringList{};
    QTest::newRow("baud 0: no port opens")
        << QStringList{"COM3", "COM4"} << 0 << ""
        << QStringList{"unable to set comport dcb settings", "unable to set comport dcb settings"};
}

void TestPortSelection::search()
{
    QFETCH(QStringList, modules);
    QFETCH(int, baud);
    QFETCH(QString, found);
    QFETCH(QStringList, diagnostics);

    SimFixture sim;
    QVERIFY(startModules(sim, modules));
    QStringList listed;
    for (const QString& entry : modules)
        listed << entry.section(QLatin1Char(':'), 0, 0);

    QWidget owner;
    DialogDriver driver;
    if (found.isEmpty())
        driver.expectMessage();
    SerialLog written;
    SearchEnd searchEnd;
    setcom dialog("COM1", baud, 300, true, &owner);
    QCOMPARE(written.critical(), diagnostics);

    // Every port was asked once, at the dialog's rate, or none opened at all.
    for (const QString& name : listed) {
        SimModule* module = sim.module(name);
        if (baud == 0) {
            QVERIFY(module->received().isEmpty());
        } else if (module->fault() == SimModule::Fault::TalkWithoutPause) {
            QVERIFY(module->waitForReceived(2, kEventWaitMs));
            QCOMPARE(module->received(), "~|");
        } else {
            QVERIFY(module->waitForRequests(1, kEventWaitMs));
            QCOMPARE(module->received(), "~|");
            QCOMPARE(module->requests().first().line.toString(), QString("%1 8N1").arg(baud));
        }
    }

    QStringList shown;
    driver.expectDialog("setcom", [&](QDialog* shownDialog) {
        shown = items(portCombo(shownDialog));
        // Nothing found: the dialog waits for the user (a pending acceptance would
        // come first).
        if (found.isEmpty())
            QTimer::singleShot(400, shownDialog, &QDialog::reject);
    });
    const int result = dialog.exec();
    const qint64 elapsed = searchEnd.clock.isValid() ? searchEnd.clock.elapsed() : -1;
    QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));

    if (found.isEmpty()) {
        const DialogDriver::Seen box = driver.seen().first();
        QCOMPARE(box.icon, QMessageBox::Critical);
        QCOMPARE(box.title, "Hiba");
        QCOMPARE(box.text, "Az eszköz nem található.");
        QCOMPARE(box.buttonCount, 1);
        QVERIFY(!box.hasDefaultButton);
        QCOMPARE(result, QDialog::Rejected);
        QCOMPARE(shown, listed);
    } else {
        // Only the module's port is offered, and taken 200 ms later as if OK was pressed:
        // nobody answers the dialog, and the driver would have refused it, as a problem,
        // had it stayed open.
        QCOMPARE(driver.seen().size(), 1);
        QCOMPARE(shown, QStringList{found});
        QCOMPARE(result, QDialog::Accepted);
        QVERIFY2(elapsed >= 180, qPrintable(QString::number(elapsed)));
        QCOMPARE(dialog.port(), found);
        QCOMPARE(dialog.baud(), baud);
    }
}

void TestPortSelection::refreshStopsThePendingAcceptance()
{
    SimFixture sim;
    QVERIFY(startModules(sim, {"COM3", "COM4:silent"}));
    setcom dialog("COM4", 1200, 300, true);
    QCOMPARE(items(portCombo(&dialog)), QStringList({"COM3"}));
    dialog.show();
    // The user refreshes the list before the found port was taken: the dialog now
    // waits for the user's own choice. No event has been handled since the search, so
    // the acceptance cannot have come first, however slow the machine.
    QTest::mouseClick(dialog.findChild<QPushButton*>("reload"), Qt::LeftButton);
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    // Room for the acceptance, twice its delay, to come if it still would.
    QTest::qWait(400);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), QDialog::Rejected);
    QCOMPARE(items(portCombo(&dialog)), QStringList({"COM3", "COM4"}));
    QCOMPARE(dialog.port(), "COM4");
}

void TestPortSelection::cancelEndsTheSearch_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QByteArray>("com4Received");

    // The cancel button is looked at once a port has been asked: right after COM3
    // answered, or, when it did not, only after COM4 was asked as well.
    QTest::newRow("right after a module was found") << "COM3" << QByteArray();
    QTest::newRow("before any module answered") << "COM3:silent" << QByteArray("~|");
}

void TestPortSelection::cancelEndsTheSearch()
{
    QFETCH(QString, first);
    QFETCH(QByteArray, com4Received);

    SimFixture sim;
    QVERIFY(startModules(sim, {first, "COM4"}));
    QWidget owner;
    owner.show();
    setcom dialog("COM1", 1200, 300, false, &owner);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    // Plugged in after the dialog listed its ports: the search's own refresh finds it.
    QVERIFY(startModules(sim, {"COM5"}));

    // The user cancels as soon as the progress dialog takes input.
    struct
    {
        bool visible = false;
        QString label, cancelText;
        int minimum = -1, maximum = -1;
        Qt::WindowModality modality = Qt::NonModal;
        QWidget* parent = nullptr;
    } progress;
    QTimer user;
    user.setInterval(0);
    connect(&user, &QTimer::timeout, &owner, [&] {
        auto* dialog = owner.findChild<QProgressDialog*>();
        if (!dialog || !dialog->isVisible())
            return;
        user.stop();
        progress = {true,
                    dialog->labelText(),
                    dialog->findChild<QPushButton*>()->text(),
                    dialog->minimum(),
                    dialog->maximum(),
                    dialog->windowModality(),
                    dialog->parentWidget()};
        QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton);
    });
    user.start();
    DialogDriver driver;
    QTest::mouseClick(dialog.findChild<QPushButton*>("autoPort"), Qt::LeftButton);

    QVERIFY(progress.visible);
    QCOMPARE(progress.label, "Keresés...");
    QCOMPARE(progress.cancelText, "Megszakítás");
    QCOMPARE(progress.minimum, 0);
    QCOMPARE(progress.maximum, 2);
    QCOMPARE(progress.modality, Qt::WindowModal);
    QCOMPARE(progress.parent, &owner);
    QVERIFY(!owner.findChild<QProgressDialog*>());

    // The search ended there: no further port asked, nothing selected, no message,
    // and the dialog stays open with the refreshed list. The pause is room for an
    // acceptance, a message or a request that should not come.
    QTest::qWait(400);
    QVERIFY2(driver.done(), qPrintable(driver.problems()));
    QVERIFY(driver.seen().isEmpty());
    QVERIFY(sim.module("COM3")->waitForReceived(2, kEventWaitMs));
    QCOMPARE(sim.module("COM3")->received(), "~|");
    QVERIFY(sim.module("COM4")->waitForReceived(com4Received.size(), kEventWaitMs));
    QCOMPARE(sim.module("COM4")->received(), com4Received);
    QVERIFY(sim.module("COM5")->received().isEmpty());
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), QDialog::Rejected);
    QCOMPARE(items(portCombo(&dialog)), QStringList({"COM3", "COM4", "COM5"}));
}

// Where the system lists the ports (Windows), a name it does not list is no port: not
// probed, not hinted, not offered; one it lists that does not open is hinted with its reason.
void TestPortSelection::systemListDecidesWhichPortsExist()
{
    SimFixture sim;
    QVERIFY(startModules(sim, {"COM3", "COM4:silent", "COM5"}));
    QSerialPort holder;
    holder.setPortName(sim.module("COM5")->slavePath());
    QVERIFY(holder.open(QIODevice::ReadWrite));
    QStringList probed;
    PortMap::Probe probe;
    probe.listed = [] { return QStringList{"COM3", "COM5", "COM9"}; };
    probe.open = [&probed](const QString& device) {
        probed << device;
        return PortMap::openDevice(device);
    };
    const ProbeGuard guard(probe);

    QStringList states;
    for (const PortMap::PortState& state : PortMap::portStates())
        states << state.name;
    QCOMPARE(states, QStringList({"COM3", "COM5"})); // COM9 is listed but has no device here
    QCOMPARE(PortMap::availablePorts(), QStringList({"COM3"}));
    QVERIFY(!probed.contains(sim.module("COM4")->slavePath()));

    QWidget owner;
    setcom dialog("COM3", 1200, 300, false, &owner);
    QCOMPARE(items(portCombo(&dialog)), QStringList({"COM3"}));
    QCOMPARE(dialog.findChild<QLabel*>("portProblems")->text(),
             QStringLiteral("A COM5 (%1) nem nyitható meg: használja egy másik program. Zárja be a "
                            "portot használó programot, majd próbálja újra.")
                 .arg(sim.module("COM5")->slavePath()));
}

void TestPortSelection::portsThatDoNotOpenAreExplained_data()
{
    using Reason = PortMap::PortState::Reason;
    QTest::addColumn<QString>("deviceName"); // a file in the test's folder; "" for a module
    QTest::addColumn<bool>("refuse");        // the probe refuses it with `reason`
    QTest::addColumn<int>("reason");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("hint"); // %1 the device; "" when nothing is said

    QTest::newRow("no permission")
        << "ttyUSB0" << true << int(Reason::NoPermission) << "Permission denied"
        << "A COM5 (%1) nem nyitható meg: nincs jogosultság. Megoldás: sudo usermod -aG "
           "dialout $USER, majd jelentkezzen be újra.";
    QTest::newRow("in use, as the probe says")
        << "ttyACM0" << true << int(Reason::InUse) << "Permission denied"
        << "A COM5 (%1) nem nyitható meg: használja egy másik program. Zárja be a portot "
           "használó programot, majd próbálja újra.";
    // A module's port that another program holds, found by the real probe.
    QTest::newRow("in use, really")
        << "" << false << int(Reason::InUse) << ""
        << "A COM5 (%1) nem nyitható meg: használja egy másik program. Zárja be a portot "
           "használó programot, majd próbálja újra.";
    QTest::newRow("other failure")
        << "ttyUSB3" << true << int(Reason::Other) << "Input/output error"
        << "A COM5 (%1) nem nyitható meg: Input/output error.";
    // Nearly every PC has such ports, and none of them ever opens.
    QTest::newRow("built-in port without a UART")
        << "ttyS99" << true << int(Reason::Other) << "Input/output error"
        << "";
}

void TestPortSelection::portsThatDoNotOpenAreExplained()
{
    QFETCH(QString, deviceName);
    QFETCH(bool, refuse);
    QFETCH(int, reason);
    QFETCH(QString, error);
    QFETCH(QString, hint);

    // COM3 has a module that does not answer the search, so the search ends with its box.
    SimFixture sim;
    QVERIFY(startModules(sim, {"COM3:silent"}));
    QString device;
    QSerialPort holder;
    if (deviceName.isEmpty()) {
        QVERIFY(startModules(sim, {"COM5"}));
        device = sim.module("COM5")->slavePath();
        holder.setPortName(device);
        QVERIFY(holder.open(QIODevice::ReadWrite));
    } else {
        device = workDir->filePath(deviceName);
        if (!makeDevice(device, "dialout"))
            QSKIP("cannot give a file the dialout group here");
        QVERIFY(sim.addEntry("com5", device));
    }
    const ProbeGuard guard(
        refuse ? refusing(device, {false, PortMap::PortState::Reason(reason), error})
               : PortMap::Probe{});
    if (!hint.isEmpty())
        hint = hint.arg(device);

    QWidget owner;
    DialogDriver driver;
    driver.expectMessage();
    setcom dialog("COM5", 1200, 300, true, &owner);
    QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));

    // The box keeps its title and first line; the hint follows when there is one.
    const DialogDriver::Seen box = driver.last();
    QCOMPARE(box.icon, QMessageBox::Critical);
    QCOMPARE(box.title, "Hiba");
    QCOMPARE(box.text, hint.isEmpty() ? QString("Az eszköz nem található.")
                                      : "Az eszköz nem található.\n" + hint);
    QVERIFY(sim.module("COM3")->waitForRequests(1, kEventWaitMs));

    // The list still holds just the ports that open; the line under it says the rest.
    QCOMPARE(items(portCombo(&dialog)), QStringList({"COM3"}));
    QCOMPARE(dialog.port(), "COM3");
    auto* problems = dialog.findChild<QLabel*>("portProblems");
    auto* buttons = dialog.findChild<QDialogButtonBox*>("buttonBox");
    QCOMPARE(problems->text(), hint);
    QCOMPARE(problems->isVisibleTo(&dialog), !hint.isEmpty());
    // The dialog grows for the hint, and the buttons stay below it, inside the dialog.
    if (hint.isEmpty()) {
        QCOMPARE(dialog.size(), QSize(280, 170));
        QCOMPARE(buttons->geometry().top(), 140);
    } else {
        QVERIFY(dialog.height() > 170);
        QVERIFY(problems->height() >= problems->heightForWidth(problems->width()));
        QVERIFY(buttons->geometry().top() >= problems->geometry().bottom());
        QVERIFY(buttons->geometry().bottom() < dialog.height());
    }
    // The other widgets keep their places.
    QCOMPARE(portCombo(&dialog)->geometry(), QRect(130, 10, 111, 20));
    QCOMPARE(dialog.findChild<QPushButton*>("autoPort")->geometry(), QRect(60, 80, 161, 23));
}

void TestPortSelection::adapterNamedUnderTheListAndInTooltips()
{
    SimFixture sim;
    QVERIFY(startModules(sim, {"COM3", "COM4:silent"}));
    const QString com3 = sim.module("COM3")->slavePath();
    const QString com4 = sim.module("COM4")->slavePath();
    // A pseudo-terminal has no adapter facts; COM3 gets those of a USB adapter.
    PortMap::Probe probe;
    probe.adapter = [com3](const QString& device) {
        return device == com3 ? PortMap::Adapter{"FT232R USB UART", "FTDI", "A10K3ZQ"}
                              : PortMap::Adapter{};
    };
    const ProbeGuard guard(probe);
    const QString com3Facts = com3 + " (FT232R USB UART, gyártó: FTDI, sorozatszám: A10K3ZQ)";

    setcom dialog("COM4", 1200, 300, false);
    QComboBox* combo = portCombo(&dialog);
    auto* info = dialog.findChild<QLabel*>("portInfo");
    QCOMPARE(items(combo), QStringList({"COM3", "COM4"}));
    QCOMPARE(combo->itemData(0, Qt::ToolTipRole).toString(), com3Facts);
    QCOMPARE(combo->itemData(1, Qt::ToolTipRole).toString(), com4);
    QCOMPARE(info->text(), "Eszköz: " + com4);
    combo->setCurrentIndex(0);
    QCOMPARE(info->text(), "Eszköz: " + com3Facts);
    // No port fails to open: no hint, and the dialog keeps its size.
    QVERIFY(!dialog.findChild<QLabel*>("portProblems")->isVisibleTo(&dialog));
    QCOMPARE(dialog.size(), QSize(280, 170));

    // The port the search found keeps its facts.
    QTest::mouseClick(dialog.findChild<QPushButton*>("autoPort"), Qt::LeftButton);
    QCOMPARE(items(combo), QStringList({"COM3"}));
    QCOMPARE(combo->itemData(0, Qt::ToolTipRole).toString(), com3Facts);
    QCOMPARE(info->text(), "Eszköz: " + com3Facts);
}

void TestPortSelection::deviceButtonSearchesMenuDoesNot_data()
{
    QTest::addColumn<bool>("fromButton");
    QTest::addColumn<QStringList>("offered");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QByteArray>("com3Received");
    QTest::addColumn<QByteArray>("com4Received");

    // COM3 answers in lower case, which the search ignores but the identification takes.
    QTest::newRow("device button")
        << true << QStringList{"COM4"} << "COM4" << QByteArray("~|") << QByteArray("~|~|");
    QTest::newRow("menu") << false << QStringList{"COM3", "COM4"} << "COM3" << QByteArray("~|")
                          << QByteArray();
}

void TestPortSelection::deviceButtonSearchesMenuDoesNot()
{
    QFETCH(bool, fromButton);
    QFETCH(QStringList, offered);
    QFETCH(QString, chosen);
    QFETCH(QByteArray, com3Received);
    QFETCH(QByteArray, com4Received);

    SimFixture sim;
    QVERIFY(startModules(sim, {"COM3:lower-case-id", "COM4"}));
    std::unique_ptr<MainWindow> window(new MainWindow);
    window->show();

    DialogDriver driver;
    QStringList shown;
    QByteArray sentBeforeShown;
    driver.expectDialog("setcom", [&](QDialog* dialog) {
        shown = items(portCombo(dialog));
        sentBeforeShown = sim.module("COM3")->received() + sim.module("COM4")->received();
        if (!fromButton)
            press(dialog, QDialogButtonBox::Ok);
    });
    driver.expectMessage();
    if (fromButton)
        window->form().port_gomb->click();
    else
        window->form().actionPort->trigger();
    QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));

    QCOMPARE(sentBeforeShown, fromButton ? QByteArray("~|~|") : QByteArray());
    QCOMPARE(shown, offered);
    QCOMPARE(driver.last().text, "A port sikeresen kiválasztva: " + chosen +
                                     "\nA csatlakoztatott eszköz: V_VEXAGRID-3 FW2.14\n");
    QCOMPARE(sim.module("COM3")->received(), com3Received);
    QCOMPARE(sim.module("COM4")->received(), com4Received);
    QCOMPARE(window->settings().port, chosen);
}

void TestPortSelection::identificationSucceeds_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QByteArray>("rawReply"); // empty: the module's own identification
    QTest::addColumn<int>("baud");
    QTest::addColumn<QString>("reply");

    QTest::newRow("module's reply") << "none" << QByteArray() << 1200 << "V_VEXAGRID-3 FW2.14\n";
    QTest::newRow("lower case") << "lower-case-id" << QByteArray() << 9600
                                << "V_VEXAGRID-3 FW2.14\n";
    QTest::newRow("line feeds kept, CRs removed")
        << "none" << QByteArray("V_vg-3\r\nfw 2.14\r\r\n\nx\r") << 19200 << "V_VG-3\nFW 2.14\n\nX";
}

void TestPortSelection::identificationSucceeds()
{
    QFETCH(QString, fault);
    QFETCH(QByteArray, rawReply);
    QFETCH(int, baud);
    QFETCH(QString, reply);

    SimFixture sim;
    SimModule* module = sim.start("COM3");
    QVERIFY(module);
    module->setFault(*SimModule::faultFromName(fault));
    if (!rawReply.isEmpty())
        module->setRawReply(SimModule::Request::Identification, rawReply);

    std::unique_ptr<MainWindow> window(new MainWindow);
    window->show();
    Ui::MainWindow& ui = window->form();
    window->settings().port = "COM3";
    window->settings().baud = baud;
    // What a new configuration and the module's layout put right again.
    ui.m_nev->setText("changed");
    ui.be4_nev->show();
    QVERIFY(!ui.download_gomb->isEnabled());

    DialogDriver driver;
    showPortFromMenu(window.get(), driver,
                     [](QDialog* dialog) { press(dialog, QDialogButtonBox::Ok); });
    QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));

    const DialogDriver::Seen box = driver.last();
    QCOMPARE(box.icon, QMessageBox::Information);
    QCOMPARE(box.title, "Eszköz");
    QCOMPARE(box.text, "A port sikeresen kiválasztva: COM3\nA csatlakoztatott eszköz: " + reply);
    QCOMPARE(box.buttonCount, 1);

    QCOMPARE(module->received(), "~|");
    QCOMPARE(module->requests().first().line.toString(), QString("%1 8N1").arg(baud));
    QCOMPARE(window->settings().deviceKind, 4);
    QCOMPARE(window->settings().deviceId, reply);
    QCOMPARE(window->settings().baud, baud);
    QVERIFY(hasLabel(window->statusBar(), QString("COM3   Baud: %1").arg(baud)));
    // Unlocked, laid out again, and the defaults loaded.
    QVERIFY(ui.tabWidget->isEnabled() && ui.menuDevice->isEnabled() && ui.actionSave->isEnabled());
    QVERIFY(ui.download_gomb->isEnabled());
    QCOMPARE(ui.download_gomb->styleSheet(),
             "color: rgb(255,255,255); background-color: rgb(191,0,0);");
    QVERIFY(ui.be4_nev->isHidden());
    QCOMPARE(ui.m_nev->text(), "VexaGrid-3");

    // The connect is recorded with the module's identification.
    const std::optional<fixture::RecordedEvent> recorded = fixture::lastEvent();
    QVERIFY(recorded);
    QCOMPARE(recorded->event.operation, record::Operation::Identify);
    QCOMPARE(recorded->event.port, "COM3");
    QCOMPARE(recorded->event.identification, reply);
    QVERIFY(recorded->event.succeeded());
}

void TestPortSelection::identificationFails_data()
{
    QTest::addColumn<QString>("module");       // "" for no module at all
    QTest::addColumn<bool>("holdPort");        // another program holds the port
    QTest::addColumn<int>("baud");             // the record's rate
    QTest::addColumn<bool>("connectedBefore"); // a module had been identified before
    QTest::addColumn<QString>("label");
    QTest::addColumn<QStringList>("diagnostics");
    QTest::addColumn<int>("refuse"); // after the dialog: 1 the probe refuses, 2 the port goes
    // Why the port did not open, below the box's first line; %1 the device, %2 its group.
    QTest::addColumn<QString>("reason");

    const QString inUse = "A COM3 (%1) nem nyitható meg: használja egy másik program. Zárja be "
                          "a portot használó programot, majd próbálja újra.";
    QTest::newRow("silent") << "COM3:silent" << false << 1200 << false << "COM3   Baud: 1200"
                            << QStringList{} << 0 << "";
    QTest::newRow("garbage") << "COM3:garbage" << false << 1200 << true << "COM3   Baud: 1200"
                             << QStringList{} << 0 << "";
    QTest::newRow("port held by another program")
        << "COM3" << true << 1200 << false << "COM3   Baud: 1200"
        << QStringList{"unable to open comport"} << 0 << inUse;
    QTest::newRow("no permission") << "COM3" << false << 1200 << false << "COM3   Baud: 1200"
                                   << QStringList{"unable to open comport"} << 1
                                   << "A COM3 (%1) nem nyitható meg: nincs jogosultság. %2";
    QTest::newRow("gone after the dialog")
        << "COM3" << false << 1200 << false << "COM3   Baud: 1200"
        << QStringList{"unable to open comport"} << 2
        << "A COM3 nem nyitható meg: nincs ilyen port.";
    QTest::newRow("baud 0") << "COM3" << false << 0 << true << "COM3   Baud: 0"
                            << QStringList{"unable to set comport dcb settings"} << 0
                            << "A COM3 (%1) nem nyitható meg: érvénytelen sebesség: 0.";
    QTest::newRow("no port at all")
        << "" << false << 1200 << false << "   Baud: 1200" << QStringList{"unable to open comport"}
        << 0 << "Nincs megnyitható port.";
}

void TestPortSelection::identificationFails()
{
    QFETCH(QString, module);
    QFETCH(bool, holdPort);
    QFETCH(int, baud);
    QFETCH(bool, connectedBefore);
    QFETCH(QString, label);
    QFETCH(QStringList, diagnostics);
    QFETCH(int, refuse);
    QFETCH(QString, reason);

    SimFixture sim;
    QVERIFY(startModules(sim, module.isEmpty() ? QStringList{} : QStringList{module}));
    const QString device = PortMap::devicePath("COM3");
    // Joining root is no advice to give: the pseudo-terminal's group decides the remedy.
    const QString group = QFileInfo(device).group();
    reason =
        reason.arg(device, group == "root" ? QStringLiteral("Kérje a rendszergazda segítségét.")
                                           : QStringLiteral("Megoldás: sudo usermod -aG %1 "
                                                            "$USER, majd jelentkezzen be újra.")
                                                 .arg(group));
    std::unique_ptr<ProbeGuard> refusal;
    std::unique_ptr<MainWindow> window;
    if (connectedBefore) {
        window.reset(fixture::connectedWindow());
        window->settings().deviceKind = 4;
        window->settings().deviceId = "V_BEFORE";
    } else {
        window.reset(new MainWindow);
        window->show();
    }
    Ui::MainWindow& ui = window->form();
    window->settings().port = "COM3";
    window->settings().baud = baud;
    ui.m_nev->setText("kept");

    QSerialPort holder;
    SerialLog written;
    DialogDriver driver;
    showPortFromMenu(window.get(), driver, [&](QDialog* dialog) {
        if (holdPort) {
            holder.setPortName(PortMap::devicePath("COM3"));
            QVERIFY(holder.open(QIODevice::ReadWrite));
        }
        if (refuse == 1)
            refusal = std::make_unique<ProbeGuard>(refusing(
                device, {false, PortMap::PortState::Reason::NoPermission, "Permission denied"}));
        if (refuse == 2)
            sim.stop("COM3");
        press(dialog, QDialogButtonBox::Ok);
    });
    QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));

    // The box keeps its title and first line; why the port did not open follows.
    const DialogDriver::Seen box = driver.last();
    QCOMPARE(box.icon, QMessageBox::Warning);
    QCOMPARE(box.title, "Eszköz");
    QCOMPARE(box.text, reason.isEmpty() ? noModule : noModule + "\n" + reason);
    QCOMPARE(box.buttonCount, 1);
    QCOMPARE(written.critical(), diagnostics);
    QVERIFY(hasLabel(window->statusBar(), label));
    QCOMPARE(window->settings().baud, baud);
    QCOMPARE(window->settings().deviceKind, 0);
    QCOMPARE(window->settings().deviceId, connectedBefore ? "V_BEFORE" : QString());
    // The interface stays as it was, and the form keeps what it holds.
    QCOMPARE(ui.tabWidget->isEnabled(), connectedBefore);
    QCOMPARE(ui.download_gomb->isEnabled(), connectedBefore);
    QCOMPARE(ui.menuDevice->isEnabled(), connectedBefore);
    QCOMPARE(ui.m_nev->text(), "kept");

    // Recorded, and why it failed.
    const std::optional<fixture::RecordedEvent> recorded = fixture::lastEvent();
    QVERIFY(recorded);
    QCOMPARE(recorded->event.operation, record::Operation::Identify);
    QVERIFY(!recorded->event.succeeded());
    QVERIFY(!recorded->event.outcome.isEmpty());
    QVERIFY(recorded->event.identification.isEmpty());
}

void TestPortSelection::rejectedDialogChangesNothing()
{
    SimFixture sim;
    QVERIFY(startModules(sim, {"COM3", "COM4"}));
    std::unique_ptr<MainWindow> window(new MainWindow);
    window->show();
    window->settings().port = "COM4";
    window->settings().baud = 2400;

    const auto labelTexts = [&] {
        QStringList texts;
        for (const QLabel* label : window->statusBar()->findChildren<QLabel*>())
            texts << label->text();
        return texts;
    };
    const QStringList labelsBefore = labelTexts();

    DialogDriver driver;
    showPortFromMenu(
        window.get(), driver,
        [](QDialog* dialog) {
            portCombo(dialog)->setCurrentIndex(0);
            press(dialog, QDialogButtonBox::Cancel);
        },
        false);
    QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));
    // Room for a message that should not come.
    QTest::qWait(50);
    QVERIFY2(driver.done(), qPrintable(driver.problems()));

    QCOMPARE(driver.seen().size(), 1);
    QCOMPARE(window->settings().port, "COM4");
    QCOMPARE(window->settings().baud, 2400);
    QCOMPARE(labelTexts(), labelsBefore);
    QVERIFY(sim.module("COM3")->received().isEmpty());
    QVERIFY(sim.module("COM4")->received().isEmpty());
    QVERIFY(!window->form().download_gomb->isEnabled());
}

void TestPortSelection::screenshots()
{
    // Pictures for a person to look at: the dialog listing a module on COM3, and the
    // window once that module is connected.
    QVERIFY(QDir().mkpath(oldDir + "/screenshots"));
    SimFixture sim;
    QVERIFY(startModules(sim, {"COM3"}));
    std::unique_ptr<MainWindow> window(new MainWindow);
    window->show();
    window->settings().port = "COM3";

    DialogDriver driver;
    showPortFromMenu(window.get(), driver, [&](QDialog* dialog) {
        QTest::qWait(50);
        QVERIFY(dialog->grab().save(oldDir + "/screenshots/setcom.png"));
        press(dialog, QDialogButtonBox::Ok);
    });
    QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));
    QTest::qWait(50);
    QVERIFY(window->grab().save(oldDir + "/screenshots/connected.png"));

    // The dialog naming an adapter, with a USB adapter on COM5 the user may not open.
    const QString adapter = sim.module("COM3")->slavePath();
    const QString refused = workDir->filePath("ttyUSB0");
    if (!makeDevice(refused, "dialout"))
        QSKIP("cannot give a file the dialout group here");
    QVERIFY(sim.addEntry("com5", refused));
    PortMap::Probe probe =
        refusing(refused, {false, PortMap::PortState::Reason::NoPermission, "Permission denied"});
    probe.adapter = [adapter](const QString& device) {
        return device == adapter ? PortMap::Adapter{"FT232R USB UART", "FTDI", "A10K3ZQ"}
                                 : PortMap::Adapter{};
    };
    const ProbeGuard guard(probe);
    setcom dialog("COM3", 1200, 300, false, window.get());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::qWait(50);
    QVERIFY(dialog.grab().save(oldDir + "/screenshots/setcom-hint.png"));
}

VEXAGRID_TEST_MAIN(TestPortSelection)
#include "tst_portselection.moc"
