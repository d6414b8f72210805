// What the simulated module answers and how it misbehaves: the requests picked out of the
// bytes, the replies to "~|", "~{", "~[" and the write "~}", and the faults on top of them.

#include "sim/simprotocol.h"

#include <algorithm>
#include <iterator>

using Fault = SimModule::Fault;
using Outcome = SimWrite::Outcome;
using Request = SimModule::Request;

namespace {

// Means nothing to the program: no "V_", no separator, no line end, no blank.
const QByteArray GarbageReply = QByteArrayLiteral("\x13\x07?#!%*garbage*%!#?\x12\x7f");
// What a GPS receiver on the wrong port says, over and over.
const QByteArray TalkLine =
    QByteArrayLiteral("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n");

const struct RequestEntry
{
    Request request;
    const char* name;
} RequestTable[] = {
    {Request::Identification, "identification"},
    {Request::ReadOut, "read-out"},
    {Request::Status, "status"},
    {Request::Write, "write"},
};

const struct OutcomeEntry
{
    Outcome outcome;
    const char* name;
} OutcomeTable[] = {
    {Outcome::Stored, "stored"},       {Outcome::Refused, "refused"},
    {Outcome::NoFrame, "no frame"},    {Outcome::Incomplete, "incomplete"},
    {Outcome::Malformed, "malformed"}, {Outcome::Vanished, "vanished"},
};

const struct FaultEntry
{
    Fault fault;
    const char* name;
} FaultTable[] = {
    {Fault::None, "none"},
    {Fault::Silent, "silent"},
    {Fault::Garbage, "garbage"},
    {Fault::LowerCaseId, "lower-case-id"},
    {Fault::StopMidReply, "stop-mid-reply"},
    {Fault::NeverAcknowledge, "never-ack"},
    {Fault::AckOtherFirst, "ack-other-first"},
    {Fault::AckWrongTwice, "ack-wrong-twice"},
    {Fault::NoR, "no-r"},
    {Fault::RThenSilence, "r-then-silence"},
    {Fault::TalkWithoutPause, "talk"},
    {Fault::VanishDuringWrite, "vanish"},
    {Fault::StoreAltered, "store-altered"},
};

// How a complete frame is acknowledged. The first row is every fault not named here.
const struct Acknowledgement
{
    Fault fault;
    Outcome outcome;
    const char* ack;
} AckTable[] = {
    {Fault::None, Outcome::Stored, "O\r"},         {Fault::NeverAcknowledge, Outcome::Refused, ""},
    {Fault::RThenSilence, Outcome::Refused, ""},   {Fault::AckWrongTwice, Outcome::Refused, "EE"},
    {Fault::AckOtherFirst, Outcome::Stored, "EO"},
};

const Acknowledgement& acknowledgementFor(Fault fault)
{
    for (const Acknowledgement& row : AckTable) {
        if (row.fault == fault) {
            return row;
        }
    }
    return AckTable[0];
}

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

SimStep sendStep(const QByteArray& bytes, bool paced)
{
    return SimStep{SimStep::Kind::Send, bytes, 0, paced};
}

} // namespace

QList<QByteArray> SimConfig::erasedMemory()
{
    return QList<QByteArray>(SimModule::kFieldCount,
                             QByteArray(SimModule::kFieldWidth, char(0xFF)));
}

SimProtocol::SimProtocol(SimConfig& config) : m_config(config) {}

// --- Events ------------------------------------------------------------------------------

SimAnswer SimProtocol::receive(char byte)
{
    switch (m_phase) {
    case Phase::Idle:
        if (m_config.fault == Fault::TalkWithoutPause) {
            return talk();
        }
        if (byte != '~') {
            return idle({}); // noise between requests
        }
        m_phase = Phase::Command;
        break;
    case Phase::Command:
        if (byte != '~') {
            return request(byte);
        }
        break;
    case Phase::Opening:
    case Phase::Frame:
        m_phase = Phase::Frame;
        return frameByte(byte);
    }
    SimAnswer answer;
    answer.waitMs = kCommandGapMs;
    return answer;
}

