// Writing the configuration into the module, end to end against simulated modules: the
// bytes the module receives, what the download dialog shows and lets the user do, and what
// the main window's download leaves on the form.
#include "app/dload.h"
#include "core/downloadframe.h"
#include "core/fields.h"
#include "device/portmap.h"
#include "tests/support/dialogdriver.h"
#include "tests/support/seriallog.h"
#include "tests/support/simfixture.h"
#include "tests/support/testmain.h"
#include "tests/support/windowfixture.h"
#include "ui_mainwindow.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMutex>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTranslator>

#include <memory>

namespace {

// How long a test waits for something the module or the program is bound to do. Only a
// failing test waits this long; a starved machine gets all the room it needs.
constexpr int kEventWaitMs = 30000;

const QString running = QStringLiteral("Betöltés folyamatban...");
const QString succeeded = QStringLiteral("Sikeres betöltés.");
const QString failed =
    QStringLiteral("Betöltés hiba.\nTipp: ellenõrizze az eszközt és a port beállítást.");
const QString missingText = QStringLiteral("Minden beviteli mezõ kitöltése kötelezõ!");
const QString separatorText = QStringLiteral("A | karakter nem használható!");
const QString accentText = QStringLiteral("Ékezetek nem használhatóak!");

// Translates the download dialog's texts, to see that they are the dialog's own.
class DialogTranslator : public QTranslator
{
public:
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char*, int) const override
    {
        if (qstrcmp(context, "dload") != 0)
            return QString();
        if (QString::fromUtf8(source) == QStringLiteral("Betöltés"))
            return QStringLiteral("Download");
        if (QString::fromUtf8(source) == running)
            return QStringLiteral("Downloading...");
        return QString();
    }
};

QString padded(const QString& text)
{
    return text.leftJustified(16, u' ');
}

QString frameOf(const QStringList& fields)
{
    QString frame;
    for (const QString& field : fields)
        frame += padded(field) + u'|';
    return frame;
}

// What the module must receive for these fields: the request, each field and its CR, and
// the lone CR that ends the frame.
QByteArray lineBytes(const QStringList& fields)
{
    QByteArray bytes = "~}";
    for (const QString& field : fields)
        bytes += padded(field).toLatin1() + '\r';
    return bytes + '\r';
}

ProgramSettings record(const QString& port, qint32 baud = 1200,
                       const QString& frame = frameOf(SimModule::sampleFields()))
{
    ProgramSettings settings;
    settings.port = port;
    settings.baud = baud;
    settings.downloadText = frame;
    return settings;
}

template <class T> T* child(QWidget* dialog, const char* name)
{
    return dialog->findChild<T*>(QLatin1String(name));
}

QLabel* kiiras(QWidget* dialog)
{
    return child<QLabel>(dialog, "kiiras");
}
QProgressBar* bar(QWidget* dialog)
{
    return child<QProgressBar>(dialog, "progressBar");
}
QDialogButtonBox* buttons(QWidget* dialog)
{
    return child<QDialogButtonBox>(dialog, "buttonBox");
}

// The outcome of a download started from the main window, as its dialog showed it.
struct Shown
{
    bool appeared = false;
    QString text;
    int maximum = -1;
    int value = -2;
    QString title;
};

} // namespace

class TestDownload : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    // The dialog and its worker, with a hand-made record
    void transfer_data();
    void transfer();
    void slowFailures();
    void vanishesWhileTheAnswerIsAwaited();
    void successClosesItself();
    void noDismissalWhileRunning_data();
    void noDismissalWhileRunning();
    void destroyingWaitsForTheWorker();
    void languageChange();
    void looks();

    // The main window's download
    void refusals_data();
    void refusals();
    void notRequired_data();
    void notRequired();
    void fullConfiguration();
    void hiddenColumnFourIsNotSent();

private:
    MainWindow* loadedWindow();
    Shown download(MainWindow* window);

    std::unique_ptr<SimFixture> sim;
    std::unique_ptr<QTemporaryDir> dir;
    QString startDir;
    MainWindow* window = nullptr;
};

void TestDownload::initTestCase()
{
    startDir = QDir::currentPath();
}

void TestDownload::init()
{
    sim = std::make_unique<SimFixture>();
    QVERIFY(sim->isValid());
}

void TestDownload::cleanup()
{
    delete window;
    window = nullptr;
    sim.reset();
    QDir::setCurrent(startDir);
    dir.reset();
}

// --- The dialog and its worker ----------------------------------------------------------

