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

// Waits on a recorded event, and the read wait where a reply must come: never reached when
// all is well, generous enough for a loaded machine under a sanitizer.
constexpr int Patience = 30000;
// The read wait where the end of a reply is found by silence, or silence is what is
// expected.
constexpr int Quiet = 1000;

// 56 fields as the download frame carries them: each padded to 16.
QList<QByteArray> frameFields(const QString& tag)
{
    QList<QByteArray> fields;
    for (int i = 1; i <= SimModule::kFieldCount; ++i) {
        QByteArray field = (tag + QString::number(i)).toLatin1();
        if (i >= 49) {
            field = SimModule::phoneField(i - 49, i % 5, i % 2 == 0, "3630" + QString::number(i))
                        .toLatin1();
        }
        fields.append(field.leftJustified(SimModule::kFieldWidth, ' '));
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

QStringList texts(const QList<QByteArray>& fields)
{
    QStringList list;
    for (const QByteArray& field : fields) {
        list.append(QString::fromLatin1(field));
    }
    return list;
}

// The read-out as the module sends it with CR LF endings: each field padded to 16.
QString readOutOf(const QStringList& fields)
{
    QString reply;
    for (const QString& field : fields) {
        reply += field.leftJustified(SimModule::kFieldWidth) + QStringLiteral("\r\n");
    }
    return reply;
}

// The 56 fields of a CR LF read-out; fewer when it is cut short.
QStringList fieldsOf(const QString& readOut)
{
    QStringList fields = readOut.split(QStringLiteral("\r\n"));
    if (!fields.isEmpty() && fields.last().isEmpty()) {
        fields.removeLast();
    }
    return fields;
}

// Points the port map at directory while it lives.
class DeviceDirectory
{
public:
    explicit DeviceDirectory(const QString& directory)
        : m_hadPrevious(qEnvironmentVariableIsSet("VEXAGRID_DOSDEVICES")),
          m_previous(qgetenv("VEXAGRID_DOSDEVICES"))
    {
        qputenv("VEXAGRID_DOSDEVICES", QFile::encodeName(directory));
    }
    ~DeviceDirectory()
    {
        if (m_hadPrevious) {
            qputenv("VEXAGRID_DOSDEVICES", m_previous);
        } else {
            qunsetenv("VEXAGRID_DOSDEVICES");
        }
    }
    DeviceDirectory(const DeviceDirectory&) = delete;
    DeviceDirectory& operator=(const DeviceDirectory&) = delete;

private:
    bool m_hadPrevious;
    QByteArray m_previous;
};

// The vexagrid-sim program built beside the tests; empty when there is none.
QString simProgram()
{
    const QString binary = qEnvironmentVariable("VEXAGRID_TEST_BIN_DIR") + "/vexagrid-sim";
    return QFileInfo(binary).isExecutable() ? binary : QString();
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
    void storeAltered_data();
    void storeAltered();
    void pacingAndDelay();
    void lineStartsEmptyOnEachOpen();
    void reopenAtOnceIsAnswered();
    void requestsAmongNoise();
    void modulesKeepTheirOwnState();
    void stateFile();
    void helpers();
    void program();
    void programSeveralModules();
    void programUsageErrors_data();
    void programUsageErrors();
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
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, Patience)));
    serial.writeText(QStringLiteral("~}"));
    QCOMPARE(readSome(serial, 2), QByteArray("R\r"));
    serial.writeText(QString::fromLatin1(frameBytes(fields)));
    QCOMPARE(readSome(serial, 2), QByteArray("O\r"));

    QVERIFY(module->waitForWrites(1, Patience));
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
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, Quiet)));
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
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, Quiet)));
    serial.writeText(QStringLiteral("~}"));
    QCOMPARE(readSome(serial, 2), start);
    if (sendsFrame) {
        serial.writeText(QString::fromLatin1(frameBytes(fields)));
        QCOMPARE(readSome(serial, 2), ack);
    }
    QVERIFY(module->waitForWrites(1, Patience));
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
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, Patience)));
    serial.writeText(QStringLiteral("~}"));
    QCOMPARE(readSome(serial, 2), QByteArray("R\r"));
    QElapsedTimer timer;
    timer.start();
    serial.writeText(QString::fromLatin1(frameBytes(frameFields(QStringLiteral("V")))));
    char byte = 0;
    // The read ends because the line is gone, not after its wait of Patience ms.
    QVERIFY(!serial.readByte(&byte));
    QVERIFY2(timer.elapsed() < Patience / 2, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(serial.hasVanished());

    // The program may see the line go a moment before the module has marked it.
    QTRY_VERIFY_WITH_TIMEOUT(module->hasVanished(), 30000);
    QVERIFY(module->waitForWrites(1, Patience));
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
    const QStringList erased = module->fields();

    SerialPort serial(QStringLiteral("COM3"), 1200);
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, Quiet)));

    // A field holding the separator reaches the module as 57 fields: no lone CR.
    QList<QByteArray> fields = frameFields(QStringLiteral("M"));
    fields.insert(10, QByteArray("extra"));
    serial.writeText(QStringLiteral("~}"));
    QCOMPARE(readSome(serial, 2), QByteArray("R\r"));
    serial.writeText(QString::fromLatin1(frameBytes(fields)));
    QCOMPARE(readSome(serial, 2), QByteArray());
    QVERIFY(module->waitForWrites(1, Patience));
    QCOMPARE(module->writes().at(0).outcome, SimWrite::Outcome::Malformed);

    // A frame that stops coming is given up after the frame time-out (shorter than the
    // default, which the frame above kept, as a loaded machine may pause the writer).
    module->setFrameTimeout(1000);
    serial.close();
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, Quiet)));
    serial.writeText(QStringLiteral("~}"));
    QCOMPARE(readSome(serial, 2), QByteArray("R\r"));
    serial.writeText(QStringLiteral("only a little\r"));
    QVERIFY(module->waitForWrites(2, Patience));
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
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, Quiet)));
    serial.writeText(QStringLiteral("~{"));
    QString erased;
    for (int i = 0; i < SimModule::kFieldCount; ++i) {
        erased += QString(SimModule::kFieldWidth, QChar(0xff)) + QStringLiteral("\r\n");
    }
    QCOMPARE(serial.readAll(), erased);

    // A configuration put into its memory, with "|" separators.
    const QStringList sample = SimModule::sampleFields();
    QCOMPARE(sample.size(), SimModule::kFieldCount);
    QVERIFY(module->setFields(sample));
    QVERIFY(!module->setFields(sample.mid(1)));
    QVERIFY(module->setField(4, QStringLiteral("Egy nagyon hosszu nev")));
    module->setReadOutFormat(SimModule::ReadOutFormat::Pipe);
    serial.writeText(QStringLiteral("~{"));
    QString expected;
    for (int i = 0; i < SimModule::kFieldCount; ++i) {
        const QString field = i == 3 ? QStringLiteral("Egy nagyon hosszu nev") : sample.at(i);
        expected += field.leftJustified(SimModule::kFieldWidth) + QLatin1Char('|');
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
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, Patience)));
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
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, Quiet)));
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
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, Quiet)));
    serial.writeText(QStringLiteral("~|"));
    QCOMPARE(serial.readAll(nullptr, SerialPort::kReplyLimit), QString::fromLatin1(reply));
    QVERIFY(module->waitForRequests(1, Patience));
    QCOMPARE(module->requests().size(), 1);
}

