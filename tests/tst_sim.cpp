// The simulated module's own behaviour, as the end-to-end tests of every exchange rely on
// it: what it answers, how it misbehaves, what it records, and the vexagrid-sim program.

#include "device/serialport.h"
#include "tests/support/simfixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// 56 fields as the download frame carries them: each padded to 16.
QList<QByteArray> frameFields(const QString& tag)
{
    QList<QByteArray> fields;
    for (int i = 1; i <= SimModule::FieldCount; ++i) {
        QByteArray field = (tag + QString::number(i)).toLatin1();
        if (i >= 49) {
            field = SimModule::phoneField(i - 49, i % 5, i % 2 == 0, "3630" + QString::number(i))
                        .toLatin1();
        }
        fields.append(field.leftJustified(SimModule::FieldWidth, ' '));
    }
    return fields;
}

QByteArray frameBytes(const QList<QByteArray>& fields)
{
    QByteArray bytes;
    for (const QByteArray& field : fields) {
        bytes += field + '\r';
    }
    return bytes + '\r';
}

QByteArray readSome(SerialPort& serial, int count)
{
    QByteArray got;
    char byte = 0;
    while (got.size() < count && serial.readByte(&byte)) {
        got.append(byte);
    }
    return got;
}

QStringList pieces(const QString& line)
{
    return line.split(QLatin1Char(' '));
}

} // namespace

class TestSim : public QObject
{
    Q_OBJECT

private slots:
    void writeRequestStored_data();
    void writeRequestStored();
    void acknowledgements_data();
    void acknowledgements();
    void vanishDuringWrite();
    void malformedAndIncompleteFrames();
    void readOutReplies();
    void statusReply();
    void identificationVariants_data();
    void identificationVariants();
    void stopMidReply();
    void pacingAndDelay();
    void lineStartsEmptyOnEachOpen();
    void requestsAmongNoise();
    void stateFile();
    void helpers();
    void program();
};

void TestSim::writeRequestStored_data()
{
    QTest::addColumn<int>("baud");
    QTest::newRow("1200") << 1200;
    QTest::newRow("9600") << 9600;
}

void TestSim::writeRequestStored()
{
    QFETCH(int, baud);
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);

    const QList<QByteArray> fields = frameFields(QStringLiteral("F"));
    SerialPort serial(QStringLiteral("COM3"), baud);
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, 3500)));
    serial.writeText(QStringLiteral("~}"));
    QCOMPARE(readSome(serial, 2), QByteArray("R\r"));
    serial.writeText(QString::fromLatin1(frameBytes(fields)));
    QCOMPARE(readSome(serial, 2), QByteArray("O\r"));

    QVERIFY(module->waitForWrites(1, 2000));
    const SimWrite write = module->writes().at(0);
    QCOMPARE(write.outcome, SimWrite::Outcome::Stored);
    QCOMPARE(write.bytes.size(), 955);
    QCOMPARE(write.bytes, "~}" + frameBytes(fields));
    QCOMPARE(write.fields, fields);
    QCOMPARE(write.replies, QByteArray("R\rO\r"));
    QCOMPARE(write.line.baudRate, baud);
    QCOMPARE(write.line.toString(), QStringLiteral("%1 8N1").arg(baud));
    QCOMPARE(module->field(1), QStringLiteral("F1              "));

    // The read-out gives back what was written.
    QByteArray expected;
    for (const QByteArray& field : fields) {
        expected += field + "\r\n";
    }
    serial.close();
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, 300)));
    serial.writeText(QStringLiteral("~{"));
    QCOMPARE(serial.readAll(), QString::fromLatin1(expected));
}