void TestDownload::transfer_data()
{
    QTest::addColumn<QString>("fault");  // the module's fault
    QTest::addColumn<QString>("port");   // the record's port; the module sits on COM3
    QTest::addColumn<int>("baud");       // the record's baud rate
    QTest::addColumn<bool>("held");      // another program holds the port
    QTest::addColumn<QString>("field4"); // a text for field 4, "" for the sample's
    QTest::addColumn<bool>("success");   // the module acknowledged
    QTest::addColumn<int>("received");   // bytes the module received
    // The worker's one diagnostic on vexagrid.serial (debug level), "" for none in particular.
    QTest::addColumn<QString>("diagnostic");
    // Why it failed, as the dialog logs it on vexagrid.serial (warning level): the command
    // line's words. "" for a success, which logs nothing.
    QTest::addColumn<QString>("why");

    const int whole = 955;
    QTest::newRow("acknowledged") << "none"
                                  << "COM3" << 1200 << false << "" << true << whole << ""
                                  << "";
    QTest::newRow("record at 9600 baud") << "none"
                                         << "COM3" << 9600 << false << "" << true << whole << ""
                                         << "";
    QTest::newRow("another byte before the acknowledgement")
        << "ack-other-first"
        << "COM3" << 1200 << false << "" << true << whole << "E"
        << "";
    QTest::newRow("wrong acknowledgement twice")
        << "ack-wrong-twice"
        << "COM3" << 1200 << false << "" << false << whole << "E"
        << "COM3: Betöltés hiba. (a modul nem nyugtázta)";
    QTest::newRow("port held by another program")
        << "none"
        << "COM3" << 1200 << true << "" << false << 0 << "unable to open comport"
        << "COM3: Betöltés hiba, a port nem nyitható meg: használja egy másik program. Zárja be "
           "a portot használó programot, majd próbálja újra.";
    QTest::newRow("no such port") << "none"
                                  << "COM9" << 1200 << false << "" << false << 0
                                  << "unable to open comport"
                                  << "COM9: Betöltés hiba, a port nem nyitható meg: nincs ilyen "
                                     "port.";
    QTest::newRow("module vanishes part-way")
        << "vanish"
        << "COM3" << 1200 << false << "" << false << 2 + 100 << ""
        << "COM3: Betöltés hiba. (a port megszűnt átvitel közben)";
    QTest::newRow("character above U+00FF")
        << "none"
        << "COM3" << 1200 << false << QStringLiteral("Fűtés") << false << 0 << ""
        << "COM3: Betöltés hiba. (a keret nem küldhető el)";
}

void TestDownload::transfer()
{
    QFETCH(QString, fault);
    QFETCH(QString, port);
    QFETCH(int, baud);
    QFETCH(bool, held);
    QFETCH(QString, field4);
    QFETCH(bool, success);
    QFETCH(int, received);
    QFETCH(QString, diagnostic);
    QFETCH(QString, why);

    SimModule* module = sim->start(QStringLiteral("COM3"));
    QVERIFY(module);
    module->setFault(*SimModule::faultFromName(fault));
    QSerialPort holder;
    if (held) {
        holder.setPortName(PortMap::devicePath(QStringLiteral("COM3")));
        QVERIFY(holder.open(QIODevice::ReadWrite));
        // Counted by the module before the worker starts.
        QTRY_COMPARE_WITH_TIMEOUT(module->openCount(), 1, kEventWaitMs);
    }
    QStringList fields = SimModule::sampleFields();
    if (!field4.isEmpty())
        fields[3] = field4;

    SerialLog log(SerialLog::WithTrace);
    dload dialog(record(port, baud, frameOf(fields)));
    dialog.show();
    QTRY_VERIFY_WITH_TIMEOUT(buttons(&dialog)->isEnabled(), kEventWaitMs);

    QCOMPARE(kiiras(&dialog)->text(), success ? succeeded : failed);
    QCOMPARE(buttons(&dialog)->buttons().size(), 1);
    QVERIFY(buttons(&dialog)->button(QDialogButtonBox::Ok));
    QCOMPARE(bar(&dialog)->minimum(), 0);
    QCOMPARE(bar(&dialog)->maximum(), 962);
    if (received == 955) {
        // Every byte went out, and the bar ends exactly full.
        QCOMPARE(bar(&dialog)->value(), 962);
        QTRY_COMPARE(module->writes().size(), 1);
        const SimWrite write = module->writes().first();
        QCOMPARE(write.bytes, lineBytes(fields));
        QCOMPARE(write.line.toString(), QStringLiteral("1200 8N1"));
        QCOMPARE(write.outcome, success ? SimWrite::Outcome::Stored : SimWrite::Outcome::Refused);
    } else if (received == 0) {
        // Refused at once: the worker never had the module's port open, so it sent nothing
        // and waited for nothing, and the bar never started.
        QCOMPARE(module->openCount(), held ? 1 : 0);
        QCOMPARE(bar(&dialog)->text(), QString());
        QVERIFY(bar(&dialog)->value() < 0);
        QCOMPARE(module->received(), QByteArray());
    } else {
        QTRY_COMPARE(module->writes().size(), 1);
        QCOMPARE(module->writes().first().bytes, lineBytes(fields).left(received));
    }
    // The worker reports on the debug channel only, and nothing but its own diagnostic; the
    // dialog adds one line saying why it failed, and keeps the whole outcome.
    QVERIFY2(log.critical().isEmpty(), qPrintable(log.lines().join('\n')));
    if (!diagnostic.isEmpty())
        QVERIFY2(log.messages().contains(diagnostic), qPrintable(log.lines().join('\n')));
    QCOMPARE(log.warnings(), why.isEmpty() ? QStringList() : QStringList{why});
    QCOMPARE(dialog.outcome().ok(), success);

    // A port that was opened is closed again, on every path.
    if (!held && !module->hasVanished())
        QTRY_COMPARE(module->closeCount(), module->openCount());
    if (received > 0)
        QVERIFY(log.contains(QStringLiteral("COM3 closed")));
}