void TestSim::stopMidReply()
{
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    module->setFault(SimModule::Fault::StopMidReply);
    SerialPort serial(QStringLiteral("COM3"), 1200);
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, Quiet)));

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

void TestSim::storeAltered_data()
{
    QTest::addColumn<int>("number");       // given to setAlteredField(), 0: left at default
    QTest::addColumn<int>("altered");      // the field stored changed
    QTest::addColumn<QByteArray>("field"); // written into that field, empty: the usual one

    QTest::newRow("default: the name") << 0 << 4 << QByteArray();
    QTest::newRow("first field") << 1 << 1 << QByteArray();
    QTest::newRow("last telephone row") << 56 << 56 << QByteArray();
    QTest::newRow("blank field") << 13 << 13 << QByteArray(SimModule::kFieldWidth, ' ');
}

void TestSim::storeAltered()
{
    QFETCH(int, number);
    QFETCH(int, altered);
    QFETCH(QByteArray, field);

    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    module->setFault(SimModule::Fault::StoreAltered);
    if (number != 0) {
        QVERIFY(module->setAlteredField(number));
    }
    QCOMPARE(module->alteredField(), altered);

    QList<QByteArray> fields = frameFields(QStringLiteral("W"));
    if (!field.isEmpty()) {
        fields[altered - 1] = field;
    }
    SerialPort serial(QStringLiteral("COM3"), 1200);
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, Quiet)));
    serial.writeText(QStringLiteral("~}"));
    QCOMPARE(readSome(serial, 2), QByteArray("R\r"));
    serial.writeText(QString::fromLatin1(frameBytes(fields)));
    // Acknowledged like a good write, and recorded as one: the frame arrived intact.
    QCOMPARE(readSome(serial, 2), QByteArray("O\r"));
    QVERIFY(module->waitForWrites(1, Patience));
    const SimWrite write = module->writes().at(0);
    QCOMPARE(write.outcome, SimWrite::Outcome::Stored);
    QCOMPARE(write.fields, fields);
    QCOMPARE(write.replies, QByteArray("R\rO\r"));

    // The read-out gives back the one field changed, at its width, the others as written.
    serial.writeText(QStringLiteral("~{"));
    const QStringList readOut = fieldsOf(serial.readAll());
    const QStringList written = texts(fields);
    QCOMPARE(readOut.size(), SimModule::kFieldCount);
    for (int i = 0; i < SimModule::kFieldCount; ++i) {
        if (i == altered - 1) {
            QVERIFY2(readOut.at(i) != written.at(i), qPrintable(readOut.at(i)));
            QCOMPARE(readOut.at(i).size(), written.at(i).size());
            QCOMPARE(readOut.at(i).mid(1), written.at(i).mid(1));
        } else {
            QCOMPARE(readOut.at(i), written.at(i));
        }
    }
    QCOMPARE(module->field(altered), readOut.at(altered - 1));
}

