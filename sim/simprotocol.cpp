// What the simulated module answers and how it misbehaves: the serving loop that picks the
// requests out of the line, the replies to "~|", "~{", "~[" and the write "~}", and the
// faults on top of them.

#include "sim/simmodule_p.h"

#include <poll.h>

using simdetail::Config;
using simdetail::Wait;

namespace {

// The command byte follows "~" at once; a "~" left alone this long is dropped.
constexpr int CommandGapMs = 1000;

// Means nothing to the program: no "V_", no separator, no line end, no blank.
const QByteArray GarbageReply = QByteArrayLiteral("\x13\x07?#!%*garbage*%!#?\x12\x7f");
// What a GPS receiver on the wrong port says, over and over.
const QByteArray TalkLine =
    QByteArrayLiteral("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n");

const char WrongAck = 'E';

QByteArray padded(QByteArray field)
{
    if (field.size() < SimModule::kFieldWidth) {
        field.append(QByteArray(SimModule::kFieldWidth - field.size(), ' '));
    }
    return field;
}

QByteArray statusLine(const SimStatus& s)
{
    auto flag = [](bool on) { return on ? '1' : '0'; };
    QByteArray line = "OUTP:";
    for (bool on : s.outputs) {
        line += flag(on);
    }
    line += " IN:";
    for (bool on : s.phaseAlarms) {
        line += flag(on);
    }
    line += flag(s.input4);
    line += " AN:" + s.analog.toLatin1();
    line += " CNT:" + s.counter.toLatin1();
    line += " POWER:";
    line += flag(s.supply);
    line += " GSMQ:" + QByteArray::number(s.signal);
    line += " ERR:0 " + s.firmware.toLatin1();
    return line;
}

QString requestName(char command)
{
    switch (command) {
    case '|':
        return QStringLiteral("identification");
    case '{':
        return QStringLiteral("read-out");
    case '[':
        return QStringLiteral("status");
    case '}':
        return QStringLiteral("write");
    default:
        return QStringLiteral("unknown");
    }
}

QString outcomeName(SimWrite::Outcome outcome)
{
    switch (outcome) {
    case SimWrite::Outcome::Stored:
        return QStringLiteral("stored");
    case SimWrite::Outcome::Refused:
        return QStringLiteral("refused");
    case SimWrite::Outcome::NoFrame:
        return QStringLiteral("no frame");
    case SimWrite::Outcome::Incomplete:
        return QStringLiteral("incomplete");
    case SimWrite::Outcome::Malformed:
        return QStringLiteral("malformed");
    case SimWrite::Outcome::Vanished:
        return QStringLiteral("vanished");
    }
    return QString();
}

struct FaultEntry
{
    SimModule::Fault fault;
    const char* name;
};

const FaultEntry FaultTable[] = {
    {SimModule::Fault::None, "none"},
    {SimModule::Fault::Silent, "silent"},
    {SimModule::Fault::Garbage, "garbage"},
    {SimModule::Fault::LowerCaseId, "lower-case-id"},
    {SimModule::Fault::StopMidReply, "stop-mid-reply"},
    {SimModule::Fault::NeverAcknowledge, "never-ack"},
    {SimModule::Fault::AckOtherFirst, "ack-other-first"},
    {SimModule::Fault::AckWrongTwice, "ack-wrong-twice"},
    {SimModule::Fault::NoR, "no-r"},
    {SimModule::Fault::RThenSilence, "r-then-silence"},
    {SimModule::Fault::TalkWithoutPause, "talk"},
    {SimModule::Fault::VanishDuringWrite, "vanish"},
    {SimModule::Fault::StoreAltered, "store-altered"},
};

// The field as StoreAltered keeps it: its first character changed, the width kept. A digit
// stays a digit and a letter a letter, so the read-out still looks plausible and only a
// comparison with what was written finds the difference.
QByteArray changedField(QByteArray field)
{
    if (field.isEmpty()) {
        return QByteArrayLiteral("X");
    }
    char& c = field[0];
    if (c >= '0' && c <= '9') {
        c = c == '9' ? '0' : char(c + 1);
    } else if (c >= 'A' && c <= 'Z') {
        c = c == 'Z' ? 'A' : char(c + 1);
    } else if (c >= 'a' && c <= 'z') {
        c = c == 'z' ? 'a' : char(c + 1);
    } else {
        c = 'X';
    }
    return field;
}

} // namespace

void SimModule::Private::noteReply()
{
    QMutexLocker lock(&mutex);
    ++replies;
    changed.wakeAll();
}

