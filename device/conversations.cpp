#include "device/conversations.h"

#include "core/readoutcodec.h"
#include "core/statuscodec.h"
#include "device/outcomes.h"

namespace conversation {

namespace {

// The read-out's per-byte wait: 1000 ms and 200 ms more.
constexpr SerialPort::Timeouts kReadOutTimeouts = SerialPort::Timeouts::read(1000, 200);
// The status query and the write talk at this rate, whatever rate the rest uses.
constexpr qint32 kFixedRate = 1200;
constexpr SerialPort::Timeouts kStatusTimeouts = SerialPort::Timeouts::read(0, 4500);
constexpr SerialPort::Timeouts kWriteTimeouts = SerialPort::Timeouts::read(0, 3500);
// Where the write's progress stands once the module has answered "R".
constexpr int kStartedValue = 10;

const QString kIdentifyRequest = QStringLiteral("~|");

Result started(Exchange exchange, const QString& port)
{
    Result result;
    result.exchange = exchange;
    result.port.name = port;
    return result;
}

// The port's open failed: why, as the line found it.
Result& refused(Result& result, const SerialPort& line, const Failure& why)
{
    result.outcome = Outcome::OpenFailed;
    result.port = line.state();
    result.diagnostic = why.details.value(QStringLiteral("diagnostic")).toString();
    return result;
}

} // namespace

QString Result::shown() const
{
    QString text = reply.toUpper();
    text.remove(QLatin1Char('\r'));
    return text;
}

bool Result::answersSearch() const
{
    return reply.startsWith(QLatin1String("V_"));
}

Failure Result::failure() const
{
    return outcomes::failureOf(*this);
}

Result identify(const QString& port, qint32 baud, int readWaitMs)
{
    Result result = started(Exchange::Identify, port);
    SerialPort line(port, baud);
    if (Expected<void> opened = line.open(SerialPort::Timeouts::read(readWaitMs, 0)); !opened)
        return refused(result, line, opened.failure());
    result.port = line.state();
    line.writeText(kIdentifyRequest);
    // Nobody can cancel this read, so a port that never goes silent is cut off.
    result.reply = line.readAll({}, SerialPort::kReplyLimit);
    line.close();
    result.outcome =
        result.shown().startsWith(QLatin1String("V_")) ? Outcome::Ok : Outcome::NotModule;
    return result;
}

Result readOut(const QString& port, qint32 baud, const SerialPort::ByteObserver& observer)
{
    Result result = started(Exchange::ReadOut, port);
    SerialPort line(port, baud);
    if (Expected<void> opened = line.open(kReadOutTimeouts); !opened)
        return refused(result, line, opened.failure());
    result.port = line.state();
    line.writeText(QStringLiteral("~{"));
    bool stopped = false;
    result.reply = line.readAll(
        [&](char byte) {
            stopped = observer && !observer(byte);
            return !stopped;
        },
        SerialPort::kReadOutLimit);
    line.close();
    if (stopped) {
        result.outcome = Outcome::Cancelled;
        return result;
    }

    Expected<QStringList> split = readout::split(readout::normalise(result.reply), u'|');
    if (split) {
        result.outcome = Outcome::Ok;
        result.fields = std::move(split).value();
        result.count = int(result.fields.size());
        return result;
    }
    const QJsonObject& why = split.failure().details;
    result.count = why.value(QStringLiteral("count")).toInt();
    if (why.value(QStringLiteral("reason")).toString() == QLatin1String("no-separator")) {
        result.outcome = Outcome::NoSeparator;
        result.diagnostic = QStringLiteral("sep error");
    } else {
        result.outcome = Outcome::WrongCount;
        result.diagnostic = QStringLiteral("dberror: %1").arg(result.count);
    }
    qCDebug(lcSerial).noquote() << result.diagnostic;
    return result;
}

Result queryStatus(const QString& port, const StatusProgress& progress)
{
    Result result = started(Exchange::Status, port);
    SerialPort line(port, kFixedRate);
    if (Expected<void> opened = line.open(kStatusTimeouts); !opened)
        return refused(result, line, opened.failure());
    result.port = line.state();
    line.writeByte('~');
    line.writeByte('[');
    if (progress.requestSent)
        progress.requestSent();

    // Nobody can cancel this read, so a line that never ends is cut off and judged as it is.
    char byte = 0;
    while (result.reply.size() < SerialPort::kReplyLimit && line.readByte(&byte)) {
        if (progress.byte)
            progress.byte(byte);
        if (byte == '\r')
            break;
        result.reply.append(QChar(uchar(byte)));
    }
    line.close();
    result.outcome =
        status::decode(result.reply, DeviceKind::Unknown).ok() ? Outcome::Ok : Outcome::BadStatus;
    return result;
}

namespace {

// The frame piece by piece, each piece ended by CR: Ok once it has all gone, Cancelled when
// the stop flag is seen between two bytes, Vanished when the port goes away.
Outcome sendFrame(SerialPort& line, const QString& frame, char separator, Result& result,
                  const std::function<void(int)>& report, const std::atomic<bool>* stop)
{
    // Each write returns once its byte has left the PC, so the acknowledgement wait after
    // this starts when the whole frame has really gone.
    const int maximum = int(frame.size()) + kStartedValue;
    int value = kStartedValue;
    const auto sent = [&] {
        ++result.bytesSent;
        // The frame's last piece is empty, and its lone CR would pass the maximum: the
        // progress ends exactly full.
        if (value < maximum)
            report(++value);
    };
    const QStringList pieces = frame.split(QChar::fromLatin1(separator), Qt::KeepEmptyParts);
    for (const QString& piece : pieces) {
        for (const QChar c : piece) {
            if (stop && stop->load())
                return Outcome::Cancelled;
            line.writeByte(char(c.unicode()));
            sent();
        }
        line.writeCr();
        sent();
        if (line.hasVanished())
            return Outcome::Vanished;
    }
    return Outcome::Ok;
}

} // namespace

Result writeFrame(const QString& port, const QString& frame, char separator, char ackChar,
                  const WriteProgress& progress, const std::atomic<bool>* stop)
{
    Result result = started(Exchange::Write, port);
    if (progress.started)
        progress.started(int(frame.size()) + kStartedValue);
    const auto report = [&](int value) {
        if (progress.value)
            progress.value(value);
    };

    // A character without a Latin-1 code would reach the module as a byte 0x00 and corrupt
    // its text; such a frame is not sent at all.
    for (const QChar c : frame) {
        if (c.unicode() > 0xFF) {
            result.outcome = Outcome::Unsendable;
            return result;
        }
    }

    // SerialPort writes the diagnostic of a port that does not open.
    SerialPort line(port, kFixedRate);
    if (Expected<void> opened = line.open(kWriteTimeouts, SerialPort::Diagnostics::Debug); !opened)
        return refused(result, line, opened.failure());
    result.port = line.state();

    line.writeByte('~');
    line.writeByte('}');
    char byte = 0;
    if (!line.readByte(&byte) || byte != 'R') {
        result.outcome = Outcome::NoStart;
        return result;
    }
    report(kStartedValue);
    // The module sends one more byte after "R" that means nothing; it may not come at all.
    line.readByte(&byte);

    result.outcome = sendFrame(line, frame, separator, result, report, stop);
    if (result.outcome != Outcome::Ok)
        return result;

    result.outcome = Outcome::NotAcknowledged;
    if (line.readByte(&byte)) {
        if (byte == ackChar) {
            result.outcome = Outcome::Ok;
        } else {
            result.diagnostic = QString(QChar(uchar(byte)));
            qCDebug(lcSerial).noquote() << result.diagnostic;
        }
    }
    // The acknowledgement may also come second, after another byte.
    if (line.readByte(&byte) && byte == ackChar)
        result.outcome = Outcome::Ok;
    // The frame can be in the driver's buffer before the module has read it: a port that goes
    // away then is found only while waiting for the answer, and no answer is why.
    if (result.outcome == Outcome::NotAcknowledged && line.hasVanished())
        result.outcome = Outcome::Vanished;
    line.close();
    return result;
}

} // namespace conversation