// The cases that wait for the module's 3500 ms time-outs run side by side, one module each.
void TestDownload::slowFailures()
{
    struct Case
    {
        const char* port;
        SimModule::Fault fault;
        int waits;    // 3500 ms waits before the worker gives up
        int received; // bytes the module received
        SimWrite::Outcome outcome;
        const char* why; // the dialog's line on vexagrid.serial
        std::unique_ptr<dload> dialog;
        qint64 took = -1;
    };
    Case cases[] = {
        {"COM3", SimModule::Fault::NoR, 1, 2, SimWrite::Outcome::NoFrame,
         "COM3: Betöltés hiba. (a modul nem kezdte el a fogadást)", nullptr},
        {"COM4", SimModule::Fault::NeverAcknowledge, 2, 955, SimWrite::Outcome::Refused,
         "COM4: Betöltés hiba. (a modul nem nyugtázta)", nullptr},
        {"COM5", SimModule::Fault::RThenSilence, 3, 955, SimWrite::Outcome::Refused,
         "COM5: Betöltés hiba. (a modul nem nyugtázta)", nullptr},
    };
    SerialLog log;
    QElapsedTimer clock;
    clock.start();
    for (Case& c : cases) {
        SimModule* module = sim->start(QString::fromLatin1(c.port));
        QVERIFY(module);
        module->setFault(c.fault);
        // The module waits for the frame longer than the worker waits for the byte after
        // "R", so that it sees the frame that still comes.
        module->setFrameTimeout(5000);
        c.dialog = std::make_unique<dload>(record(QString::fromLatin1(c.port)));
        c.dialog->show();
    }
    const auto allFinished = [&] {
        bool all = true;
        for (Case& c : cases) {
            if (c.took < 0 && buttons(c.dialog.get())->isEnabled())
                c.took = clock.elapsed();
            all = all && c.took >= 0;
        }
        return all;
    };
    QTRY_VERIFY_WITH_TIMEOUT(allFinished(), kEventWaitMs);

    for (Case& c : cases) {
        const QByteArray name = c.port;
        SimModule* module = sim->module(QString::fromLatin1(c.port));
        QVERIFY2(kiiras(c.dialog.get())->text() == failed, name);
        QVERIFY2(log.warnings().contains(QString::fromUtf8(c.why)),
                 qPrintable(log.lines().join('\n')));
        QVERIFY2(c.took >= c.waits * 3500 - 50, name + " took " + QByteArray::number(c.took));
        // It gave up before one more of its waits could have run out.
        QVERIFY2(c.took < (c.waits + 1) * 3500, name + " took " + QByteArray::number(c.took));
        QTRY_COMPARE(module->writes().size(), 1);
        QVERIFY2(module->writes().first().outcome == c.outcome, name);
        QVERIFY2(module->writes().first().bytes.size() == c.received, name);
        QTRY_COMPARE(module->closeCount(), 1);
    }
}