Wait SimModule::Private::talk()
{
    qCInfo(lcSim).noquote() << comName << "talking without pause";
    for (;;) {
        const Config cfg = snapshot();
        if (cfg.fault != Fault::TalkWithoutPause) {
            pending.clear();
            return Wait::Ready;
        }
        // Whatever the program says meanwhile is recorded but not answered.
        pending.clear();
        const Wait result = send(TalkLine, cfg.paced, lineSettings());
        if (result != Wait::Ready) {
            return result;
        }
    }
}

Wait SimModule::Private::handle(char command)
{
    const SimLineSettings line = lineSettings();
    const Config cfg = snapshot();
    {
        QMutexLocker lock(&mutex);
        requests.append(SimRequest{command, line, clock.elapsed()});
        changed.wakeAll();
    }
    if (command == '}') {
        return handleWrite(cfg, line);
    }
    const QString what = requestName(command);
    if (cfg.fault == Fault::Silent) {
        qCInfo(lcSim).noquote() << comName << what << "request (" + line.toString() + "): silent";
        return Wait::Ready;
    }
    QByteArray reply;
    switch (command) {
    case '|':
        reply = cfg.hasRawIdentification ? cfg.rawIdentification
                                         : cfg.identification + QByteArrayLiteral("\r\n");
        if (cfg.fault == Fault::LowerCaseId) {
            reply = reply.toLower();
        }
        break;
    case '{':
        if (cfg.hasRawReadOut) {
            reply = cfg.rawReadOut;
        } else {
            const QByteArray end = cfg.format == ReadOutFormat::Pipe ? QByteArrayLiteral("|")
                                                                     : QByteArrayLiteral("\r\n");
            for (const QByteArray& field : cfg.fields) {
                reply += padded(field) + end;
            }
        }
        break;
    case '[':
        reply = cfg.hasRawStatus ? cfg.rawStatus : statusLine(cfg.status) + '\r';
        break;
    default:
        return Wait::Ready;
    }
    if (cfg.fault == Fault::Garbage) {
        reply = GarbageReply;
    } else if (cfg.fault == Fault::StopMidReply) {
        reply = reply.left(cfg.cutAfter < 0 ? reply.size() / 2 : cfg.cutAfter);
    }
    if (cfg.replyDelayMs > 0) {
        const Wait result = sleep(cfg.replyDelayMs);
        if (result != Wait::Timeout) {
            return result;
        }
    }
    const Wait result = send(reply, cfg.paced, line);
    if (result == Wait::Ready) {
        noteReply();
    }
    qCInfo(lcSim).noquote() << comName << what
                            << "request (" + line.toString() + "):" << reply.size()
                            << (result == Wait::Ready ? "bytes answered"
                                                      : "bytes cut short: port closed");
    return result;
}

