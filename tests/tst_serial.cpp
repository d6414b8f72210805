// The serial line: SerialPort and PortMap, against the simulated module in a temporary
// device directory. Nothing here touches the machine's own ports.

#include "device/portmap.h"
#include "device/serialport.h"
#include "form/progress.h"
#include "tests/support/seriallog.h"
#include "tests/support/simfixture.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QMutex>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QSemaphore>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <thread>

namespace {

// How long a test waits for something the module or the program is bound to do. Only a
// failing test waits this long; a starved machine gets all the room it needs.
constexpr int kEventWaitMs = 30000;

QString latin1(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes);
}

// Points VEXAGRID_DOSDEVICES somewhere for one test, and back afterwards.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const QByteArray& value) : m_name(name)
    {
        m_had = qEnvironmentVariableIsSet(name);
        m_old = qgetenv(name);
        qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (m_had) {
            qputenv(m_name, m_old);
        } else {
            qunsetenv(m_name);
        }
    }

private:
    const char* m_name;
    QByteArray m_old;
    bool m_had = false;
};

} // namespace

class TestSerial : public QObject
{
    Q_OBJECT

private slots:
    // SerialPort
    void defaults();
    void openFailures_data();
    void openFailures();
    void lineSettings_data();
    void lineSettings();
    void reopenClosesOldHandleFirst();
    void identificationExchange();
    void bytesOnTheLine();
    void readByteOneAtATime();
    void silentModuleWaitsOnce_data();
    void silentModuleWaitsOnce();
    void lateReplyEndsTheWait();
    void longReplyWithoutPauses();
    void receiveBounds_data();
    void receiveBounds();
    void progressDialog_data();
    void progressDialog();
    void progressCancel();
    void vanishedPortEndsReadAtOnce();
    void traceCategory();
    void ownThread();
    void twoModules();

    // PortMap
    void deviceDirectoryChoice();
    void builtInTable_data();
    void builtInTable();
    void directoryIsTheWholeMap();
    void availablePorts();
};

void TestSerial::defaults()
{
    SerialPort port;
    QCOMPARE(port.portName(), QStringLiteral("COM1"));
    QCOMPARE(port.baudRate(), 1200);
    QCOMPARE(port.baudRateText(), QStringLiteral("1200"));
    QVERIFY(!port.isOpen());

    SerialPort other(QStringLiteral("COM7"), 9600);
    QCOMPARE(other.portName(), QStringLiteral("COM7"));
    QCOMPARE(other.baudRate(), 9600);
    QVERIFY(!other.isOpen());
    other.setPort(QStringLiteral("COM12"), 115200);
    QCOMPARE(other.portName(), QStringLiteral("COM12"));
    QCOMPARE(other.baudRateText(), QStringLiteral("115200"));
    other.setPortName(QStringLiteral("COM2"));
    other.setBaudRate(300);
    QCOMPARE(other.portName(), QStringLiteral("COM2"));
    QCOMPARE(other.baudRate(), 300);

    // Nothing open: writes go nowhere, reads bring nothing, close is harmless.
    port.writeText(QStringLiteral("~|"), SerialPort::LineEnd::Cr);
    char byte = 0;
    QVERIFY(!port.readByte(&byte));
    QCOMPARE(port.readAll(), QString());
    port.close();
    QVERIFY(!port.isOpen());
}