void TestSim::acknowledgements_data()
{
    QTest::addColumn<SimModule::Fault>("fault");
    QTest::addColumn<QByteArray>("start"); // what follows "~}"
    QTest::addColumn<bool>("sendsFrame");  // the program goes on with the frame
    QTest::addColumn<QByteArray>("ack");   // what follows the frame
    QTest::addColumn<SimWrite::Outcome>("outcome");

    using F = SimModule::Fault;
    using O = SimWrite::Outcome;
    QTest::newRow("regular") << F::None << QByteArray("R\r") << true << QByteArray("O\r")
                             << O::Stored;
    QTest::newRow("another byte first")
        << F::AckOtherFirst << QByteArray("R\r") << true << QByteArray("EO") << O::Stored;
    QTest::newRow("wrong byte twice")
        << F::AckWrongTwice << QByteArray("R\r") << true << QByteArray("EE") << O::Refused;
    QTest::newRow("never acknowledge")
        << F::NeverAcknowledge << QByteArray("R\r") << true << QByteArray() << O::Refused;
    QTest::newRow("R then silence")
        << F::RThenSilence << QByteArray("R") << true << QByteArray() << O::Refused;
    QTest::newRow("no R") << F::NoR << QByteArray() << false << QByteArray() << O::NoFrame;
    QTest::newRow("silent") << F::Silent << QByteArray() << false << QByteArray() << O::NoFrame;
    QTest::newRow("garbage") << F::Garbage << QByteArray("\x13\x07") << false << QByteArray()
                             << O::NoFrame;
}

void TestSim::acknowledgements()
{
    QFETCH(SimModule::Fault, fault);
    QFETCH(QByteArray, start);
    QFETCH(bool, sendsFrame);
    QFETCH(QByteArray, ack);
    QFETCH(SimWrite::Outcome, outcome);

    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    module->setFault(fault);
    const QStringList before = module->fields();

    const QList<QByteArray> fields = frameFields(QStringLiteral("A"));
    SerialPort serial(QStringLiteral("COM3"), 1200);
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, 300)));
    serial.writeText(QStringLiteral("~}"));
    QCOMPARE(readSome(serial, 2), start);
    if (sendsFrame) {
        serial.writeText(QString::fromLatin1(frameBytes(fields)));
        QCOMPARE(readSome(serial, 2), ack);
    }
    QVERIFY(module->waitForWrites(1, 2000));
    const SimWrite write = module->writes().at(0);
    QCOMPARE(write.outcome, outcome);
    if (sendsFrame) {
        QCOMPARE(write.bytes, "~}" + frameBytes(fields));
    } else {
        QCOMPARE(write.bytes, QByteArray("~}"));
    }
    QCOMPARE(module->fields() != before, outcome == SimWrite::Outcome::Stored);
}

void TestSim::vanishDuringWrite()
{
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    module->setFault(SimModule::Fault::VanishDuringWrite);
    module->setVanishAfter(100);

    SerialPort serial(QStringLiteral("COM3"), 1200);
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, 3500)));
    serial.writeText(QStringLiteral("~}"));
    QCOMPARE(readSome(serial, 2), QByteArray("R\r"));
    QElapsedTimer timer;
    timer.start();
    serial.writeText(QString::fromLatin1(frameBytes(frameFields(QStringLiteral("V")))));
    char byte = 0;
    QVERIFY(!serial.readByte(&byte)); // at once, not after 3500 ms
    QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(serial.hasVanished());

    QVERIFY(module->hasVanished());
    QVERIFY(module->waitForWrites(1, 2000));
    const SimWrite write = module->writes().at(0);
    QCOMPARE(write.outcome, SimWrite::Outcome::Vanished);
    QCOMPARE(write.bytes.size(), 2 + 100);
    QVERIFY(!QFileInfo(module->entryPath()).isSymLink());
    serial.close();
}

void TestSim::malformedAndIncompleteFrames()
{
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    module->setFrameTimeout(300);
    const QStringList erased = module->fields();

    SerialPort serial(QStringLiteral("COM3"), 1200);
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, 300)));

    // A field holding the separator reaches the module as 57 fields: no lone CR.
    QList<QByteArray> fields = frameFields(QStringLiteral("M"));
    fields.insert(10, QByteArray("extra"));
    serial.writeText(QStringLiteral("~}"));
    QCOMPARE(readSome(serial, 2), QByteArray("R\r"));
    serial.writeText(QString::fromLatin1(frameBytes(fields)));
    QCOMPARE(readSome(serial, 2), QByteArray());
    QVERIFY(module->waitForWrites(1, 2000));
    QCOMPARE(module->writes().at(0).outcome, SimWrite::Outcome::Malformed);

    // A frame that stops coming is given up after the frame time-out.
    serial.close();
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, 300)));
    serial.writeText(QStringLiteral("~}"));
    QCOMPARE(readSome(serial, 2), QByteArray("R\r"));
    serial.writeText(QStringLiteral("only a little\r"));
    QVERIFY(module->waitForWrites(2, 2000));
    QCOMPARE(module->writes().at(1).outcome, SimWrite::Outcome::Incomplete);
    QCOMPARE(module->writes().at(1).fields, QList<QByteArray>{QByteArray("only a little")});
    QCOMPARE(module->fields(), erased);
}