// The whole frame can sit in the driver's buffer before the module has read it; a port that
// goes away then is found only while the answer is awaited, and it is why none came.
void TestDownload::vanishesWhileTheAnswerIsAwaited()
{
    SimModule* module = sim->start(QStringLiteral("COM3"));
    QVERIFY(module);
    module->setFault(SimModule::Fault::NeverAcknowledge);
    SerialLog log;
    dload dialog(record(QStringLiteral("COM3")));
    dialog.show();
    // The module has the whole frame; the worker waits for its answer (twice 3500 ms).
    QVERIFY(module->waitForWrites(1, kEventWaitMs));
    module->vanish();
    QTRY_VERIFY_WITH_TIMEOUT(buttons(&dialog)->isEnabled(), kEventWaitMs);
    QCOMPARE(kiiras(&dialog)->text(), failed);
    QCOMPARE(dialog.outcome().outcome, conversation::Outcome::Vanished);
    QCOMPARE(log.warnings(),
             QStringList{QStringLiteral("COM3: Betöltés hiba. (a port megszűnt átvitel közben)")});
}

void TestDownload::successClosesItself()
{
    QVERIFY(sim->start(QStringLiteral("COM3")));
    dload dialog(record(QStringLiteral("COM3")));
    // The bar's last update comes in before the dialog hears that the worker has finished,
    // and so before the dialog schedules its closing.
    QElapsedTimer sinceFrame;
    connect(bar(&dialog), &QProgressBar::valueChanged, &dialog, [&](int value) {
        if (value == 962)
            sinceFrame.start();
    });
    dialog.show();
    QTRY_VERIFY_WITH_TIMEOUT(buttons(&dialog)->isEnabled(), kEventWaitMs);
    QCOMPARE(kiiras(&dialog)->text(), succeeded);
    // Nobody but the dialog itself closes it.
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), kEventWaitMs);
    QVERIFY(sinceFrame.isValid());
    QVERIFY2(sinceFrame.elapsed() >= 1900, qPrintable(QString::number(sinceFrame.elapsed())));
    QCOMPARE(dialog.result(), int(QDialog::Accepted));

    // OK closes it sooner.
    dload again(record(QStringLiteral("COM3")));
    again.show();
    QTRY_VERIFY_WITH_TIMEOUT(buttons(&again)->isEnabled(), kEventWaitMs);
    QTest::mouseClick(buttons(&again)->button(QDialogButtonBox::Ok), Qt::LeftButton);
    QVERIFY(!again.isVisible());
    QCOMPARE(again.result(), int(QDialog::Accepted));
}

void TestDownload::noDismissalWhileRunning_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("outcome");
    QTest::newRow("succeeded") << "none" << succeeded;
    QTest::newRow("failed") << "ack-wrong-twice" << failed;
}

void TestDownload::noDismissalWhileRunning()
{
    QFETCH(QString, fault);
    QFETCH(QString, outcome);

    SimModule* module = sim->start(QStringLiteral("COM3"));
    QVERIFY(module);
    module->setFault(*SimModule::faultFromName(fault));
    // The module takes its time, so that the dialog is seen while the worker runs.
    module->setAckDelay(800);

    dload dialog(record(QStringLiteral("COM3")));
    // The bar's updates come in on this thread ahead of the news that the worker has
    // finished: when the bar shows the whole frame sent, the dialog still runs, however
    // slow the machine. The user tries to dismiss it right then.
    struct
    {
        bool tried = false;
        QString text, textAfter;
        bool enabled = true, cancelButton = false, closed = true, visibleAfter = false;
    } whileRunning;
    connect(bar(&dialog), &QProgressBar::valueChanged, &dialog, [&](int value) {
        if (value != 962 || whileRunning.tried)
            return;
        whileRunning.tried = true;
        whileRunning.text = kiiras(&dialog)->text();
        whileRunning.enabled = buttons(&dialog)->isEnabled();
        whileRunning.cancelButton = buttons(&dialog)->button(QDialogButtonBox::Cancel) != nullptr;
        whileRunning.closed = dialog.close();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        dialog.reject();
        whileRunning.visibleAfter = dialog.isVisible();
        whileRunning.textAfter = kiiras(&dialog)->text();
    });
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTRY_VERIFY_WITH_TIMEOUT(whileRunning.tried, kEventWaitMs);
    QCOMPARE(whileRunning.text, running);
    QVERIFY(!whileRunning.enabled);
    QVERIFY(whileRunning.cancelButton);

    QVERIFY(!whileRunning.closed);
    QVERIFY(whileRunning.visibleAfter);
    QCOMPARE(whileRunning.textAfter, running);

    QTRY_VERIFY_WITH_TIMEOUT(buttons(&dialog)->isEnabled(), kEventWaitMs);
    QCOMPARE(kiiras(&dialog)->text(), outcome);
    // The title bar's close button does nothing after the transfer either...
    QVERIFY(!dialog.close());
    QVERIFY(dialog.isVisible());
    // ...but the keyboard dismisses the dialog as usual once the worker has finished.
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
}