SimAnswer SimProtocol::quiet()
{
    switch (m_phase) {
    case Phase::Idle:
        if (m_config.fault == Fault::TalkWithoutPause) {
            return talk();
        }
        break;
    case Phase::Command:
        break; // the "~" is dropped
    case Phase::Opening:
    case Phase::Frame:
        return vanishDue() ? frameByte(0) : finish(Outcome::Incomplete);
    }
    return idle({});
}

SimAnswer SimProtocol::lost(bool duringSteps, bool vanishing)
{
    SimAnswer answer;
    if (m_phase == Phase::Opening && duringSteps) {
        answer = finish(Outcome::NoFrame);
    } else if (m_phase == Phase::Opening || m_phase == Phase::Frame) {
        answer = finish(vanishing ? Outcome::Vanished : Outcome::Incomplete);
    }
    m_phase = Phase::Idle;
    m_talking = false;
    return answer;
}

// --- Between requests --------------------------------------------------------------------

SimAnswer SimProtocol::idle(SimAnswer answer)
{
    m_phase = Phase::Idle;
    const bool talking = m_config.fault == Fault::TalkWithoutPause;
    m_talking = m_talking && talking;
    // A module set to talk meanwhile starts at once.
    answer.waitMs = talking ? 0 : -1;
    return answer;
}

SimAnswer SimProtocol::talk()
{
    SimAnswer answer;
    answer.steps = {sendStep(TalkLine, m_config.paced)};
    answer.dropInput = true;
    answer.startsTalking = !m_talking;
    answer.waitMs = 0;
    m_talking = true;
    return answer;
}

// --- Requests ----------------------------------------------------------------------------

SimAnswer SimProtocol::request(char command)
{
    const auto known =
        std::find_if(std::begin(RequestTable), std::end(RequestTable),
                     [&](const RequestEntry& row) { return char(row.request) == command; });
    if (known == std::end(RequestTable)) {
        return idle({}); // an unknown command is dropped with its "~"
    }
    m_request = m_config;
    SimAnswer answer = known->request == Request::Write ? openWrite() : idle(reply(known->request));
    answer.request = command;
    return answer;
}

SimAnswer SimProtocol::reply(Request request) const
{
    SimAnswer answer;
    if (m_request.fault == Fault::Silent) {
        return answer;
    }
    QByteArray bytes = m_request.rawReplies.value(request, composed(request));
    if (request == Request::Identification && m_request.fault == Fault::LowerCaseId) {
        bytes = bytes.toLower();
    }
    if (m_request.fault == Fault::Garbage) {
        bytes = GarbageReply;
    } else if (m_request.fault == Fault::StopMidReply) {
        bytes = bytes.left(m_request.cutAfter < 0 ? bytes.size() / 2 : m_request.cutAfter);
    }
    answer.steps = delayed(m_request.replyDelayMs, bytes);
    answer.reply = true;
    return answer;
}

QByteArray SimProtocol::composed(Request request) const
{
    switch (request) {
    case Request::Identification:
        return m_request.identification + QByteArrayLiteral("\r\n");
    case Request::ReadOut: {
        const QByteArray end = m_request.format == SimModule::ReadOutFormat::Pipe
                                   ? QByteArrayLiteral("|")
                                   : QByteArrayLiteral("\r\n");
        QByteArray bytes;
        for (const QByteArray& field : m_request.fields) {
            bytes += padded(field) + end;
        }
        return bytes;
    }
    case Request::Status:
        return statusLine(m_request.status) + '\r';
    case Request::Write:
        break;
    }
    return QByteArray();
}

QList<SimStep> SimProtocol::delayed(int ms, const QByteArray& bytes) const
{
    QList<SimStep> steps;
    if (ms > 0) {
        steps.append(SimStep{SimStep::Kind::Pause, QByteArray(), ms, false});
    }
    steps.append(sendStep(bytes, m_request.paced));
    return steps;
}