void TestSim::readOutReplies()
{
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    SerialPort serial(QStringLiteral("COM3"), 1200);

    // Erased memory: 56 fields of 0xFF, each ended by CR LF.
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, 300)));
    serial.writeText(QStringLiteral("~{"));
    QString erased;
    for (int i = 0; i < SimModule::FieldCount; ++i) {
        erased += QString(SimModule::FieldWidth, QChar(0xff)) + QStringLiteral("\r\n");
    }
    QCOMPARE(serial.readAll(), erased);

    // A configuration put into its memory, with "|" separators.
    const QStringList sample = SimModule::sampleFields();
    QCOMPARE(sample.size(), SimModule::FieldCount);
    QVERIFY(module->setFields(sample));
    QVERIFY(!module->setFields(sample.mid(1)));
    QVERIFY(module->setField(4, QStringLiteral("Egy nagyon hosszu nev")));
    module->setReadOutFormat(SimModule::ReadOutFormat::Pipe);
    serial.writeText(QStringLiteral("~{"));
    QString expected;
    for (int i = 0; i < SimModule::FieldCount; ++i) {
        const QString field = i == 3 ? QStringLiteral("Egy nagyon hosszu nev") : sample.at(i);
        expected += field.leftJustified(SimModule::FieldWidth) + QLatin1Char('|');
    }
    QCOMPARE(serial.readAll(), expected);

    // Raw override for the odd cases.
    const QByteArray odd("a||b|   |c  \nd\re\r\n");
    module->setRawReply(SimModule::Request::ReadOut, odd);
    serial.writeText(QStringLiteral("~{"));
    QCOMPARE(serial.readAll(), QString::fromLatin1(odd));
    module->clearRawReply(SimModule::Request::ReadOut);
    serial.writeText(QStringLiteral("~{"));
    QCOMPARE(serial.readAll(), expected);

    module->eraseMemory();
    module->setReadOutFormat(SimModule::ReadOutFormat::CrLf);
    serial.writeText(QStringLiteral("~{"));
    QCOMPARE(serial.readAll(), erased);
}

void TestSim::statusReply()
{
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    SimStatus status;
    status.outputs[0] = true;
    status.outputs[3] = true;
    status.phaseAlarms[1] = true;
    status.input4 = true;
    status.analog = QStringLiteral("23.7");
    status.counter = QStringLiteral("01234");
    status.supply = false;
    status.signal = 4;
    status.firmware = QStringLiteral("FW9.99");
    module->setStatus(status);

    SerialPort serial(QStringLiteral("COM3"), 1200);
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, 4500)));
    serial.writeText(QStringLiteral("~["));
    QByteArray line;
    char byte = 0;
    while (serial.readByte(&byte) && byte != '\r') {
        line.append(byte);
    }
    QCOMPARE(byte, '\r');
    // Each value where the status query reads it.
    const QStringList s = pieces(QString::fromLatin1(line));
    QVERIFY(s.size() >= 8);
    QCOMPARE(s[0].mid(5, 4), QStringLiteral("1001"));
    QCOMPARE(s[1].mid(3, 4), QStringLiteral("0101"));
    QCOMPARE(s[2].mid(3), QStringLiteral("23.7"));
    QCOMPARE(s[3].mid(4), QStringLiteral("01234"));
    QCOMPARE(s[4].at(6), QLatin1Char('0'));
    QCOMPARE(s[5].mid(5), QStringLiteral("4"));
    QCOMPARE(s[7], QStringLiteral("FW9.99"));
    QCOMPARE(module->status().signal, 4);

    // Raw override: short pieces, two blanks in a row, no final CR.
    module->setRawReply(SimModule::Request::Status, QByteArray("OU 1  x"));
    serial.close();
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, 300)));
    serial.writeText(QStringLiteral("~["));
    QCOMPARE(serial.readAll(), QStringLiteral("OU 1  x"));
}