void TestSerial::openFailures_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<int>("baud");
    QTest::addColumn<QList<int>>("timeouts");
    QTest::addColumn<bool>("held");
    QTest::addColumn<QString>("diagnostic");
    QTest::addColumn<bool>("opened"); // the module's port was opened before the failure

    const QList<int> fine{500, 0, 0, 0};
    const QString open = QStringLiteral("unable to open comport");
    QTest::newRow("no entry in the map") << "COM9" << 1200 << fine << false << open << false;
    QTest::newRow("not a COM name") << "LPT1" << 1200 << fine << false << open << false;
    QTest::newRow("empty name") << "" << 1200 << fine << false << open << false;
    QTest::newRow("dangling entry") << "COM4" << 1200 << fine << false << open << false;
    QTest::newRow("entry that is no terminal") << "COM5" << 1200 << fine << false << open << false;
    QTest::newRow("held by another program") << "COM3" << 1200 << fine << true << open << false;
    QTest::newRow("missing device beats bad baud") << "COM9" << 0 << fine << false << open << false;
    QTest::newRow("baud 0") << "COM3" << 0 << fine << false << "unable to set comport dcb settings"
                            << true;
    QTest::newRow("negative baud")
        << "COM3" << -1200 << fine << false << "unable to set comport dcb settings" << true;
    QTest::newRow("negative read multiplier") << "COM3" << 1200 << QList<int>{-1, 0, 0, 0} << false
                                              << "unable to set comport time-out settings" << true;
    QTest::newRow("negative read constant") << "COM3" << 1200 << QList<int>{0, -300, 0, 0} << false
                                            << "unable to set comport time-out settings" << true;
    QTest::newRow("negative write constant") << "COM3" << 1200 << QList<int>{0, 300, 0, -1} << false
                                             << "unable to set comport time-out settings" << true;
}

void TestSerial::openFailures()
{
    QFETCH(QString, port);
    QFETCH(int, baud);
    QFETCH(QList<int>, timeouts);
    QFETCH(bool, held);
    QFETCH(QString, diagnostic);
    QFETCH(bool, opened);

    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    QVERIFY(fixture.addEntry(QStringLiteral("com4"), fixture.deviceDirectory() + "/nothing"));
    QVERIFY(fixture.addEntry(QStringLiteral("com5"), QStringLiteral("/dev/null")));

    QSerialPort holder;
    if (held) {
        holder.setPortName(PortMap::devicePath(QStringLiteral("COM3")));
        QVERIFY(holder.open(QIODevice::ReadWrite));
        // The holder's open is counted before the port's own opens are looked at.
        QTRY_COMPARE_WITH_TIMEOUT(module->openCount(), 1, kEventWaitMs);
    }
    const int opensBefore = held ? 1 : 0;

    SerialPort serial(port, baud);
    SerialLog diagnostics;
    const Expected<void> refused =
        serial.open({timeouts[0], timeouts[1], timeouts[2], timeouts[3]});
    QVERIFY(!refused);
    QVERIFY(!serial.isOpen());
    QCOMPARE(diagnostics.critical(), QStringList{diagnostic});
    // The failure says the same, in the port dialog's words (which have their own for no
    // port at all).
    QCOMPARE(refused.failure().code, messages::Code::OpenFailed);
    QCOMPARE(refused.failure().details.value("diagnostic").toString(), diagnostic);
    QVERIFY2(refused.failure().message.contains(port.isEmpty() ? QStringLiteral("Nincs")
                                                               : " " + port + " "),
             qPrintable(refused.failure().message));
    QVERIFY(!serial.state().opens);

    // Nothing reached the module, and a handle that was obtained is closed again.
    serial.writeText(QStringLiteral("~|"));
    if (opened) {
        QTRY_COMPARE_WITH_TIMEOUT(module->openCount(), opensBefore + 1, kEventWaitMs);
        QVERIFY(module->waitForCloses(1, kEventWaitMs));
    }
    // Room for an open, a close or a byte that should not come.
    QTest::qWait(20);
    QCOMPARE(module->openCount(), opensBefore + (opened ? 1 : 0));
    QCOMPARE(module->closeCount(), opened ? 1 : 0);
    QCOMPARE(module->received(), QByteArray());
}

void TestSerial::lineSettings_data()
{
    QTest::addColumn<int>("baud");
    QTest::newRow("1200") << 1200;
    QTest::newRow("9600") << 9600;
    QTest::newRow("28800 (no standard constant)") << 28800;
    QTest::newRow("115200") << 115200;
}

