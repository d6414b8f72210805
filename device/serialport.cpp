#include "device/serialport.h"

#include "device/portmap.h"
#include "device/porttexts.h"

#include <QDeadlineTimer>
#include <QSerialPort>

#include <limits>

#ifdef Q_OS_WIN
#include <windows.h>
#elif defined(Q_OS_UNIX)
#include <termios.h>
#endif

Q_LOGGING_CATEGORY(lcSerial, "vexagrid.serial")
Q_LOGGING_CATEGORY(lcSerialTrace, "vexagrid.serial.trace", QtInfoMsg)

namespace {

// The longest single wait for a byte. See SerialPort::readByte().
constexpr qint64 kReadSliceMs = 20;

int sumClamped(int a, int b)
{
    const qint64 sum = qint64(a) + qint64(b);
    return int(qMin<qint64>(sum, std::numeric_limits<int>::max()));
}

} // namespace

SerialPort::SerialPort() = default;

SerialPort::SerialPort(const QString& name, qint32 rate) : m_portName(name), m_baudRate(rate) {}

SerialPort::~SerialPort()
{
    close();
}

void SerialPort::setPort(const QString& name, qint32 rate)
{
    m_portName = name;
    m_baudRate = rate;
}

bool SerialPort::isOpen() const
{
    return m_port != nullptr;
}

Failure SerialPort::fail(const char* diagnostic, Diagnostics level, const PortMap::OpenResult& why)
{
    m_state = PortMap::refusedState(m_portName, why);
    if (level == Diagnostics::Critical) {
        qCCritical(lcSerial, "%s", diagnostic);
    } else {
        qCDebug(lcSerial, "%s", diagnostic);
    }
    close();
    QJsonObject keys = porttexts::openFailureKeys(m_state);
    keys.insert(QStringLiteral("diagnostic"), QLatin1String(diagnostic));
    return Failure(messages::Code::OpenFailed, porttexts::hint(m_state), keys);
}

Expected<void> SerialPort::open(const Timeouts& timeouts, Diagnostics level)
{
    close();
    using Reason = PortMap::PortState::Reason;
    m_state = PortMap::PortState();
    m_state.name = m_portName;

    const QString device = PortMap::devicePath(m_portName);
    if (device.isEmpty()) {
        qCDebug(lcSerial) << m_portName << "has no device";
        return fail("unable to open comport", level, {false, Reason::Missing, QString()});
    }
    if (const PortMap::OpenResult probed = PortMap::probedOpen(device); !probed.opened) {
        qCDebug(lcSerial) << m_portName << device << probed.error;
        return fail("unable to open comport", level, probed);
    }
    // The port opens with the toolkit's own settings first, so that a refused open and a
    // refused configuration stay two separate failures, as they are on the module's
    // original platform. No byte moves before the real settings are in place.
    m_port = std::make_unique<QSerialPort>();
    m_port->setPortName(device);
    if (!m_port->open(QIODevice::ReadWrite)) {
        qCDebug(lcSerial) << m_portName << device << m_port->errorString();
        const PortMap::OpenResult why = PortMap::failureOf(*m_port, device);
        m_port.reset();
        return fail("unable to open comport", level, why);
    }
    if (Expected<void> configured = configure(timeouts, level); !configured)
        return configured;
    m_state.device = device;
    m_state.exists = m_state.opens = true;
    m_state.reason = Reason::None;
    qCDebug(lcSerialTrace).noquote()
        << m_portName << "open" << device << m_baudRate << "baud, read wait" << m_readWait << "ms";
    return {};
}

Expected<void> SerialPort::configure(const Timeouts& timeouts, Diagnostics level)
{
    const auto other = [](const QString& words) {
        return PortMap::OpenResult{false, PortMap::PortState::Reason::Other, words};
    };
    if (m_baudRate <= 0) {
        qCDebug(lcSerial) << m_portName << "baud rate" << m_baudRate;
        return fail("unable to set comport dcb settings", level,
                    other(QStringLiteral("érvénytelen sebesség: %1").arg(m_baudRate)));
    }
    if (!m_port->setBaudRate(m_baudRate) || !m_port->setDataBits(QSerialPort::Data8) ||
        !m_port->setParity(QSerialPort::NoParity) || !m_port->setStopBits(QSerialPort::OneStop) ||
        !m_port->setFlowControl(QSerialPort::NoFlowControl)) {
        qCDebug(lcSerial) << m_portName << m_port->errorString();
        return fail("unable to set comport cfg settings", level, other(m_port->errorString()));
    }
    // The module was always driven with DTR and RTS off. A pseudo-terminal has no control
    // lines at all and refuses the request; that is not a failure.
    if (!m_port->setDataTerminalReady(false) || !m_port->setRequestToSend(false)) {
        qCDebug(lcSerialTrace) << m_portName << "no control lines:" << m_port->errorString();
        m_port->clearError();
    }
    if (timeouts.readMultiplier < 0 || timeouts.readConstant < 0 || timeouts.writeMultiplier < 0 ||
        timeouts.writeConstant < 0) {
        return fail("unable to set comport time-out settings", level,
                    other(QStringLiteral("érvénytelen várakozási idő")));
    }
    m_readWait = sumClamped(timeouts.readMultiplier, timeouts.readConstant);
    m_writeWait = (timeouts.writeMultiplier == 0 && timeouts.writeConstant == 0)
                      ? -1
                      : sumClamped(timeouts.writeMultiplier, timeouts.writeConstant);
    m_vanished = false;
    return {};
}