void TestSim::identificationVariants_data()
{
    QTest::addColumn<SimModule::Fault>("fault");
    QTest::addColumn<QString>("identification");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("default") << SimModule::Fault::None << QString()
                             << QByteArray("V_VEXAGRID-3 FW2.14\r\n");
    QTest::newRow("configured, lower case")
        << SimModule::Fault::None << "v_other" << QByteArray("v_other\r\n");
    QTest::newRow("fault: lower case")
        << SimModule::Fault::LowerCaseId << QString() << QByteArray("v_vexagrid-3 fw2.14\r\n");
    QTest::newRow("line feeds kept")
        << SimModule::Fault::None << "V_A\nB" << QByteArray("V_A\nB\r\n");
    QTest::newRow("silent") << SimModule::Fault::Silent << QString() << QByteArray();
    QTest::newRow("garbage") << SimModule::Fault::Garbage << QString()
                             << QByteArray("\x13\x07?#!%*garbage*%!#?\x12\x7f");
}

void TestSim::identificationVariants()
{
    QFETCH(SimModule::Fault, fault);
    QFETCH(QString, identification);
    QFETCH(QByteArray, reply);
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    module->setFault(fault);
    if (!identification.isEmpty()) {
        module->setIdentification(identification);
    }
    SerialPort serial(QStringLiteral("COM3"), 1200);
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, 300)));
    serial.writeText(QStringLiteral("~|"));
    QCOMPARE(serial.readAll(nullptr, SerialPort::kReplyLimit), QString::fromLatin1(reply));
    QCOMPARE(module->requests().size(), 1);
}

void TestSim::stopMidReply()
{
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    module->setFault(SimModule::Fault::StopMidReply);
    SerialPort serial(QStringLiteral("COM3"), 1200);
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, 300)));

    serial.writeText(QStringLiteral("~{"));
    QCOMPARE(serial.readAll().size(), 56 * 18 / 2);
    serial.writeText(QStringLiteral("~["));
    const QString status = serial.readAll();
    QVERIFY(!status.isEmpty());
    QVERIFY(!status.contains(QLatin1Char('\r')));

    module->setCutAfter(3);
    serial.writeText(QStringLiteral("~|"));
    QCOMPARE(serial.readAll(), QStringLiteral("V_V"));
}

void TestSim::pacingAndDelay()
{
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    SerialPort serial(QStringLiteral("COM3"), 1200);
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, 500)));
    char byte = 0;
    QElapsedTimer timer;

    // Unpaced: the 21 bytes of the identification come at once.
    serial.writeText(QStringLiteral("~|"));
    QVERIFY(serial.readByte(&byte));
    timer.start();
    QCOMPARE(readSome(serial, 20).size(), 20);
    QVERIFY(timer.elapsed() < 80);

    // Paced at 1200 baud, 10 bits a byte: 20 more bytes take 20/120 s.
    module->setPaced(true);
    serial.writeText(QStringLiteral("~|"));
    QVERIFY(serial.readByte(&byte));
    timer.start();
    QCOMPARE(readSome(serial, 20).size(), 20);
    QVERIFY2(timer.elapsed() >= 150 && timer.elapsed() < 400,
             qPrintable(QString::number(timer.elapsed())));

    // A delay before the reply.
    module->setPaced(false);
    module->setReplyDelay(300);
    timer.start();
    serial.writeText(QStringLiteral("~|"));
    QVERIFY(serial.readByte(&byte));
    QVERIFY2(timer.elapsed() >= 290 && timer.elapsed() < 450,
             qPrintable(QString::number(timer.elapsed())));
}