void TestSerial::lineSettings()
{
    QFETCH(int, baud);
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);

    SerialPort serial(QStringLiteral("COM3"), baud);
    QVERIFY(serial.open(SerialPort::Timeouts::read(500, 0)));
    QCOMPARE(serial.readWait(), 500);
    serial.writeText(QStringLiteral("~|"));
    QVERIFY(module->waitForRequests(1, kEventWaitMs));
    SimLineSettings expected;
    expected.baudRate = baud;
    expected.dataBits = 8;
    expected.parity = 'N';
    expected.stopBits = 1;
    QCOMPARE(module->requests().at(0).line.toString(), expected.toString());
}

void TestSerial::reopenClosesOldHandleFirst()
{
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    {
        SerialPort serial(QStringLiteral("COM3"), 1200);
        QVERIFY(serial.open(SerialPort::Timeouts::read(500, 0)));
        QTRY_COMPARE(module->openCount(), 1);
        // A handle still open would hold the port's lock, and this open would fail.
        QVERIFY(serial.open(SerialPort::Timeouts::read(0, 300)));
        QVERIFY(serial.isOpen());
        QCOMPARE(serial.readWait(), 300);
        QTRY_COMPARE(module->openCount(), 2);
        QTRY_COMPARE(module->closeCount(), 1);

        serial.close();
        QVERIFY(!serial.isOpen());
        QVERIFY(module->waitForCloses(2, kEventWaitMs));
        serial.close();
    }
    // Closed once per open: neither the second close() nor the destructor closed again. The
    // pause is room for a close that should not come.
    QTest::qWait(50);
    QCOMPARE(module->openCount(), 2);
    QCOMPARE(module->closeCount(), 2);

    {
        SerialPort serial(QStringLiteral("COM3"), 1200);
        QVERIFY(serial.open(SerialPort::Timeouts::read(500, 0)));
    }
    QVERIFY(module->waitForCloses(3, kEventWaitMs));
    QCOMPARE(module->openCount(), 3);
}

void TestSerial::identificationExchange()
{
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);

    SerialPort serial(QStringLiteral("COM3"), 1200);
    QVERIFY(serial.open(SerialPort::Timeouts::read(500, 0)));
    serial.writeText(QStringLiteral("~|"));
    QCOMPARE(serial.readAll(nullptr, SerialPort::kReplyLimit),
             QStringLiteral("V_VEXAGRID-3 FW2.14\r\n"));
    QCOMPARE(module->received(), QByteArray("~|"));
    QCOMPARE(module->requests().size(), 1);
    QCOMPARE(module->requests().at(0).command, '|');
}

void TestSerial::bytesOnTheLine()
{
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);

    SerialPort serial(QStringLiteral("COM3"), 1200);
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, 300)));
    // Latin-1 characters go as their code, one above U+00FF as 0x00 (never '?').
    serial.writeText(QString::fromUtf8("Ab\u00c9\u00e9\u0150\u00ff\u007f z"),
                     SerialPort::LineEnd::Cr);
    serial.writeText(QString(), SerialPort::LineEnd::Cr);
    serial.writeText(QStringLiteral("xy"));
    serial.writeByte('\0');
    serial.writeByte(char(0xfe), SerialPort::LineEnd::Cr);
    serial.writeCr();
    const char raw[] = "Ab\xc9\xe9\x00\xff\x7f z\r"
                       "\r"
                       "xy"
                       "\x00"
                       "\xfe\r"
                       "\r";
    const QByteArray expected(raw, sizeof raw - 1);
    QVERIFY(module->waitForReceived(expected.size(), kEventWaitMs));
    // Room for a byte that should not come.
    QTest::qWait(50);
    QCOMPARE(module->received(), expected);
}

void TestSerial::readByteOneAtATime()
{
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    module->setIdentification(QStringLiteral("V_X"));

    SerialPort serial(QStringLiteral("COM3"), 1200);
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, 300)));
    serial.writeByte('~');
    serial.writeByte('|');
    QByteArray got;
    char byte = 0;
    while (serial.readByte(&byte)) {
        got.append(byte);
    }
    QCOMPARE(got, QByteArray("V_X\r\n"));
    QVERIFY(!serial.hasVanished());
    QVERIFY(serial.isOpen());
}