void TestSim::pacingAndDelay()
{
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    SerialPort serial(QStringLiteral("COM3"), 1200);
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, Patience)));
    char byte = 0;
    QElapsedTimer timer;

    // Paced at 1200 baud, 10 bits a byte: the 21 bytes of the identification cannot all be
    // there before 21/120 s = 175 ms after the request.
    module->setPaced(true);
    timer.start();
    serial.writeText(QStringLiteral("~|"));
    QCOMPARE(readSome(serial, 21), QByteArray("V_VEXAGRID-3 FW2.14\r\n"));
    QVERIFY2(timer.elapsed() >= 170, qPrintable(QString::number(timer.elapsed())));

    // Unpaced: the read-out's 1008 bytes come as fast as the pty takes them. At 300 baud,
    // pacing would need 1008 * 10 / 300 = 33.6 s; they are there in a fraction of that.
    module->setPaced(false);
    serial.setBaudRate(300);
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, Patience)));
    timer.start();
    serial.writeText(QStringLiteral("~{"));
    QCOMPARE(readSome(serial, 1008).size(), 1008);
    QVERIFY2(timer.elapsed() < 33600 / 2, qPrintable(QString::number(timer.elapsed())));

    // A delay before the reply; the read returns with the reply, not after its own wait.
    module->setReplyDelay(300);
    timer.start();
    serial.writeText(QStringLiteral("~|"));
    QVERIFY(serial.readByte(&byte));
    QCOMPARE(byte, 'V');
    QVERIFY2(timer.elapsed() >= 290 && timer.elapsed() < Patience / 2,
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
        QVERIFY(serial.open(SerialPort::Timeouts::read(0, Patience)));
        QCOMPARE(serial.readAll(nullptr, 100).size(), 100);
    }
    // What it said while nobody listened is gone when the port is opened again.
    QVERIFY(module->waitForCloses(1, Patience));
    QVERIFY(module->waitForSessionEnds(1, Patience));
    module->setFault(SimModule::Fault::None);
    SerialPort serial(QStringLiteral("COM3"), 1200);
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, Quiet)));
    serial.writeText(QStringLiteral("~|"));
    QCOMPARE(serial.readAll(), QStringLiteral("V_VEXAGRID-3 FW2.14\r\n"));

    // And after an identification left unread, too.
    serial.writeText(QStringLiteral("~|"));
    QVERIFY(module->waitForRequests(2, Patience));
    QVERIFY(module->waitForReplies(2, Patience));
    serial.close();
    QVERIFY(module->waitForCloses(2, Patience));
    QVERIFY(module->waitForSessionEnds(2, Patience));
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, Quiet)));
    QCOMPARE(serial.readAll(), QString());
}