void TestSim::lineStartsEmptyOnEachOpen()
{
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    module->setFault(SimModule::Fault::TalkWithoutPause);
    {
        SerialPort serial(QStringLiteral("COM3"), 1200);
        QVERIFY(serial.open(SerialPort::Timeouts::read(0, 300)));
        QCOMPARE(serial.readAll(nullptr, 100).size(), 100);
    }
    // What it said while nobody listened is gone when the port is opened again.
    QVERIFY(module->waitForCloses(1, 2000));
    module->setFault(SimModule::Fault::None);
    QTest::qWait(100);
    SerialPort serial(QStringLiteral("COM3"), 1200);
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, 300)));
    serial.writeText(QStringLiteral("~|"));
    QCOMPARE(serial.readAll(), QStringLiteral("V_VEXAGRID-3 FW2.14\r\n"));

    // And after an identification left unread, too.
    serial.writeText(QStringLiteral("~|"));
    QVERIFY(module->waitForRequests(2, 2000));
    QTest::qWait(50);
    serial.close();
    QVERIFY(module->waitForCloses(2, 2000));
    QTest::qWait(50);
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, 300)));
    QCOMPARE(serial.readAll(), QString());
}

void TestSim::requestsAmongNoise()
{
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    SerialPort serial(QStringLiteral("COM3"), 1200);
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, 300)));
    // Stray bytes, an unknown command and a doubled "~" around one real request.
    serial.writeText(QStringLiteral("xyz~q~~|"));
    QCOMPARE(serial.readAll(), QStringLiteral("V_VEXAGRID-3 FW2.14\r\n"));
    QCOMPARE(module->received(), QByteArray("xyz~q~~|"));
    QCOMPARE(module->requests().size(), 1);
    QVERIFY(module->requests().at(0).atMs >= 0);
    module->clearRecordings();
    QCOMPARE(module->received(), QByteArray());
    QCOMPARE(module->requests().size(), 0);
}

void TestSim::stateFile()
{
    QTemporaryDir scratch;
    const QString path = scratch.path() + "/module.json";
    const QList<QByteArray> fields = frameFields(QStringLiteral("S"));
    {
        SimFixture fixture;
        SimModule* module = fixture.start(QStringLiteral("COM3"));
        QVERIFY(module);
        QVERIFY(module->setStateFile(path)); // written at once when missing
        QVERIFY(QFile::exists(path));
        module->setIdentification(QStringLiteral("V_KEPT"));

        SerialPort serial(QStringLiteral("COM3"), 1200);
        QVERIFY(serial.open(SerialPort::Timeouts::read(0, 3500)));
        serial.writeText(QStringLiteral("~}"));
        QCOMPARE(readSome(serial, 2), QByteArray("R\r"));
        serial.writeText(QString::fromLatin1(frameBytes(fields)));
        QCOMPARE(readSome(serial, 2), QByteArray("O\r"));
    }
    SimModule again;
    QVERIFY(again.setStateFile(path));
    QCOMPARE(again.identification(), QStringLiteral("V_KEPT"));
    QStringList expected;
    for (const QByteArray& field : fields) {
        expected.append(QString::fromLatin1(field));
    }
    QCOMPARE(again.fields(), expected);

    QFile broken(scratch.path() + "/broken.json");
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("{ not json");
    broken.close();
    QString error;
    QVERIFY(!again.setStateFile(broken.fileName(), &error));
    QVERIFY(!error.isEmpty());
}