void TestSerial::silentModuleWaitsOnce_data()
{
    QTest::addColumn<int>("multiplier");
    QTest::addColumn<int>("constant");
    QTest::newRow("identification 500 + 0") << 500 << 0;
    QTest::newRow("search 0 + 300") << 0 << 300;
    QTest::newRow("both 100 + 200") << 100 << 200;
}

void TestSerial::silentModuleWaitsOnce()
{
    QFETCH(int, multiplier);
    QFETCH(int, constant);
    const int wait = multiplier + constant;

    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    // Silent for twenty times the longest of these waits, then it answers: a read that was
    // still waiting by then would take the reply.
    module->setReplyDelay(10000);

    SerialPort serial(QStringLiteral("COM3"), 1200);
    QVERIFY(serial.open(SerialPort::Timeouts::read(multiplier, constant)));
    serial.writeText(QStringLiteral("~|"));
    QElapsedTimer timer;
    timer.start();
    const QString reply = serial.readAll(nullptr, SerialPort::kReplyLimit);
    const qint64 elapsed = timer.elapsed();
    // The whole wait passed in silence, and the read gave up long before the late reply.
    QCOMPARE(reply, QString());
    QVERIFY2(elapsed >= wait,
             qPrintable(QStringLiteral("%1 ms for a wait of %2 ms").arg(elapsed).arg(wait)));
    QVERIFY(module->waitForReceived(2, kEventWaitMs));
    QCOMPARE(module->received(), QByteArray("~|"));
}

// The wait for a byte runs in short slices: many slices of silence, then the reply, must be
// taken as it comes, whole, and long before the read wait is over.
void TestSerial::lateReplyEndsTheWait()
{
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    module->setIdentification(QStringLiteral("V_X"));
    module->setReplyDelay(400);

    SerialPort serial(QStringLiteral("COM3"), 1200);
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, kEventWaitMs)));
    serial.writeText(QStringLiteral("~|"));
    QElapsedTimer timer;
    timer.start();
    char byte = 0;
    QVERIFY(serial.readByte(&byte));
    const qint64 firstByte = timer.elapsed();
    QCOMPARE(byte, 'V');
    QVERIFY2(firstByte >= 300, qPrintable(QString::number(firstByte)));
    QVERIFY2(firstByte < kEventWaitMs / 2, qPrintable(QString::number(firstByte)));
    QCOMPARE(serial.readAll(nullptr, 4), QStringLiteral("_X\r\n"));
    QVERIFY(!serial.hasVanished());
}

void TestSerial::longReplyWithoutPauses()
{
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);

    // 20000 bytes at once, every byte value, CRs and LFs among them.
    QByteArray big;
    for (int i = 0; i < 20000; ++i) {
        big.append(char((i * 7 + i / 256) & 0xff));
    }
    module->setRawReply(SimModule::Request::ReadOut, big);
    // The module's thread sends the reply, and a busy machine may starve it for a good
    // while: a pause that long must not pass for the end of the reply.
    const int wait = 3000;
    {
        SerialPort serial(QStringLiteral("COM3"), 1200);
        QVERIFY(serial.open(SerialPort::Timeouts::read(0, wait)));
        serial.writeText(QStringLiteral("~{"));
        QCOMPARE(serial.readAll(), latin1(big));
    }
    // Like a real port, the line starts empty when it is opened again; the module has to
    // have seen the close first, or it would clear away the next request.
    QVERIFY(module->waitForSessionEnds(1, 30000));

    // A reply that trickles in at the line's speed, with gaps far shorter than the read
    // wait, is read to its end too.
    const QByteArray trickle = big.left(3000);
    module->setRawReply(SimModule::Request::ReadOut, trickle);
    module->setPaced(true);
    SerialPort serial(QStringLiteral("COM3"), 115200);
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, wait)));
    QElapsedTimer timer;
    timer.start();
    serial.writeText(QStringLiteral("~{"));
    QCOMPARE(serial.readAll(), latin1(trickle));
    // 3000 bytes at 11520 bytes per second: about a quarter of a second until the last
    // byte, then the wait in silence that ends the read.
    QVERIFY2(timer.elapsed() > wait + 200, qPrintable(QString::number(timer.elapsed())));
}

