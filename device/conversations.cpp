#include "device/conversations.h"

#include "core/readoutcodec.h"

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

} // namespace

QString Identification::shown() const
{
    QString text = reply.toUpper();
    text.remove(QLatin1Char('\r'));
    return text;
}

bool Identification::isModule() const
{
    return shown().startsWith(QLatin1String("V_"));
}

bool Identification::answersSearch() const
{
    return reply.startsWith(QLatin1String("V_"));
}

Identification identify(const QString& port, qint32 baud, int readWaitMs)
{
    Identification result;
    SerialPort line(port, baud);
    if (!line.open(SerialPort::Timeouts::read(readWaitMs, 0)))
        return result;
    result.opened = true;
    line.writeText(kIdentifyRequest);
    // Nobody can cancel this read, so a port that never goes silent is cut off.
    result.reply = line.readAll({}, SerialPort::kReplyLimit);
    line.close();
    return result;
}

ReadOut readOut(const QString& port, qint32 baud, const SerialPort::ByteObserver& observer)
{
    ReadOut result;
    SerialPort line(port, baud);
    if (!line.open(kReadOutTimeouts))
        return result;
    line.writeText(QStringLiteral("~{"));
    bool stopped = false;
    result.raw = line.readAll(
        [&](char byte) {
            stopped = observer && !observer(byte);
            return !stopped;
        },
        SerialPort::kReadOutLimit);
    line.close();
    if (stopped) {
        result.outcome = ReadOut::Cancelled;
        return result;
    }

    const readout::SplitResult split = readout::split(readout::normalise(result.raw), u'|');
    result.count = split.count;
    switch (split.error) {
    case readout::SplitResult::Ok:
        result.outcome = ReadOut::Ok;
        result.fields = split.fields;
        break;
    case readout::SplitResult::NoSeparator:
        result.outcome = ReadOut::NoSeparator;
        qCDebug(lcSerial, "sep error");
        break;
    case readout::SplitResult::WrongCount:
        result.outcome = ReadOut::WrongCount;
        qCDebug(lcSerial, "dberror: %d", split.count);
        break;
    }
    return result;
}

StatusReply queryStatus(const QString& port, const StatusProgress& progress)
{
    StatusReply result;
    SerialPort line(port, kFixedRate);
    if (!line.open(kStatusTimeouts))
        return result;
    result.opened = true;
    line.writeByte('~');
    line.writeByte('[');
    if (progress.requestSent)
        progress.requestSent();

    // Nobody can cancel this read, so a line that never ends is cut off and judged as it is.
    char byte = 0;
    while (result.line.size() < SerialPort::kReplyLimit && line.readByte(&byte)) {
        if (progress.byte)
            progress.byte(byte);
        if (byte == '\r')
            break;
        result.line.append(QChar(uchar(byte)));
    }
    line.close();
    return result;
}

WriteResult writeFrame(const QString& port, const QString& frame, char separator, char ackChar,
                       const WriteProgress& progress, const std::atomic<bool>* stop)
{
    WriteResult result;
    const int maximum = int(frame.size()) + kStartedValue;
    if (progress.started)
        progress.started(maximum);
    const auto report = [&](int value) {
        if (progress.value)
            progress.value(value);
    };
    const auto stopped = [stop] { return stop && stop->load(); };

    // A character without a Latin-1 code would reach the module as a byte 0x00 and corrupt
    // its text; such a frame is not sent at all.
    for (const QChar c : frame) {
        if (c.unicode() > 0xFF) {
            result.outcome = WriteResult::Unsendable;
            return result;
        }
    }

    // SerialPort writes the diagnostic of a port that does not open.
    SerialPort line(port, kFixedRate);
    if (!line.open(kWriteTimeouts, SerialPort::Diagnostics::Debug))
        return result;

    line.writeByte('~');
    line.writeByte('}');
    char byte = 0;
    if (!line.readByte(&byte) || byte != 'R') {
        result.outcome = WriteResult::NoStart;
        return result;
    }
    report(kStartedValue);
    // The module sends one more byte after "R" that means nothing; it may not come at all.
    line.readByte(&byte);

    // Each write returns once its byte has left the PC, so the acknowledgement wait below
    // starts when the whole frame has really gone.
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
            if (stopped()) {
                result.outcome = WriteResult::Stopped;
                return result;
            }
            line.writeByte(char(c.unicode()));
            sent();
        }
        line.writeCr();
        sent();
        if (line.hasVanished()) {
            result.outcome = WriteResult::Vanished;
            return result;
        }
    }

    result.outcome = WriteResult::NotAcknowledged;
    if (line.readByte(&byte)) {
        if (byte == ackChar)
            result.outcome = WriteResult::Acknowledged;
        else
            qCDebug(lcSerial).noquote() << QString(QChar(uchar(byte)));
    }
    // The acknowledgement may also come second, after another byte.
    if (line.readByte(&byte) && byte == ackChar)
        result.outcome = WriteResult::Acknowledged;
    line.close();
    return result;
}

} // namespace conversation