void TestDownload::destroyingWaitsForTheWorker()
{
    SimModule* module = sim->start(QStringLiteral("COM3"));
    QVERIFY(module);
    module->setReplyDelay(300);
    QElapsedTimer clock;
    clock.start();
    {
        dload dialog(record(QStringLiteral("COM3")));
        QVERIFY(module->waitForRequests(1, kEventWaitMs));
    }
    // The worker was not cut short: the frame went out whole and the port was closed.
    QVERIFY(clock.elapsed() >= 300);
    QCOMPARE(module->writes().size(), 1);
    QCOMPARE(module->writes().first().outcome, SimWrite::Outcome::Stored);
    QTRY_COMPARE(module->closeCount(), 1);
}

void TestDownload::languageChange()
{
    SimModule* module = sim->start(QStringLiteral("COM3"));
    QVERIFY(module);
    module->setAckDelay(500);
    dload dialog(record(QStringLiteral("COM3")));
    DialogTranslator translator;
    // The language changes while the frame goes out. The bar's updates come in on this
    // thread ahead of the news that the worker has finished, so at the first of them the
    // dialog still runs, however slow the machine; the change reaches it right then.
    struct
    {
        bool changed = false, installed = false;
        QString title, text, label;
    } whileRunning;
    connect(bar(&dialog), &QProgressBar::valueChanged, &dialog, [&](int value) {
        if (value <= 0 || whileRunning.changed)
            return;
        whileRunning.changed = true;
        whileRunning.installed = QCoreApplication::installTranslator(&translator);
        QEvent change(QEvent::LanguageChange);
        QCoreApplication::sendEvent(&dialog, &change);
        whileRunning.title = dialog.windowTitle();
        whileRunning.text = kiiras(&dialog)->text();
        whileRunning.label = child<QLabel>(&dialog, "label")->text();
    });
    dialog.show();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Betöltés"));

    QTRY_VERIFY_WITH_TIMEOUT(whileRunning.changed, kEventWaitMs);
    QVERIFY(whileRunning.installed);
    QCOMPARE(whileRunning.title, QStringLiteral("Download"));
    QCOMPARE(whileRunning.text, QStringLiteral("Downloading..."));
    QCOMPARE(whileRunning.label, QString());

    // Once the outcome shows, a language change leaves it there.
    QTRY_VERIFY_WITH_TIMEOUT(buttons(&dialog)->isEnabled(), kEventWaitMs);
    QCoreApplication::removeTranslator(&translator);
    QTRY_COMPARE(dialog.windowTitle(), QStringLiteral("Betöltés"));
    QCOMPARE(kiiras(&dialog)->text(), succeeded);
}

// The dialog in its three states, saved for a person to look at.
void TestDownload::looks()
{
    const QString shots = startDir + QStringLiteral("/screenshots");
    QVERIFY(QDir().mkpath(shots));
    SimModule* module = sim->start(QStringLiteral("COM3"));
    QVERIFY(module);

    module->setAckDelay(600);
    dload dialog(record(QStringLiteral("COM3")));
    // The bar's updates arrive in order on this thread, so a picture taken at one of
    // them shows the bar part-way, however fast the frame went out.
    QPixmap halfway;
    connect(bar(&dialog), &QProgressBar::valueChanged, &dialog, [&](int value) {
        if (value >= 480 && halfway.isNull())
            halfway = dialog.grab();
    });
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    // Fixed: the window cannot be resized.
    QCOMPARE(dialog.size(), QSize(262, 118));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    QTRY_VERIFY_WITH_TIMEOUT(!halfway.isNull(), kEventWaitMs);
    QVERIFY(halfway.save(shots + QStringLiteral("/dload-running.png")));
    QTRY_VERIFY_WITH_TIMEOUT(buttons(&dialog)->isEnabled(), kEventWaitMs);
    QCOMPARE(kiiras(&dialog)->text(), succeeded);
    QVERIFY(dialog.grab().save(shots + QStringLiteral("/dload-succeeded.png")));

    module->setFault(SimModule::Fault::AckWrongTwice);
    module->setAckDelay(0);
    dload failing(record(QStringLiteral("COM3")));
    failing.show();
    QTRY_VERIFY_WITH_TIMEOUT(buttons(&failing)->isEnabled(), kEventWaitMs);
    QCOMPARE(kiiras(&failing)->text(), failed);
    QVERIFY(failing.grab().save(shots + QStringLiteral("/dload-failed.png")));
}