void TestSerial::receiveBounds_data()
{
    QTest::addColumn<int>("limit");
    QTest::newRow("identification, search, status") << int(SerialPort::kReplyLimit);
    QTest::newRow("read-out") << int(SerialPort::kReadOutLimit);
}

void TestSerial::receiveBounds()
{
    QFETCH(int, limit);
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    module->setFault(SimModule::Fault::TalkWithoutPause);

    SerialPort serial(QStringLiteral("COM3"), 1200);
    QVERIFY(serial.open(SerialPort::Timeouts::read(500, 0)));
    serial.writeText(QStringLiteral("~|"));
    // Only the bound can end this read. Should it not, the module falls silent after half a
    // minute, so that the test fails instead of hanging.
    QSemaphore readEnded;
    std::thread watchdog([&] {
        if (!readEnded.tryAcquire(1, kEventWaitMs)) {
            module->setFault(SimModule::Fault::None);
        }
    });
    const QString reply = serial.readAll(nullptr, limit);
    const bool stillTalking = module->fault() == SimModule::Fault::TalkWithoutPause;
    readEnded.release();
    watchdog.join();
    QCOMPARE(reply.size(), limit);
    QVERIFY(reply.startsWith(QStringLiteral("$GPGGA,")));
    // The read ended while the module was still talking.
    QVERIFY(stillTalking);

    // A reply shorter than the bound is not affected by it. The module starts afresh: the
    // end of its talk could still reach a port reopened before its thread saw the close.
    serial.close();
    fixture.stop(QStringLiteral("COM3"));
    QVERIFY(fixture.start(QStringLiteral("COM3")));
    QVERIFY(serial.open(SerialPort::Timeouts::read(500, 0)));
    serial.writeText(QStringLiteral("~|"));
    QCOMPARE(serial.readAll(nullptr, limit), QStringLiteral("V_VEXAGRID-3 FW2.14\r\n"));
}

void TestSerial::progressDialog_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<bool>("startAtZero");
    QTest::addColumn<int>("value");

    QTest::newRow("CRs stored, not counted") << QByteArray("AB\rC\r\nD\r\r") << 100 << true << 5;
    QTest::newRow("a fresh dialog counts from its minimum")
        << QByteArray("AB\rC\r\nD\r\r") << 100 << false << 5;
    QTest::newRow("stops advancing at its maximum")
        << QByteArray("0123456789\r\n") << 4 << true << 4;
    QTest::newRow("only CRs") << QByteArray("\r\r\r") << 100 << true << 0;
}

void TestSerial::progressDialog()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, maximum);
    QFETCH(bool, startAtZero);
    QFETCH(int, value);

    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    module->setRawReply(SimModule::Request::ReadOut, reply);

    QProgressDialog progress(QStringLiteral("Kiolvasás..."), QStringLiteral("Megszakítás"), 0,
                             maximum);
    progress.setAutoReset(false);
    progress.setMinimumDuration(100000);
    if (startAtZero) {
        progress.setValue(0);
    }
    SerialPort serial(QStringLiteral("COM3"), 1200);
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, 300)));
    serial.writeText(QStringLiteral("~{"));
    QCOMPARE(serial.readAll(progress::byteCounter(progress)), latin1(reply));
    QCOMPARE(progress.value(), value);
}