void TestSim::reopenAtOnceIsAnswered()
{
    // The command line's pattern: identify, close, open again at once, read out. The
    // module may still be ending the first session when the second one begins. Every
    // other round leaves the identification unread but its first byte: none of the rest
    // may reach the read-out.
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    const QString identification = QStringLiteral("V_VEXAGRID-3 FW2.14\r\n");
    const QString readOut = readOutOf(module->fields());
    const auto lineEnd = [](char byte) { return byte != '\n'; };
    const int rounds = 200;
    int unanswered = 0;
    int wrong = 0;
    SerialPort serial(QStringLiteral("COM3"), 1200);
    // A lost request costs a whole read wait; a few are proof enough.
    const int readWait = 5000;
    int round = 0;
    for (; round < rounds && unanswered < 3; ++round) {
        QVERIFY(serial.open(SerialPort::Timeouts::read(0, readWait)));
        serial.writeText(QStringLiteral("~|"));
        const bool partly = round % 2 == 1;
        const QString first = serial.readAll(lineEnd, partly ? 1 : identification.size());
        serial.close();
        QVERIFY(serial.open(SerialPort::Timeouts::read(0, readWait)));
        serial.writeText(QStringLiteral("~{"));
        const QString second = serial.readAll(nullptr, readOut.size());
        serial.close();
        if (first.isEmpty() || second.isEmpty()) {
            ++unanswered;
        } else if (first != (partly ? identification.left(1) : identification) ||
                   second != readOut) {
            ++wrong;
        }
    }
    qInfo("%d rounds: %d unanswered, %d wrong", round, unanswered, wrong);
    QCOMPARE(unanswered, 0);
    QCOMPARE(wrong, 0);
}

void TestSim::requestsAmongNoise()
{
    SimFixture fixture;
    SimModule* module = fixture.start(QStringLiteral("COM3"));
    QVERIFY(module);
    SerialPort serial(QStringLiteral("COM3"), 1200);
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, Quiet)));
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

