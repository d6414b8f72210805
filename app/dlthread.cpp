#include "app/dlthread.h"

#include "core/fieldrules.h"
#include "device/serialport.h"

#include <QProgressBar>

namespace {

// The module talks at this rate during a write, whatever rate the rest of the program uses.
constexpr qint32 lineRate = 1200;
// The longest wait for any byte from the module, in ms.
constexpr int replyWaitMs = 3500;
// Where the bar stands once the module has answered "R"; the frame's bytes come after it.
constexpr int startedValue = 10;

} // namespace

dlThread::dlThread(const ProgramSettings& settings, QProgressBar* bar)
    : m_bar(bar), m_settings(settings)
{
}

dlThread::~dlThread()
{
    wait();
}

void dlThread::setRange(int maximum)
{
    QProgressBar* bar = m_bar;
    if (!bar)
        return;
    QMetaObject::invokeMethod(
        bar,
        [bar, maximum] {
            bar->setRange(0, maximum);
            bar->reset();
        },
        Qt::QueuedConnection);
}

void dlThread::setValue(int value)
{
    QProgressBar* bar = m_bar;
    if (!bar)
        return;
    QMetaObject::invokeMethod(
        bar, [bar, value] { bar->setValue(value); }, Qt::QueuedConnection);
}

void dlThread::run()
{
    m_result = transfer();
}

bool dlThread::transfer()
{
    const QString& frame = m_settings.downloadText;
    const int maximum = int(frame.size()) + startedValue;
    setRange(maximum);

    // A character without a Latin-1 code would reach the module as a byte 0x00 and corrupt
    // its text; such a frame is not sent at all.
    if (!fieldrules::isLatin1(frame)) {
        qCDebug(lcSerial) << "download: the frame holds a character above U+00FF";
        return false;
    }

    // SerialPort writes its own diagnostic when the port does not open.
    SerialPort port(m_settings.port, lineRate);
    if (!port.open(0, replyWaitMs, 0, 0))
        return false;

    port.writeByte('~', false);
    port.writeByte('}', false);
    char byte = 0;
    if (!port.readByte(&byte) || byte != 'R') {
        port.close();
        return false;
    }
    setValue(startedValue);
    // The module sends one more byte after "R" that means nothing; it may not come at all.
    port.readByte(&byte);

    // Each write returns once its byte has left the PC, so the acknowledgement wait below
    // starts when the whole frame has really gone.
    int value = startedValue;
    const auto advance = [&] {
        // The frame's last piece is empty, and its lone CR would pass the maximum:
        // the bar ends exactly full.
        if (value < maximum)
            setValue(++value);
    };
    const QStringList pieces =
        frame.split(QChar::fromLatin1(m_settings.downloadSeparator), Qt::KeepEmptyParts);
    for (const QString& piece : pieces) {
        for (const QChar c : piece) {
            port.writeByte(char(c.unicode()), false);
            advance();
        }
        port.writeCr();
        advance();
        if (port.hasVanished()) {
            qCDebug(lcSerial) << "download: the port went away during the frame";
            break;
        }
    }

    const char ack = m_settings.ackChar;
    bool acknowledged = false;
    if (!port.readByte(&byte))
        qCDebug(lcSerial) << "download: no acknowledgement";
    else if (byte == ack)
        acknowledged = true;
    else
        qCDebug(lcSerial) << "download: acknowledgement" << QChar::fromLatin1(byte);
    // The acknowledgement may also come second, after another byte.
    if (port.readByte(&byte) && byte == ack)
        acknowledged = true;
    port.close();
    return acknowledged;
}