void TestSerial::progressCancel()
{
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);

    QProgressDialog progress(QStringLiteral("Kiolvasás..."), QStringLiteral("Megszakítás"), 0, 896);
    progress.setAutoReset(false);
    progress.setMinimumDuration(100000);
    progress.setValue(0);
    progress.cancel();
    QVERIFY(progress.wasCanceled());

    // A read wait of half a minute: a loop that waited for silence would take that long.
    const int wait = kEventWaitMs;
    SerialPort serial(QStringLiteral("COM3"), 1200);
    QVERIFY(serial.open(SerialPort::Timeouts::read(1000, wait - 1000)));
    serial.writeText(QStringLiteral("~{"));
    QElapsedTimer timer;
    timer.start();
    // The byte just read is kept, then the loop stops without waiting for silence.
    QCOMPARE(serial.readAll(progress::byteCounter(progress)), QString(QChar(0xff)));
    QVERIFY2(timer.elapsed() < wait / 2, qPrintable(QString::number(timer.elapsed())));
}

void TestSerial::vanishedPortEndsReadAtOnce()
{
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    module->setPaced(true); // the read-out reply takes 8 s at 1200 baud

    // A read wait of half a minute: a read that missed the port going away would sit in it.
    const int wait = kEventWaitMs;
    SerialPort serial(QStringLiteral("COM3"), 1200);
    QVERIFY(serial.open(SerialPort::Timeouts::read(1000, wait - 1000)));
    QElapsedTimer timer;
    timer.start();
    serial.writeText(QStringLiteral("~{"));

    // The adapter is pulled out a second into the reply.
    qint64 pulledAt = -1;
    std::thread puller([&] {
        if (module->waitForRequests(1, kEventWaitMs)) {
            QThread::msleep(1000);
        }
        module->vanish();
        pulledAt = timer.elapsed();
    });
    const QString reply = serial.readAll();
    const qint64 elapsed = timer.elapsed();
    puller.join();
    QVERIFY(module->hasVanished());
    // The read ended with the port, not after its wait ...
    QVERIFY2(elapsed < pulledAt + wait / 2,
             qPrintable(QStringLiteral("%1 ms, pulled out at %2 ms").arg(elapsed).arg(pulledAt)));
    // ... and kept what had come until then: part of the reply, a byte per 8.3 ms at most.
    QVERIFY(!reply.isEmpty());
    QVERIFY2(reply.size() <= pulledAt / 8,
             qPrintable(
                 QStringLiteral("%1 bytes, pulled out at %2 ms").arg(reply.size()).arg(pulledAt)));
    QVERIFY(serial.hasVanished());

    // From then on nothing waits: a whole frame is dropped at once, a read brings nothing.
    timer.restart();
    serial.writeText(QString(952, QLatin1Char('x')), SerialPort::LineEnd::Cr);
    char byte = 0;
    QVERIFY(!serial.readByte(&byte));
    QCOMPARE(serial.readAll(), QString());
    QVERIFY2(timer.elapsed() < wait / 2, qPrintable(QString::number(timer.elapsed())));
    serial.close();

    // The device is gone from the map.
    SerialLog diagnostics;
    QVERIFY(!serial.open(SerialPort::Timeouts::read(1000, 200)));
    QCOMPARE(diagnostics.critical(), QStringList{QStringLiteral("unable to open comport")});
}

void TestSerial::traceCategory()
{
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    module->setIdentification(QStringLiteral("V_"));

    QVERIFY(!lcSerialTrace().isDebugEnabled());
    QLoggingCategory::setFilterRules(QStringLiteral("vexagrid.serial.debug=false\n"
                                                    "vexagrid.serial.trace=true"));
    {
        SerialLog diagnostics;
        SerialPort serial(QStringLiteral("COM3"), 1200);
        QVERIFY(serial.open(SerialPort::Timeouts::read(0, 300)));
        serial.writeText(QStringLiteral("~|"));
        QCOMPARE(serial.readAll(), QStringLiteral("V_\r\n"));
        serial.close();
        const QStringList trace = diagnostics.trace();
        const QRegularExpression byteLine(QStringLiteral("^COM3 [<>] [0-9a-f]{2}$"));
        QCOMPARE(trace.filter(byteLine), (QStringList{"COM3 > 7e", "COM3 > 7c", "COM3 < 56",
                                                      "COM3 < 5f", "COM3 < 0d", "COM3 < 0a"}));
        QCOMPARE(trace.filter(QRegularExpression(QStringLiteral("^COM3 open "))).size(), 1);
        QCOMPARE(trace.last(), QStringLiteral("COM3 closed"));
    }
    QLoggingCategory::setFilterRules(QStringLiteral("vexagrid.serial.debug=false"));
    QVERIFY(!lcSerialTrace().isDebugEnabled());
}