void TestSim::modulesKeepTheirOwnState()
{
    SimFixture fixture;
    SimModule* com3 = fixture.start(QStringLiteral("COM3"));
    SimModule* com4 = fixture.start(QStringLiteral("COM4"));
    QVERIFY(com3);
    QVERIFY(com4);
    QCOMPARE(com4->deviceDirectory(), com3->deviceDirectory());
    QVERIFY(com4->slavePath() != com3->slavePath());
    const QStringList sample = SimModule::sampleFields();
    QVERIFY(com4->setFields(sample));
    com4->setIdentification(QStringLiteral("V_SECOND"));

    // A write into COM3 stays in COM3 ...
    const QList<QByteArray> fields = frameFields(QStringLiteral("T"));
    SerialPort three(QStringLiteral("COM3"), 1200);
    QVERIFY(three.open(SerialPort::Timeouts::read(0, Quiet)));
    three.writeText(QStringLiteral("~}"));
    QCOMPARE(readSome(three, 2), QByteArray("R\r"));
    three.writeText(QString::fromLatin1(frameBytes(fields)));
    QCOMPARE(readSome(three, 2), QByteArray("O\r"));

    // ... while COM4, open at the same time, answers from its own state.
    SerialPort four(QStringLiteral("COM4"), 9600);
    QVERIFY(four.open(SerialPort::Timeouts::read(0, Quiet)));
    four.writeText(QStringLiteral("~|"));
    QCOMPARE(four.readAll(), QStringLiteral("V_SECOND\r\n"));
    four.writeText(QStringLiteral("~{"));
    QCOMPARE(four.readAll(), readOutOf(sample));
    three.writeText(QStringLiteral("~|"));
    QCOMPARE(three.readAll(), QStringLiteral("V_VEXAGRID-3 FW2.14\r\n"));
    three.writeText(QStringLiteral("~{"));
    QCOMPARE(three.readAll(), readOutOf(texts(fields)));

    QCOMPARE(com3->fields(), texts(fields));
    QCOMPARE(com4->fields(), sample);
    QCOMPARE(com3->writes().size(), 1);
    QVERIFY(com4->writes().isEmpty());
    QCOMPARE(com3->received(), "~}" + frameBytes(fields) + "~|~{");
    QCOMPARE(com4->received(), QByteArray("~|~{"));
    QCOMPARE(com3->requests().size(), 3);
    QCOMPARE(com4->requests().size(), 2);
    QCOMPARE(com4->requests().at(0).line.baudRate, 9600);

    // Stopping one leaves the other serving.
    three.close();
    const QString entry3 = com3->entryPath();
    fixture.stop(QStringLiteral("COM3"));
    QVERIFY(!QFileInfo(entry3).isSymLink());
    QCOMPARE(QFileInfo(com4->entryPath()).symLinkTarget(), com4->slavePath());
    four.writeText(QStringLiteral("~|"));
    QCOMPARE(four.readAll(), QStringLiteral("V_SECOND\r\n"));
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
        QVERIFY(serial.open(SerialPort::Timeouts::read(0, Patience)));
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
    QCOMPARE(SimModule::faultName(SimModule::Fault::StoreAltered), QStringLiteral("store-altered"));

    QCOMPARE(SimModule::comNumber(QStringLiteral("COM3")), 3);
    QCOMPARE(SimModule::comNumber(QStringLiteral("com12")), 12);
    for (const char* name : {"COM", "COM0", "COM03", "COM3a", "LPT1", "COM-1"}) {
        QVERIFY2(SimModule::comNumber(QString::fromLatin1(name)) == 0, name);
    }

    SimModule module;
    QCOMPARE(module.alteredField(), 4);
    QVERIFY(!module.setAlteredField(0));
    QVERIFY(!module.setAlteredField(SimModule::kFieldCount + 1));
    QVERIFY(module.setAlteredField(SimModule::kFieldCount));
    QCOMPARE(module.alteredField(), SimModule::kFieldCount);
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
    // Started again while it runs: refused, and it goes on serving.
    QVERIFY(!module.start(QStringLiteral("COM5"), fixture.deviceDirectory(), &error));
    QCOMPARE(error, QStringLiteral("already running"));
    SerialPort serial(QStringLiteral("COM4"), 1200);
    QVERIFY(serial.open(SerialPort::Timeouts::read(0, Patience)));
    serial.writeText(QStringLiteral("~|"));
    QCOMPARE(readSome(serial, 21), QByteArray("V_VEXAGRID-3 FW2.14\r\n"));
    serial.close();
    module.stop();
    QVERIFY(!module.isRunning());
    QVERIFY(!QFileInfo(module.entryPath()).isSymLink());
}