void TestSim::helpers()
{
    // Row 2 of the frame's example: columns 4, 1 and RING, SMS on, output 3.
    QCOMPARE(SimModule::phoneField(1 + 8 + 64, 3, true, QStringLiteral("36301234567")),
             QString(QChar(0x79)) + QChar(0x33) + QStringLiteral("36301234567"));
    // A fresh row: no permission, no output, SMS off.
    QCOMPARE(SimModule::phoneField(0, 0, false, QString()), QStringLiteral("08"));

    for (const QString& name : SimModule::faultNames()) {
        const auto fault = SimModule::faultFromName(name);
        QVERIFY(fault.has_value());
        QCOMPARE(SimModule::faultName(*fault), name);
    }
    QVERIFY(!SimModule::faultFromName(QStringLiteral("bogus")).has_value());

    SimModule module;
    QString error;
    QVERIFY(!module.start(QStringLiteral("LPT1"), QDir::tempPath(), &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!module.isRunning());

    // A live entry of the same name is not taken over; a dangling one is.
    SimFixture fixture;
    QVERIFY(fixture.start(QStringLiteral("COM3")));
    QVERIFY(!module.start(QStringLiteral("COM3"), fixture.deviceDirectory(), &error));
    QVERIFY(fixture.addEntry(QStringLiteral("com4"), fixture.deviceDirectory() + "/gone"));
    QVERIFY(module.start(QStringLiteral("COM4"), fixture.deviceDirectory(), &error));
    QVERIFY(module.isRunning());
    QCOMPARE(QFileInfo(module.entryPath()).symLinkTarget(), module.slavePath());
    module.stop();
    QVERIFY(!module.isRunning());
    QVERIFY(!QFileInfo(module.entryPath()).isSymLink());
}

void TestSim::program()
{
    const QString binary = qEnvironmentVariable("VEXAGRID_TEST_BIN_DIR") + "/vexagrid-sim";
    if (!QFileInfo(binary).isExecutable()) {
        QSKIP("vexagrid-sim not built beside the tests");
    }
    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    const QString directory = scratch.path() + "/dosdevices";
    const QString state = scratch.path() + "/state.json";

    // Named directory and state file.
    {
        QProcess sim;
        sim.setProgram(binary);
        sim.setArguments({"--port", "COM5", "--dosdevices", directory, "--state", state});
        sim.start();
        QVERIFY(sim.waitForStarted());
        QVERIFY(sim.waitForReadyRead(5000));
        QTRY_VERIFY(sim.canReadLine() && QByteArray(sim.peek(4096)).count('\n') >= 2);
        QCOMPARE(sim.readLine().trimmed(), QByteArray("COM5"));
        QCOMPARE(sim.readLine().trimmed(), "VEXAGRID_DOSDEVICES=" + directory.toLocal8Bit());
        QVERIFY(QFileInfo(directory + "/com5").isSymLink());
        QVERIFY(QFile::exists(state));

        qputenv("VEXAGRID_DOSDEVICES", QFile::encodeName(directory));
        SerialPort serial(QStringLiteral("COM5"), 1200);
        QVERIFY(serial.open(SerialPort::Timeouts::read(0, 3500)));
        serial.writeText(QStringLiteral("~}"));
        QCOMPARE(readSome(serial, 2), QByteArray("R\r"));
        serial.writeText(QString::fromLatin1(frameBytes(frameFields(QStringLiteral("P")))));
        QCOMPARE(readSome(serial, 2), QByteArray("O\r"));
        serial.close();
        qunsetenv("VEXAGRID_DOSDEVICES");

        sim.terminate(); // SIGTERM
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.exitCode(), 0);
        QVERIFY(!QFileInfo(directory + "/com5").isSymLink());
        const QByteArray log = sim.readAllStandardError();
        QVERIFY2(log.contains("write request"), log.constData());
    }
    SimModule reloaded;
    QVERIFY(reloaded.loadState(state));
    QCOMPARE(reloaded.field(1), QStringLiteral("P1              "));

    // No directory named and none in the environment: a temporary one of its own, never
    // the user's map, gone again afterwards.
    {
        QTemporaryDir home;
        QProcess sim;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("VEXAGRID_DOSDEVICES"));
        env.insert(QStringLiteral("HOME"), home.path());
        sim.setProcessEnvironment(env);
        sim.setProgram(binary);
        sim.setArguments({"--fault", "silent"});
        sim.start();
        QVERIFY(sim.waitForStarted());
        QTRY_VERIFY(QByteArray(sim.peek(4096)).count('\n') >= 2);
        QCOMPARE(sim.readLine().trimmed(), QByteArray("COM3"));
        const QByteArray line = sim.readLine().trimmed();
        QVERIFY(line.startsWith("VEXAGRID_DOSDEVICES="));
        const QString own = QString::fromLocal8Bit(line.mid(int(qstrlen("VEXAGRID_DOSDEVICES="))));
        QVERIFY(!own.startsWith(home.path()));
        QVERIFY(QFileInfo(own + "/com3").isSymLink());
        sim.terminate();
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitCode(), 0);
        QVERIFY(!QFileInfo::exists(own));
    }

    // A fault it does not know.
    QProcess bad;
    bad.start(binary, {"--fault", "bogus", "--dosdevices", directory});
    QVERIFY(bad.waitForFinished(5000));
    QVERIFY(bad.exitCode() != 0);
    QVERIFY(bad.readAllStandardError().contains("unknown fault"));
}

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("vexagrid.serial.debug=false"));
    TestSim test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_sim.moc"