void TestSerial::ownThread()
{
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);

    // As the download worker does: the port is made, opened and used on its own thread.
    QString reply;
    bool opened = false;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        SerialPort serial(QStringLiteral("COM3"), 1200);
        opened = serial.open(SerialPort::Timeouts::read(0, 300)).ok();
        serial.writeText(QStringLiteral("~|"));
        reply = serial.readAll(nullptr, SerialPort::kReplyLimit);
    }));
    worker->start();
    QVERIFY(worker->wait(10000));
    QVERIFY(opened);
    QCOMPARE(reply, QStringLiteral("V_VEXAGRID-3 FW2.14\r\n"));
}

void TestSerial::twoModules()
{
    SimFixture fixture;
    SimModule* first = fixture.start(QStringLiteral("COM3"));
    SimModule* second = fixture.start(QStringLiteral("COM4"));
    QVERIFY(first && second);
    first->setIdentification(QStringLiteral("V_FIRST"));
    second->setIdentification(QStringLiteral("V_SECOND"));

    for (const auto& [port, id] : {std::pair{"COM3", "V_FIRST\r\n"}, {"COM4", "V_SECOND\r\n"}}) {
        SerialPort serial(QString::fromLatin1(port), 1200);
        QVERIFY(serial.open(SerialPort::Timeouts::read(0, 300)));
        serial.writeText(QStringLiteral("~|"));
        QCOMPARE(serial.readAll(), QString::fromLatin1(id));
    }
    QCOMPARE(first->requests().size(), 1);
    QCOMPARE(second->requests().size(), 1);
}

// --- PortMap -----------------------------------------------------------------------------

void TestSerial::deviceDirectoryChoice()
{
    QTemporaryDir home;
    QVERIFY(home.isValid());
    ScopedEnv homeEnv("HOME", QFile::encodeName(home.path()));
    {
        ScopedEnv env("VEXAGRID_DOSDEVICES", "/somewhere/else");
        QCOMPARE(PortMap::deviceDirectory(), QStringLiteral("/somewhere/else"));
        QVERIFY(!PortMap::usesDeviceDirectory());
    }
    {
        // Set but empty counts as not set.
        ScopedEnv env("VEXAGRID_DOSDEVICES", "");
        QCOMPARE(PortMap::deviceDirectory(), home.path() + "/.vexagrid/dosdevices");
        QVERIFY(!PortMap::usesDeviceDirectory());
        QCOMPARE(PortMap::devicePath(QStringLiteral("COM1")), QStringLiteral("/dev/ttyS0"));

        // The user's own map, once it exists, is the whole map.
        QVERIFY(QDir().mkpath(home.path() + "/.vexagrid/dosdevices"));
        QVERIFY(PortMap::usesDeviceDirectory());
        QCOMPARE(PortMap::devicePath(QStringLiteral("COM1")), QString());
    }
}

void TestSerial::builtInTable_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("device");
    QTest::newRow("COM1") << "COM1"
                          << "/dev/ttyS0";
    QTest::newRow("COM4") << "COM4"
                          << "/dev/ttyS3";
    QTest::newRow("COM5") << "COM5"
                          << "/dev/ttyUSB0";
    QTest::newRow("COM20") << "COM20"
                           << "/dev/ttyUSB15";
    QTest::newRow("COM21") << "COM21"
                           << "/dev/ttyACM0";
    QTest::newRow("COM32") << "COM32"
                           << "/dev/ttyACM11";
    QTest::newRow("lower case") << "com3"
                                << "/dev/ttyS2";
    QTest::newRow("COM33") << "COM33"
                           << "";
    QTest::newRow("COM0") << "COM0"
                          << "";
    QTest::newRow("leading zero") << "COM03"
                                  << "";
    QTest::newRow("no number") << "COM"
                               << "";
    QTest::newRow("negative") << "COM-1"
                              << "";
    QTest::newRow("trailing letter") << "COM3x"
                                     << "";
    QTest::newRow("other name") << "LPT1"
                                << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestSerial::builtInTable()
{
    QFETCH(QString, name);
    QFETCH(QString, device);
    QTemporaryDir scratch;
    ScopedEnv env("VEXAGRID_DOSDEVICES", QFile::encodeName(scratch.path() + "/not-there"));
    QVERIFY(!PortMap::usesDeviceDirectory());
    QCOMPARE(PortMap::devicePath(name), device);
    if (!device.isEmpty()) {
        QCOMPARE(PortMap::portName(device), name.toUpper());
    }
}