// --- The main window's download ---------------------------------------------------------

// A connected window on COM3 with the shipped defaults loaded.
MainWindow* TestDownload::loadedWindow()
{
    dir = std::make_unique<QTemporaryDir>();
    if (!dir->isValid())
        return nullptr;
    QDir::setCurrent(dir->path());
    if (!QFile::copy(fixture::sourcePath(QStringLiteral("resources/defval_vg.dll")),
                     dir->filePath(QStringLiteral("defval_vg.dll"))))
        return nullptr;
    window = fixture::connectedWindow();
    window->newfile();
    window->settings().port = QStringLiteral("COM3");
    return window;
}

// Presses the download button and answers the dialog: once it shows its outcome, OK.
Shown TestDownload::download(MainWindow* w)
{
    Shown shown;
    DialogDriver driver;
    driver.expectDialog(QStringLiteral("dload"), [&shown](QDialog* dialog) {
        shown.appeared = true;
        shown.title = dialog->windowTitle();
        auto* poll = new QTimer(dialog);
        QObject::connect(poll, &QTimer::timeout, dialog, [dialog, poll, &shown] {
            if (!buttons(dialog)->isEnabled())
                return;
            poll->stop();
            shown.text = kiiras(dialog)->text();
            shown.maximum = bar(dialog)->maximum();
            shown.value = bar(dialog)->value();
            buttons(dialog)->button(QDialogButtonBox::Ok)->click();
        });
        poll->start(5);
    });
    QTest::mouseClick(w->form().download_gomb, Qt::LeftButton);
    if (!driver.waitDone())
        qWarning("%s", qPrintable(driver.problems()));
    return shown;
}

void TestDownload::refusals_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("page");

    const QString error = QStringLiteral("Hiba");
    const QString inputError = QStringLiteral("Beviteli hiba");
    QTest::newRow("empty input message") << "be3_on_msg"
                                         << "" << error << missingText << 2;
    QTest::newRow("empty name") << "m_nev"
                                << "" << error << missingText << 0;
    QTest::newRow("empty activation command") << "act_ki"
                                              << "" << error << missingText << 3;
    // Every field check runs before the frame is built, with its own title and text.
    QTest::newRow("separator in the name") << "m_nev"
                                           << "Kut|2" << inputError << separatorText << 0;
    QTest::newRow("separator in a number")
        << "t3"
        << "3630|1" << inputError << QStringLiteral("Csak valós telefonszámok adhatóak meg!") << 0;
    QTest::newRow("lone + in a number")
        << "t3"
        << "+" << inputError << QStringLiteral("Csak valós telefonszámok adhatóak meg!") << 0;
    QTest::newRow("separator in a hidden field") << "be4_nev"
                                                 << "a|b" << inputError << separatorText << 2;
    QTest::newRow("character above U+00FF")
        << "be1_nev" << QStringLiteral("Fázis ő") << error << accentText << 2;
    QTest::newRow("accented letter in the name")
        << "m_nev" << QStringLiteral("Kút") << error << accentText << 0;
    QTest::newRow("accented letter in an output message")
        << "ki2_off" << QStringLiteral("Kikapcsolás") << error << accentText << 3;
    QTest::newRow("letter in the PIN")
        << "m_pin"
        << "12a" << inputError << QStringLiteral("Csak számok adhatóak meg!") << 0;
    QTest::newRow("restore flag 2")
        << "visszaallas"
        << "2" << QStringLiteral("Input error") << QStringLiteral("Az érték 0 vagy 1 lehet.") << 0;
}