void SerialPort::close()
{
    if (m_port) {
        m_port->close();
        m_port.reset();
        qCDebug(lcSerialTrace).noquote() << m_portName << "closed";
    }
}

void SerialPort::noteError(const char* during)
{
    const QSerialPort::SerialPortError error = m_port->error();
    if (error != QSerialPort::NoError && error != QSerialPort::TimeoutError) {
        if (!m_vanished) {
            qCDebug(lcSerial) << m_portName << during << "failed:" << m_port->errorString();
        }
        m_vanished = true;
    }
    m_port->clearError();
}

void SerialPort::writeOne(char byte)
{
    if (!m_port || m_vanished) {
        return;
    }
    qCDebug(lcSerialTrace, "%s > %02x", qPrintable(m_portName), uchar(byte));
    if (m_port->write(&byte, 1) != 1) {
        noteError("write");
        return;
    }
    if (!m_port->waitForBytesWritten(m_writeWait)) {
        noteError("write");
        return;
    }
#ifdef Q_OS_UNIX
    // A write on the module's original platform returns only once the driver has passed
    // the byte on; write() here returns at once and leaves the byte in the kernel's
    // buffer. A 955-byte frame at 1200 baud would then still be on its way for 8 s while
    // the module's 3500 ms acknowledgement wait has already started and run out. So wait
    // until the byte has really left.
    tcdrain(int(m_port->handle()));
#elif defined(Q_OS_WIN)
    // The same on Windows: the overlapped write has completed once the driver has the byte,
    // not once it is on the line. FlushFileBuffers on a COM port returns when the driver's
    // transmit buffer is empty.
    ::FlushFileBuffers(reinterpret_cast<HANDLE>(m_port->handle()));
#endif
}

void SerialPort::writeText(const QString& text, LineEnd end)
{
    for (const QChar c : text) {
        // toLatin1() would send '?' for a character outside Latin-1; the line gets 0x00.
        writeOne(c.unicode() > 0xFF ? '\0' : char(c.unicode()));
    }
    if (end == LineEnd::Cr) {
        writeOne('\r');
    }
}

void SerialPort::writeByte(char byte, LineEnd end)
{
    writeOne(byte);
    if (end == LineEnd::Cr) {
        writeOne('\r');
    }
}

void SerialPort::writeCr()
{
    writeOne('\r');
}

bool SerialPort::readByte(char* out)
{
    if (!m_port || m_vanished) {
        return false;
    }
    // The wait for a byte is cut into slices of at most kReadSliceMs, and each slice starts
    // by asking for a byte. On Windows, asking on an empty buffer also starts a read of what
    // the driver already holds: a blocking wait alone relies on the driver's "a character
    // came" event, and a byte that came without one (wine on a pseudo-terminal raises none)
    // would otherwise wait for the next byte. A Unix driver wakes the wait for every byte,
    // and there the slices change nothing but the number of wake-ups; one path on both
    // systems keeps the whole suite proving the one Windows runs. A byte is still taken as
    // soon as it is there; silence still ends after the full read wait. The cost is one
    // wake-up per slice of silence (bench/bench_line.cpp shows it).
    const QDeadlineTimer deadline(m_readWait);
    while (!m_port->getChar(out)) {
        const qint64 slice = qMin(deadline.remainingTime(), kReadSliceMs);
        if (!m_port->waitForReadyRead(int(slice))) {
            if (m_port->error() != QSerialPort::TimeoutError || deadline.hasExpired()) {
                noteError("read");
                return false;
            }
            m_port->clearError();
        }
    }
    qCDebug(lcSerialTrace, "%s < %02x", qPrintable(m_portName), uchar(*out));
    return true;
}

QString SerialPort::readAll(const ByteObserver& observer, int maxBytes)
{
    QString reply;
    char byte = 0;
    while (reply.size() < maxBytes && readByte(&byte)) {
        reply.append(QChar(uchar(byte)));
        if (observer && !observer(byte)) {
            break;
        }
    }
    return reply;
}