void TestSerial::directoryIsTheWholeMap()
{
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM12"));
    QVERIFY(module);
    QVERIFY(PortMap::usesDeviceDirectory());
    QCOMPARE(PortMap::deviceDirectory(), fixture.deviceDirectory());

    // The entry leads to the device itself, the same device by whatever link.
    QCOMPARE(PortMap::devicePath(QStringLiteral("COM12")), module->slavePath());
    QCOMPARE(PortMap::devicePath(QStringLiteral("com12")), module->slavePath());
    QCOMPARE(PortMap::portName(module->slavePath()), QStringLiteral("COM12"));
    QCOMPARE(PortMap::portName(module->entryPath()), QStringLiteral("COM12"));

    // No entry, no port, even where the built-in table has a device.
    QCOMPARE(PortMap::devicePath(QStringLiteral("COM1")), QString());
    QCOMPARE(PortMap::devicePath(QStringLiteral("COM5")), QString());
    // Only "comN" in lower case, without leading zero, is an entry.
    QVERIFY(fixture.addEntry(QStringLiteral("COM6"), module->slavePath()));
    QVERIFY(fixture.addEntry(QStringLiteral("com07"), module->slavePath()));
    QCOMPARE(PortMap::devicePath(QStringLiteral("COM6")), QString());
    QCOMPARE(PortMap::devicePath(QStringLiteral("COM7")), QString());
    QCOMPARE(PortMap::portName(QStringLiteral("/dev/ttyS0")), QString());
}

void TestSerial::availablePorts()
{
    SimFixture fixture;
    for (const char* name : {"COM25", "COM3", "COM12", "COM8"}) {
        QVERIFY(fixture.start(QString::fromLatin1(name)));
    }
    QVERIFY(fixture.addEntry(QStringLiteral("com7"), fixture.deviceDirectory() + "/nothing"));
    QVERIFY(fixture.addEntry(QStringLiteral("com9"), QStringLiteral("/dev/null")));
    QVERIFY(fixture.addEntry(QStringLiteral("COM10"), fixture.module("COM3")->slavePath()));
    QVERIFY(fixture.addEntry(QStringLiteral("com40"), fixture.module("COM3")->slavePath()));

    // COM8 is held by another program.
    QSerialPort holder;
    holder.setPortName(PortMap::devicePath(QStringLiteral("COM8")));
    QVERIFY(holder.open(QIODevice::ReadWrite));
    QCOMPARE(PortMap::availablePorts(), (QStringList{"COM3", "COM12", "COM25"}));

    holder.close();
    QCOMPARE(PortMap::availablePorts(), (QStringList{"COM3", "COM8", "COM12", "COM25"}));

    // Each probe was closed again at once.
    SimModule* module = fixture.module("COM3");
    QVERIFY(module->waitForCloses(2, kEventWaitMs));
    QCOMPARE(module->openCount(), 2);
    QCOMPARE(module->received(), QByteArray());

    // Without entries, no ports at all.
    fixture.stopAll();
    QCOMPARE(PortMap::availablePorts(), QStringList());
}

int main(int argc, char* argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    // The line layer's debug lines would drown the test log.
    QLoggingCategory::setFilterRules(QStringLiteral("vexagrid.serial.debug=false"));
    TestSerial test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_serial.moc"