void TestDownload::refusals()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, title);
    QFETCH(QString, message);
    QFETCH(int, page);

    SimModule* module = sim->start(QStringLiteral("COM3"));
    QVERIFY(module);
    QVERIFY(loadedWindow());
    Ui::MainWindow& ui = window->form();
    // The button has the focus, as after a click on it: no field check runs on the way.
    ui.download_gomb->setFocus();
    auto* edit = window->findChild<QLineEdit*>(field);
    edit->setText(text);
    window->settings().downloadText = QStringLiteral("old frame");
    ui.tabWidget->setCurrentIndex(1);

    DialogDriver driver;
    driver.expectMessage();
    QTest::mouseClick(ui.download_gomb, Qt::LeftButton);
    QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));
    QCOMPARE(driver.seen().size(), 1);
    QCOMPARE(driver.last().icon, QMessageBox::Critical);
    QCOMPARE(driver.last().title, title);
    QCOMPARE(driver.last().text, message);
    QCOMPARE(driver.last().buttonCount, 1);
    QVERIFY(!driver.last().hasDefaultButton);

    QCOMPARE(ui.tabWidget->currentIndex(), page);
    if (!edit->isHidden())
        QCOMPARE(window->focusWidget(), edit);
    QCOMPARE(edit->text(), text);
    QCOMPARE(window->settings().downloadText, QString());
    // Room for an open or a byte that should not come.
    QTest::qWait(50);
    QCOMPARE(module->openCount(), 0);
    QCOMPARE(module->received(), QByteArray());
}

void TestDownload::notRequired_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("number"); // its field in the frame

    QTest::newRow("telephone number") << "t5" << 53;
    QTest::newRow("field of the disabled analog page") << "be_a1_nev" << 23;
    QTest::newRow("SMS centre of a listed provider") << "smskp" << 1;
    QTest::newRow("field hidden by the layout") << "be4_nev" << 28;
}

void TestDownload::notRequired()
{
    QFETCH(QString, field);
    QFETCH(int, number);

    SimModule* module = sim->start(QStringLiteral("COM3"));
    QVERIFY(module);
    QVERIFY(loadedWindow());
    window->findChild<QLineEdit*>(field)->clear();

    const Shown shown = download(window);
    QVERIFY(shown.appeared);
    QCOMPARE(shown.text, succeeded);
    const QString sent = module->field(number);
    QCOMPARE(sent.trimmed(), number >= 49 ? QStringLiteral("08") : QString());
}

