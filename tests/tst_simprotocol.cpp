// The simulated module's protocol without a line: what the program sends in, the bytes the
// module answers and the steps it asks of the line out, for every request and fault.

#include "sim/simprotocol.h"

#include <QTest>

namespace {

// Events of a script besides the bytes the program sends.
const QByteArray Quiet = "<quiet>";         // nothing came within the wait
const QByteArray Lost = "<lost>";           // the program closed the line while awaited
const QByteArray LostInSteps = "<lost in>"; // ... while the last answer was carried out
const QByteArray Vanishing = "<vanishing>"; // the module was told to vanish while waiting

QString shown(const QByteArray& bytes)
{
    QString text;
    for (const char c : bytes) {
        if (c == '\r' || c == '\n') {
            text += c == '\r' ? QStringLiteral("\\r") : QStringLiteral("\\n");
        } else if (c >= 0x20 && c < 0x7f) {
            text += QLatin1Char(c);
        } else {
            text += QStringLiteral("\\x%1").arg(uchar(c), 2, 16, QLatin1Char('0'));
        }
    }
    return text;
}

// One answer as a line of the transcript: the request that began, the write that ended
// [outcome bytes+fields replies], the steps, and what the line is told besides.
QString shown(const SimAnswer& answer)
{
    QStringList parts;
    if (answer.request != 0) {
        parts << QStringLiteral("~") + QLatin1Char(answer.request);
    }
    if (answer.write) {
        parts << QStringLiteral("[%1 %2+%3 %4]")
                     .arg(SimProtocol::outcomeName(answer.write->outcome))
                     .arg(answer.write->bytes.size())
                     .arg(answer.write->fields.size())
                     .arg(shown(answer.write->replies));
    }
    if (answer.alteredField != 0) {
        parts << QStringLiteral("altered %1").arg(answer.alteredField);
    }
    for (const SimStep& step : answer.steps) {
        parts << (step.kind == SimStep::Kind::Pause    ? QStringLiteral("pause %1").arg(step.ms)
                  : step.kind == SimStep::Kind::Vanish ? QStringLiteral("vanish")
                  : step.paced                         ? "paced " + shown(step.bytes)
                                                       : "send " + shown(step.bytes));
    }
    const std::pair<bool, const char*> flags[] = {
        {answer.reply, "reply"}, {answer.dropInput, "drop"}, {answer.startsTalking, "talk"}};
    for (const auto& [on, name] : flags) {
        if (on) {
            parts << QString::fromLatin1(name);
        }
    }
    return parts.join(QLatin1Char(' '));
}

// "fault=NAME delay=MS ack=MS cut=N vanish=N raw-readout=BYTES paced pipe"
bool configure(SimConfig& config, const QString& setup)
{
    for (const QString& knob : setup.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString key = knob.section(QLatin1Char('='), 0, 0);
        const QString value = knob.section(QLatin1Char('='), 1);
        const auto fault = SimModule::faultFromName(value);
        int* const number = key == "delay"    ? &config.replyDelayMs
                            : key == "ack"    ? &config.ackDelayMs
                            : key == "cut"    ? &config.cutAfter
                            : key == "vanish" ? &config.vanishAfter
                                              : nullptr;
        if (number) {
            *number = value.toInt();
        } else if (key == "fault" && fault) {
            config.fault = *fault;
        } else if (key == "raw-readout") {
            config.rawReplies.insert(SimModule::Request::ReadOut, value.toLatin1());
        } else if (key == "paced") {
            config.paced = true;
        } else if (key == "pipe") {
            config.format = SimModule::ReadOutFormat::Pipe;
        } else {
            return false;
        }
    }
    return true;
}

// What the protocol does about the script, one line per answer that does something (the
// same line twice in a row once), and last how long it then waits for a byte.
QStringList transcript(SimProtocol& protocol, const QByteArrayList& script)
{
    QStringList lines;
    int waitMs = -1;
    const auto take = [&](const SimAnswer& answer) {
        waitMs = answer.waitMs;
        const QString line = shown(answer);
        if (!line.isEmpty() && (lines.isEmpty() || lines.last() != line)) {
            lines << line;
        }
    };
    for (const QByteArray& event : script) {
        if (event == Quiet) {
            take(protocol.quiet());
        } else if (event == Lost || event == LostInSteps || event == Vanishing) {
            take(protocol.lost(event == LostInSteps, event == Vanishing));
        } else {
            for (const char byte : event) {
                take(protocol.receive(byte));
            }
        }
    }
    return lines << QStringLiteral("wait %1").arg(waitMs);
}

QList<QByteArray> tagged(char tag, int count = SimModule::kFieldCount)
{
    QList<QByteArray> fields;
    for (int i = 1; i <= count; ++i) {
        fields << tag + QByteArray::number(i);
    }
    return fields;
}

QByteArray frameOf(const QList<QByteArray>& fields)
{
    return fields.join('\r') + "\r\r";
}

// The read-out of these fields: each padded to 16, then the separator.
QString readOut(const QList<QByteArray>& fields, const QByteArray& end = "\r\n")
{
    QByteArray bytes;
    for (const QByteArray& field : fields) {
        bytes += field.leftJustified(SimModule::kFieldWidth, ' ') + end;
    }
    return "~{ send " + shown(bytes) + " reply";
}

QString written(const char* outcome, const QByteArray& frame, int fields, const char* replies)
{
    return QStringLiteral("[%1 %2+%3 %4]")
        .arg(QLatin1String(outcome))
        .arg(2 + frame.size())
        .arg(fields)
        .arg(shown(replies));
}

} // namespace