void TestSim::program()
{
    const QString binary = simProgram();
    if (binary.isEmpty()) {
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
        QVERIFY(sim.waitForReadyRead(Patience));
        QTRY_VERIFY_WITH_TIMEOUT(sim.canReadLine() && QByteArray(sim.peek(4096)).count('\n') >= 2,
                                 Patience);
        QCOMPARE(sim.readLine().trimmed(), QByteArray("COM5"));
        QCOMPARE(sim.readLine().trimmed(), "VEXAGRID_DOSDEVICES=" + directory.toLocal8Bit());
        QVERIFY(QFileInfo(directory + "/com5").isSymLink());
        QVERIFY(QFile::exists(state));

        qputenv("VEXAGRID_DOSDEVICES", QFile::encodeName(directory));
        SerialPort serial(QStringLiteral("COM5"), 1200);
        QVERIFY(serial.open(SerialPort::Timeouts::read(0, Patience)));
        serial.writeText(QStringLiteral("~}"));
        QCOMPARE(readSome(serial, 2), QByteArray("R\r"));
        serial.writeText(QString::fromLatin1(frameBytes(frameFields(QStringLiteral("P")))));
        QCOMPARE(readSome(serial, 2), QByteArray("O\r"));
        serial.close();
        qunsetenv("VEXAGRID_DOSDEVICES");

        sim.terminate(); // SIGTERM
        QVERIFY(sim.waitForFinished(Patience));
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
        QTRY_VERIFY_WITH_TIMEOUT(QByteArray(sim.peek(4096)).count('\n') >= 2, Patience);
        QCOMPARE(sim.readLine().trimmed(), QByteArray("COM3"));
        const QByteArray line = sim.readLine().trimmed();
        QVERIFY(line.startsWith("VEXAGRID_DOSDEVICES="));
        const QString own = QString::fromLocal8Bit(line.mid(int(qstrlen("VEXAGRID_DOSDEVICES="))));
        QVERIFY(!own.startsWith(home.path()));
        QVERIFY(QFileInfo(own + "/com3").isSymLink());
        sim.terminate();
        QVERIFY(sim.waitForFinished(Patience));
        QCOMPARE(sim.exitCode(), 0);
        QVERIFY(!QFileInfo::exists(own));
    }

    // A fault it does not know.
    QProcess bad;
    bad.start(binary, {"--fault", "bogus", "--dosdevices", directory});
    QVERIFY(bad.waitForFinished(Patience));
    QVERIFY(bad.exitCode() != 0);
    QVERIFY(bad.readAllStandardError().contains("unknown fault"));
}

void TestSim::programSeveralModules()
{
    const QString binary = simProgram();
    if (binary.isEmpty()) {
        QSKIP("vexagrid-sim not built beside the tests");
    }
    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    const QString directory = scratch.path() + "/dosdevices";
    const QString states = scratch.path() + "/states";
    const QList<QByteArray> fields = frameFields(QStringLiteral("C"));
    const QStringList written = texts(fields);

    // Three modules: COM3 regular (its own fault overrides the common one), COM4 silent,
    // COM5 with the common fault, storing field 1 altered.
    QProcess sim;
    sim.setProgram(binary);
    sim.setArguments({"--count", "3", "--dosdevices", directory, "--state-dir", states, "--fault",
                      "store-altered", "--alter-field", "1", "--fault-on", "COM3=none",
                      "--fault-on", "com4=silent"});
    sim.start();
    QVERIFY(sim.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QByteArray(sim.peek(4096)).count('\n') >= 4, Patience);
    QCOMPARE(sim.readLine().trimmed(), QByteArray("COM3"));
    QCOMPARE(sim.readLine().trimmed(), QByteArray("COM4"));
    QCOMPARE(sim.readLine().trimmed(), QByteArray("COM5"));
    QCOMPARE(sim.readLine().trimmed(), "VEXAGRID_DOSDEVICES=" + directory.toLocal8Bit());
    for (const char* name : {"com3", "com4", "com5"}) {
        QVERIFY2(QFileInfo(directory + '/' + name).isSymLink(), name);
        QVERIFY2(QFile::exists(states + '/' + name + ".state"), name);
    }
    QVERIFY(!QFileInfo(directory + "/com6").exists());
    {
        const DeviceDirectory map(directory);
        const auto writeAndReadBack = [&](const QString& port) {
            SerialPort serial(port, 1200);
            if (!serial.open(SerialPort::Timeouts::read(0, Quiet))) {
                return QStringList{QStringLiteral("cannot open")};
            }
            serial.writeText(QStringLiteral("~}"));
            if (readSome(serial, 2) != "R\r") {
                return QStringList{QStringLiteral("no R")};
            }
            serial.writeText(QString::fromLatin1(frameBytes(fields)));
            if (readSome(serial, 2) != "O\r") {
                return QStringList{QStringLiteral("no acknowledgement")};
            }
            serial.writeText(QStringLiteral("~{"));
            return fieldsOf(serial.readAll());
        };
        QCOMPARE(writeAndReadBack(QStringLiteral("COM3")), written);

        SerialPort com4(QStringLiteral("COM4"), 1200);
        QVERIFY(com4.open(SerialPort::Timeouts::read(0, Quiet)));
        com4.writeText(QStringLiteral("~|"));
        QCOMPARE(com4.readAll(), QString());
        com4.close();

        const QStringList readOut = writeAndReadBack(QStringLiteral("COM5"));
        QCOMPARE(readOut.size(), SimModule::kFieldCount);
        QVERIFY(readOut.at(0) != written.at(0));
        QCOMPARE(readOut.mid(1), written.mid(1));
    }

    sim.terminate(); // SIGTERM
    QVERIFY(sim.waitForFinished(Patience));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
    QVERIFY(QDir(directory)
                .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                .isEmpty());
    const QByteArray log = sim.readAllStandardError();
    QVERIFY2(log.contains("COM4 identification request") && log.contains("silent"),
             log.constData());
    QVERIFY2(log.contains("field 1 altered"), log.constData());

    // Each kept its own state.
    SimModule reloaded;
    QVERIFY(reloaded.loadState(states + "/com3.state"));
    QCOMPARE(reloaded.fields(), written);
    QVERIFY(reloaded.loadState(states + "/com4.state"));
    QCOMPARE(reloaded.field(1), QString(SimModule::kFieldWidth, QChar(0xff)));
    QVERIFY(reloaded.loadState(states + "/com5.state"));
    QVERIFY(reloaded.field(1) != written.at(0));
    QCOMPARE(reloaded.fields().mid(1), written.mid(1));
}