void TestDownload::fullConfiguration()
{
    SimModule* module = sim->start(QStringLiteral("COM3"));
    QVERIFY(module);
    QVERIFY(loadedWindow());
    Ui::MainWindow& ui = window->form();
    const auto box = [&](const char* name) {
        return window->findChild<QCheckBox*>(QLatin1String(name));
    };
    const auto radio = [&](const char* name) {
        return window->findChild<QRadioButton*>(QLatin1String(name));
    };

    ui.smskp_combo->setCurrentIndex(3);
    ui.smskp->setText("36201234567");
    ui.m_pin->setText("12");
    ui.m_id->setText("0042");
    ui.m_nev->setText("+"); // a lone "+" is a name like any other
    ui.visszaallas->setText("0");
    ui.rele_time->setText("30");
    ui.maxsms->setText("5");
    ui.be_a1_nev->setText("Analog 1"); // a disabled page is still part of the frame
    // be1_nev ... be4_off_msg, then ki1_on ... ki4_off
    const QStringList inputs{"R nev", "S nev",  "T nev", "Be4 nev", "R be", "S be",
                             "T be",  "Be4 be", "R ki",  "S ki",    "T ki", "Be4 ki"};
    const QStringList outputs{"K1 be", "K2 be", "K3 be", "K4 be",
                              "K1 ki", "K2 ki", "K3 ki", "K4 ki"};
    for (int i = 0; i < inputs.size(); ++i)
        window->findChild<QLineEdit*>(fields::inputEdits().at(i))->setText(inputs.at(i));
    for (int i = 0; i < outputs.size(); ++i)
        window->findChild<QLineEdit*>(fields::outputEdits().at(i))->setText(outputs.at(i));
    ui.act_be->setText("BE");
    ui.act_ki->setText("KI");
    ui.t1->setText("36301234567");
    ui.t8->setText("3670");
    // Row 1: columns 1, 2 and RING, output 2, SMS.
    box("tc4_1")->setChecked(true);
    box("tc3_1")->setChecked(true);
    box("cb_r_1")->setChecked(true);
    box("cb_s_1")->setChecked(true);
    radio("r1_2")->setChecked(true);
    // Row 2: column 3 and SMS.
    box("tc2_2")->setChecked(true);
    box("cb_s_2")->setChecked(true);
    // Row 3: output 1.
    radio("r3_1")->setChecked(true);
    // Row 5: only a column-5 box, which lets the row's RING box be checked until the
    // download clears both.
    box("tc1_9")->setChecked(true);
    box("cb_r_5")->setChecked(true);
    QVERIFY(box("cb_r_5")->isChecked());
    ui.b1->setChecked(true);
    ui.k2->setChecked(true);
    ui.b3->setChecked(true);
    ui.k4->setChecked(true);
    ui.max_be_30->setChecked(true);
    ui.tabWidget->setCurrentIndex(2);

    const QStringList expected =
        QStringList{"36201234567", "0012", "0042", "+", "0", "0030", "5", "05", "000", "299", "1",
                    "99999",       "",     "",     "",  "",  "",     "",  "",   "",    "",    "",
                    "Analog 1",    ""} +
        inputs + outputs +
        QStringList{"",
                    "BE",
                    "KI",
                    "",
                    "s2"
                    "36301234567",
                    "40",
                    "09",
                    "08",
                    "08",
                    "08",
                    "08",
                    "08"
                    "3670"};
    QCOMPARE(expected.size(), 56);

    const Shown shown = download(window);
    QVERIFY(shown.appeared);
    QCOMPARE(shown.title, QStringLiteral("Betöltés"));
    QCOMPARE(shown.text, succeeded);
    QCOMPARE(shown.maximum, 962);
    QCOMPARE(shown.value, 962);

    QCOMPARE(module->writes().size(), 1);
    const QByteArray bytes = module->writes().first().bytes;
    QCOMPARE(bytes.size(), 955);
    QCOMPARE(bytes, lineBytes(expected));
    QCOMPARE(window->settings().downloadText, frameOf(expected));
    QCOMPARE(ui.tabWidget->currentIndex(), 0);
    QVERIFY(!box("tc1_9")->isChecked());
    QVERIFY(!box("cb_r_5")->isChecked());

    QStringList stored;
    for (const QString& field : expected)
        stored << padded(field);
    QCOMPARE(module->fields(), stored);

    // Read out into a freshly connected window, the module gives back the same form, the
    // zero fill of the PIN and the relay time aside.
    std::unique_ptr<MainWindow> other(fixture::connectedWindow());
    other->newfile();
    other->settings().port = QStringLiteral("COM3");
    DialogDriver driver;
    other->readup();
    QVERIFY2(driver.done(), qPrintable(driver.problems()));
    for (const fields::Field& field : fields::all()) {
        if (field.coding != fields::Coding::Text && field.coding != fields::Coding::TelNumber)
            continue;
        const QString name = QLatin1String(field.name);
        QString text = window->findChild<QLineEdit*>(name)->text();
        if (name == QLatin1String("m_pin") || name == QLatin1String("rele_time"))
            text = text.rightJustified(4, u'0');
        QCOMPARE(other->findChild<QLineEdit*>(name)->text() + " " + name, text + " " + name);
    }
    for (const QString& name : fields::telBoxes()) {
        QVERIFY2(other->findChild<QCheckBox*>(name)->isChecked() ==
                     window->findChild<QCheckBox*>(name)->isChecked(),
                 qPrintable(name));
    }
    for (const QString& name : fields::allRadios()) {
        QVERIFY2(other->findChild<QRadioButton*>(name)->isChecked() ==
                     window->findChild<QRadioButton*>(name)->isChecked(),
                 qPrintable(name));
    }
}

// Column 4 is hidden on this module; checked anyway (a file or a read-out can do it), with
// columns 3 and 7 it would make the row's code character the separator "|".
void TestDownload::hiddenColumnFourIsNotSent()
{
    SimModule* module = sim->start(QStringLiteral("COM3"));
    QVERIFY(module);
    QVERIFY(loadedWindow());
    auto* column3 = window->findChild<QCheckBox*>(QStringLiteral("tc2_2"));
    auto* column4 = window->findChild<QCheckBox*>(QStringLiteral("tc1_2"));
    auto* ring = window->findChild<QCheckBox*>(QStringLiteral("cb_r_2"));
    QVERIFY(column4->isHidden());
    column3->setChecked(true);
    column4->setChecked(true);
    ring->setChecked(true);

    const Shown shown = download(window);
    QCOMPARE(shown.text, succeeded);
    QCOMPARE(module->writes().size(), 1);
    const QList<QByteArray> fields = module->writes().first().fields;
    QCOMPARE(fields.size(), 56);
    QCOMPARE(module->writes().first().outcome, SimWrite::Outcome::Stored);
    // 0x30 + 4 (column 3) + 64 (RING) = "t", not 0x7C; no SMS: 0x30 + 8.
    QCOMPARE(fields.at(49).left(2), QByteArray("t8"));
    QVERIFY(!column4->isChecked());
    QVERIFY(column3->isChecked());
    QVERIFY(ring->isChecked());
}

VEXAGRID_TEST_MAIN(TestDownload)
#include "tst_download.moc"