Wait SimModule::Private::handleWrite(const Config& cfg, const SimLineSettings& line)
{
    SimWrite record;
    record.bytes = QByteArrayLiteral("~}");
    record.line = line;
    const bool altered = cfg.fault == Fault::StoreAltered && cfg.alteredField >= 1 &&
                         cfg.alteredField <= kFieldCount;
    const auto finish = [&](SimWrite::Outcome outcome) {
        record.outcome = outcome;
        {
            QMutexLocker lock(&mutex);
            if (outcome == SimWrite::Outcome::Stored) {
                config.fields = record.fields;
                if (altered) {
                    config.fields[cfg.alteredField - 1] =
                        changedField(config.fields.at(cfg.alteredField - 1));
                }
            }
            writes.append(record);
            changed.wakeAll();
        }
        if (outcome == SimWrite::Outcome::Stored) {
            saveAfterStore();
        }
        QString outcomeText = outcomeName(outcome);
        if (altered && outcome == SimWrite::Outcome::Stored) {
            outcomeText += QStringLiteral(", field %1 altered").arg(cfg.alteredField);
        }
        qCInfo(lcSim).noquote() << comName
                                << "write request (" + line.toString() + "):" << record.bytes.size()
                                << "bytes," << record.fields.size() << "fields," << outcomeText;
    };

    if (cfg.fault == Fault::Silent || cfg.fault == Fault::NoR) {
        finish(SimWrite::Outcome::NoFrame);
        return Wait::Ready;
    }
    Wait result = Wait::Ready;
    if (cfg.replyDelayMs > 0) {
        result = sleep(cfg.replyDelayMs);
        if (result != Wait::Timeout) {
            finish(SimWrite::Outcome::NoFrame);
            return result;
        }
    }
    if (cfg.fault == Fault::Garbage) {
        record.replies = GarbageReply;
        finish(SimWrite::Outcome::NoFrame);
        result = send(GarbageReply, cfg.paced, line);
        if (result == Wait::Ready) {
            noteReply();
        }
        return result;
    }
    // "R" opens the transfer; the byte after it means nothing.
    record.replies =
        cfg.fault == Fault::RThenSilence ? QByteArrayLiteral("R") : QByteArrayLiteral("R\r");
    result = send(record.replies, cfg.paced, line);
    if (result != Wait::Ready) {
        finish(SimWrite::Outcome::NoFrame);
        return result;
    }

    // 56 fields, each ended by CR, then one lone CR.
    QByteArray current;
    int frameBytes = 0;
    SimWrite::Outcome outcome = SimWrite::Outcome::Incomplete;
    for (;;) {
        if (cfg.fault == Fault::VanishDuringWrite && frameBytes >= cfg.vanishAfter) {
            finish(SimWrite::Outcome::Vanished);
            doVanish();
            return Wait::Stop;
        }
        char byte = 0;
        result = readByte(&byte, cfg.frameTimeoutMs);
        if (result != Wait::Ready) {
            finish(vanishRequested ? SimWrite::Outcome::Vanished : SimWrite::Outcome::Incomplete);
            return result == Wait::Timeout ? Wait::Ready : result;
        }
        record.bytes += byte;
        ++frameBytes;
        if (record.fields.size() == kFieldCount) {
            outcome = byte == '\r' ? SimWrite::Outcome::Stored : SimWrite::Outcome::Malformed;
            break;
        }
        if (byte == '\r') {
            record.fields.append(current);
            current.clear();
        } else {
            current += byte;
        }
    }
    if (outcome == SimWrite::Outcome::Malformed) {
        finish(outcome);
        return Wait::Ready;
    }

    QByteArray ack;
    switch (cfg.fault) {
    case Fault::NeverAcknowledge:
    case Fault::RThenSilence:
        outcome = SimWrite::Outcome::Refused;
        break;
    case Fault::AckWrongTwice:
        outcome = SimWrite::Outcome::Refused;
        ack = QByteArray(2, WrongAck);
        break;
    case Fault::AckOtherFirst:
        ack = QByteArray(1, WrongAck) + 'O';
        break;
    default:
        ack = QByteArrayLiteral("O\r");
        break;
    }
    record.replies += ack;
    // Recorded before the acknowledgement goes out, so whoever sees the program succeed
    // finds the write already there.
    finish(outcome);
    if (ack.isEmpty()) {
        return Wait::Ready;
    }
    if (cfg.ackDelayMs > 0) {
        result = sleep(cfg.ackDelayMs);
        if (result != Wait::Timeout) {
            return result;
        }
    }
    result = send(ack, cfg.paced, line);
    if (result == Wait::Ready) {
        noteReply();
    }
    return result;
}

void SimModule::Private::run()
{
    while (!stopRequested) {
        if (vanishRequested || vanished) {
            break;
        }
        if (!connected) {
            if (waitForOpen() == Wait::Ready) {
                pending.clear();
            }
            continue;
        }
        if (snapshot().fault == Fault::TalkWithoutPause) {
            if (talk() == Wait::Hangup) {
                endSession();
            }
            continue;
        }
        char byte = 0;
        Wait result = readByte(&byte, -1, true);
        if (result == Wait::Hangup) {
            endSession();
            continue;
        }
        if (result != Wait::Ready || byte != '~') {
            continue;
        }
        char command = 0;
        do {
            result = readByte(&command, CommandGapMs);
        } while (result == Wait::Ready && command == '~');
        if (result == Wait::Hangup) {
            endSession();
            continue;
        }
        if (result != Wait::Ready) {
            continue;
        }
        if (command == '|' || command == '{' || command == '[' || command == '}') {
            if (handle(command) == Wait::Hangup) {
                endSession();
            }
        }
    }
    if (vanishRequested && !vanished) {
        doVanish();
    }
    // A vanished module stays gone until it is stopped.
    while (!stopRequested) {
        pollfd wakeUp{wakeRead, POLLIN, 0};
        if (::poll(&wakeUp, 1, -1) > 0) {
            drainWake();
        }
    }
}

// --- Fault names -------------------------------------------------------------------------

QString SimModule::faultName(Fault fault)
{
    for (const FaultEntry& entry : FaultTable) {
        if (entry.fault == fault) {
            return QString::fromLatin1(entry.name);
        }
    }
    return QString();
}

std::optional<SimModule::Fault> SimModule::faultFromName(const QString& name)
{
    for (const FaultEntry& entry : FaultTable) {
        if (name == QLatin1String(entry.name)) {
            return entry.fault;
        }
    }
    return std::nullopt;
}

QStringList SimModule::faultNames()
{
    QStringList names;
    for (const FaultEntry& entry : FaultTable) {
        names.append(QString::fromLatin1(entry.name));
    }
    return names;
}