void TestSim::programUsageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("message");

    QTest::newRow("more than 30") << QStringList{"--count", "31"} << QByteArray("--count");
    QTest::newRow("none") << QStringList{"--count", "0"} << QByteArray("--count");
    QTest::newRow("same port twice")
        << QStringList{"--port", "COM3", "--port", "com3"} << QByteArray("COM3 is named twice");
    QTest::newRow("count after several ports")
        << QStringList{"--port", "COM3", "--port", "COM7", "--count", "2"} << QByteArray("--count");
    QTest::newRow("no COM name") << QStringList{"--port", "LPT1"} << QByteArray("LPT1");
    QTest::newRow("one state file for several")
        << QStringList{"--count", "2", "--state", "module.json"} << QByteArray("--state-dir");
    QTest::newRow("state file and directory")
        << QStringList{"--state", "module.json", "--state-dir", "states"}
        << QByteArray("--state-dir");
    QTest::newRow("fault on a port not served")
        << QStringList{"--count", "2", "--fault-on", "COM5=silent"} << QByteArray("COM5");
    QTest::newRow("fault on: unknown fault")
        << QStringList{"--fault-on", "COM3=bogus"} << QByteArray("unknown fault");
    QTest::newRow("fault on: no fault named")
        << QStringList{"--fault-on", "COM3"} << QByteArray("COMn=NAME");
    QTest::newRow("fault on the same port twice")
        << QStringList{"--fault-on", "COM3=silent", "--fault-on", "COM3=no-r"}
        << QByteArray("twice");
    QTest::newRow("field 57") << QStringList{"--alter-field", "57"} << QByteArray("--alter-field");
    QTest::newRow("field 0") << QStringList{"--alter-field", "0"} << QByteArray("--alter-field");
}

void TestSim::programUsageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, message);
    const QString binary = simProgram();
    if (binary.isEmpty()) {
        QSKIP("vexagrid-sim not built beside the tests");
    }
    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    const QString directory = scratch.path() + "/dosdevices";
    QProcess sim;
    sim.setWorkingDirectory(scratch.path());
    sim.start(binary, QStringList{"--dosdevices", directory} + arguments);
    QVERIFY(sim.waitForFinished(Patience));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 2);
    const QByteArray error = sim.readAllStandardError();
    QVERIFY2(error.contains(message), error.constData());
    QVERIFY(sim.readAllStandardOutput().isEmpty());
    // Refused before any module started: nothing registered, no state written.
    QVERIFY(!QFileInfo::exists(directory));
    QCOMPARE(QDir(scratch.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList());
}

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("vexagrid.serial.debug=false"));
    TestSim test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_sim.moc"