// --- The write request -------------------------------------------------------------------

SimAnswer SimProtocol::openWrite()
{
    m_write = SimWrite();
    m_write.bytes = QByteArrayLiteral("~}");
    m_field.clear();
    m_frameBytes = 0;
    const Fault fault = m_request.fault;
    if (fault == Fault::Silent || fault == Fault::NoR) {
        return finish(Outcome::NoFrame);
    }
    if (fault == Fault::Garbage) {
        m_write.replies = GarbageReply;
        SimAnswer answer = finish(Outcome::NoFrame);
        answer.steps = delayed(m_request.replyDelayMs, GarbageReply);
        answer.reply = true;
        return answer;
    }
    // "R" opens the transfer; the byte after it means nothing.
    m_write.replies =
        fault == Fault::RThenSilence ? QByteArrayLiteral("R") : QByteArrayLiteral("R\r");
    SimAnswer answer;
    answer.steps = delayed(m_request.replyDelayMs, m_write.replies);
    answer.waitMs = vanishDue() ? 0 : m_request.frameTimeoutMs;
    m_phase = Phase::Opening;
    return answer;
}

// 56 fields, each ended by CR, then one lone CR. Called without a byte (0) when the module
// is due to vanish before taking the next one.
SimAnswer SimProtocol::frameByte(char byte)
{
    if (vanishDue()) {
        SimAnswer answer = finish(Outcome::Vanished);
        answer.steps = {SimStep{SimStep::Kind::Vanish, QByteArray(), 0, false}};
        return answer;
    }
    m_write.bytes += byte;
    ++m_frameBytes;
    if (m_write.fields.size() == SimModule::kFieldCount) {
        return byte == '\r' ? acknowledge() : finish(Outcome::Malformed);
    }
    if (byte == '\r') {
        m_write.fields.append(m_field);
        m_field.clear();
    } else {
        m_field += byte;
    }
    if (vanishDue()) {
        return frameByte(0);
    }
    SimAnswer answer;
    answer.waitMs = m_request.frameTimeoutMs;
    return answer;
}

SimAnswer SimProtocol::acknowledge()
{
    const Acknowledgement& how = acknowledgementFor(m_request.fault);
    const QByteArray ack(how.ack);
    m_write.replies += ack;
    int altered = 0;
    if (how.outcome == Outcome::Stored) {
        m_config.fields = m_write.fields;
        const int n = m_request.alteredField;
        if (m_request.fault == Fault::StoreAltered && n >= 1 && n <= SimModule::kFieldCount) {
            m_config.fields[n - 1] = changedField(m_config.fields.at(n - 1));
            altered = n;
        }
    }
    SimAnswer answer = finish(how.outcome);
    answer.alteredField = altered;
    if (!ack.isEmpty()) {
        answer.steps = delayed(m_request.ackDelayMs, ack);
        answer.reply = true;
    }
    return answer;
}

SimAnswer SimProtocol::finish(Outcome outcome)
{
    m_write.outcome = outcome;
    SimAnswer answer;
    answer.write = m_write;
    return idle(answer);
}

bool SimProtocol::vanishDue() const
{
    return m_request.fault == Fault::VanishDuringWrite && m_frameBytes >= m_request.vanishAfter;
}

// --- Names -------------------------------------------------------------------------------

QString SimProtocol::requestName(char command)
{
    for (const RequestEntry& row : RequestTable) {
        if (char(row.request) == command) {
            return QString::fromLatin1(row.name);
        }
    }
    return QStringLiteral("unknown");
}

QString SimProtocol::outcomeName(Outcome outcome)
{
    for (const OutcomeEntry& row : OutcomeTable) {
        if (row.outcome == outcome) {
            return QString::fromLatin1(row.name);
        }
    }
    return QString();
}

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