class TestSimProtocol : public QObject
{
    Q_OBJECT

private slots:
    void answers_data();
    void answers();
};

void TestSimProtocol::answers_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QByteArrayList>("script");
    QTest::addColumn<QStringList>("transcript");

    const QList<QByteArray> f = tagged('F');
    const QByteArray frame = frameOf(f);
    const QList<QByteArray> erased = SimConfig::erasedMemory();
    const QString id = QStringLiteral("~| send V_VEXAGRID-3 FW2.14\\r\\n reply");
    const QString garbage = QStringLiteral("send \\x13\\x07?#!%*garbage*%!#?\\x12\\x7f");
    const QString talk = QStringLiteral("send $GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,"
                                        "545.4,M,46.9,M,,*47\\r\\n drop");
    const QString wait = QStringLiteral("wait -1");
    const QString r = QStringLiteral("~} send R\\r");
    QList<QByteArray> altered = f;
    altered[3] = "G4";

    // Requests, and what the module keeps.
    QTest::newRow("identification") << "" << QByteArrayList{"~|"} << QStringList{id, wait};
    QTest::newRow("read-out, erased")
        << "" << QByteArrayList{"~{"} << QStringList{readOut(erased), wait};
    QTest::newRow("read-out, raw")
        << "raw-readout=a||b" << QByteArrayList{"~{"} << QStringList{"~{ send a||b reply", wait};
    QTest::newRow("status") << "" << QByteArrayList{"~["}
                            << QStringList{"~[ send OUTP:0000 IN:0000 AN:12.5 CNT:00000 POWER:1 "
                                           "GSMQ:3 ERR:0 FW2.14\\r reply",
                                           wait};
    QTest::newRow("write, read back with |")
        << "pipe" << QByteArrayList{"~}", frame, "~{"}
        << QStringList{r, written("stored", frame, 56, "R\rO\r") + " send O\\r reply",
                       readOut(f, "|"), wait};
    QTest::newRow("a write awaits its frame")
        << "" << QByteArrayList{"~}"} << QStringList{r, "wait 2000"};
    QTest::newRow("noise, unknown command, doubled ~")
        << "" << QByteArrayList{"xyz~q~~|"} << QStringList{id, wait};
    QTest::newRow("~ awaits its command") << "" << QByteArrayList{"~"} << QStringList{"wait 1000"};
    QTest::newRow("~ alone is dropped")
        << "" << QByteArrayList{"~", Quiet, "|"} << QStringList{wait};
    QTest::newRow("frame that stops coming, then a request")
        << "" << QByteArrayList{"~}", "F1\r", Quiet, "~|"}
        << QStringList{r, "[incomplete 5+1 R\\r]", id, wait};
    QTest::newRow("57 fields") << "" << QByteArrayList{"~}", frameOf(tagged('F', 57))}
                               << QStringList{r, written("malformed", frame, 56, "R\r"), wait};

    // Timing.
    QTest::newRow("paced") << "paced" << QByteArrayList{"~|"}
                           << QStringList{"~| paced V_VEXAGRID-3 FW2.14\\r\\n reply", wait};
    QTest::newRow("reply delay") << "delay=300" << QByteArrayList{"~|", "~}"}
                                 << QStringList{"~| pause 300 send V_VEXAGRID-3 FW2.14\\r\\n reply",
                                                "~} pause 300 send R\\r", "wait 2000"};
    QTest::newRow("ack delay") << "ack=500" << QByteArrayList{"~}", frame}
                               << QStringList{r,
                                              written("stored", frame, 56, "R\rO\r") +
                                                  " pause 500 send O\\r reply",
                                              wait};
    QTest::newRow("lost while R goes out")
        << "" << QByteArrayList{"~}", LostInSteps} << QStringList{r, "[no frame 2+0 R\\r]", wait};
    QTest::newRow("lost while the frame comes")
        << "" << QByteArrayList{"~}", "F1", Lost} << QStringList{r, "[incomplete 4+0 R\\r]", wait};
    QTest::newRow("told to vanish while the frame comes")
        << "" << QByteArrayList{"~}", Vanishing} << QStringList{r, "[vanished 2+0 R\\r]", wait};

    // Faults.
    QTest::newRow("silent") << "fault=silent" << QByteArrayList{"~|", "~}"}
                            << QStringList{"~|", "~} [no frame 2+0 ]", wait};
    QTest::newRow("garbage") << "fault=garbage" << QByteArrayList{"~[", "~}"}
                             << QStringList{
                                    "~[ " + garbage + " reply",
                                    "~} [no frame 2+0 \\x13\\x07?#!%*garbage*%!#?\\x12\\x7f] " +
                                        garbage + " reply",
                                    wait};
    QTest::newRow("lower-case id") << "fault=lower-case-id" << QByteArrayList{"~|"}
                                   << QStringList{"~| send v_vexagrid-3 fw2.14\\r\\n reply", wait};
    QTest::newRow("stop mid reply, half") << "fault=stop-mid-reply" << QByteArrayList{"~|"}
                                          << QStringList{"~| send V_VEXAGRID reply", wait};
    QTest::newRow("stop mid reply, 3 bytes") << "fault=stop-mid-reply cut=3" << QByteArrayList{"~|"}
                                             << QStringList{"~| send V_V reply", wait};
    QTest::newRow("never ack, nothing stored")
        << "fault=never-ack" << QByteArrayList{"~}", frame, "~{"}
        << QStringList{r, written("refused", frame, 56, "R\r"), readOut(erased), wait};
    QTest::newRow("ack other first")
        << "fault=ack-other-first" << QByteArrayList{"~}", frame}
        << QStringList{r, written("stored", frame, 56, "R\rEO") + " send EO reply", wait};
    QTest::newRow("ack wrong twice")
        << "fault=ack-wrong-twice" << QByteArrayList{"~}", frame}
        << QStringList{r, written("refused", frame, 56, "R\rEE") + " send EE reply", wait};
    QTest::newRow("no R") << "fault=no-r" << QByteArrayList{"~}", frame}
                          << QStringList{"~} [no frame 2+0 ]", wait};
    QTest::newRow("R then silence")
        << "fault=r-then-silence" << QByteArrayList{"~}", frame}
        << QStringList{"~} send R", written("refused", frame, 56, "R"), wait};
    QTest::newRow("talk without pause")
        << "fault=talk" << QByteArrayList{Quiet, "~|", Quiet, Lost, Quiet}
        << QStringList{talk + " talk", talk, talk + " talk", "wait 0"};
    QTest::newRow("vanish after 5 frame bytes")
        << "fault=vanish vanish=5" << QByteArrayList{"~}", "F1\rF2\r"}
        << QStringList{r, "[vanished 7+1 R\\r] vanish", wait};
    QTest::newRow("vanish before the frame")
        << "fault=vanish vanish=0" << QByteArrayList{"~}", Quiet}
        << QStringList{r, "[vanished 2+0 R\\r] vanish", wait};
    QTest::newRow("store altered")
        << "fault=store-altered" << QByteArrayList{"~}", frame, "~{"}
        << QStringList{r, written("stored", frame, 56, "R\rO\r") + " altered 4 send O\\r reply",
                       readOut(altered), wait};
}

void TestSimProtocol::answers()
{
    QFETCH(QString, setup);
    QFETCH(QByteArrayList, script);
    QFETCH(QStringList, transcript);
    SimConfig config;
    QVERIFY2(configure(config, setup), qPrintable(setup));
    SimProtocol protocol(config);
    QCOMPARE(::transcript(protocol, script), transcript);
}

QTEST_GUILESS_MAIN(TestSimProtocol)

#include "tst_simprotocol.moc"
