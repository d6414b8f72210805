#pragma once

#include "core/failure.h"
#include "device/portmap.h"

#include <QLoggingCategory>
#include <QString>

#include <functional>
#include <memory>

class QSerialPort;

// Diagnostics of the serial line ("unable to open comport" and the like), critical and
// debug levels. Every exchange that talks to the module writes its own diagnostics here too.
Q_DECLARE_LOGGING_CATEGORY(lcSerial)
// Every byte sent and received, one message per byte: "COM3 > 7e" went out, "COM3 < 56"
// came in. Also the port opening and closing, and ports a probe could not open. Off by
// default; QT_LOGGING_RULES="vexagrid.serial.trace=true" turns it on.
Q_DECLARE_LOGGING_CATEGORY(lcSerialTrace)

// One COM port opened for one exchange with the module.
//
// The class keeps the behaviour the exchanges were written against: 8 data bits, no parity,
// one stop bit, no flow control, DTR and RTS left off; one byte per write and one byte per
// read; a read returns as soon as a byte is there, or with nothing after the per-byte wait
// (read multiplier + read constant ms) has passed in silence.
//
// "COMn" names are resolved through PortMap, so the same names work on every platform.
//
// Threads: a SerialPort belongs to the thread that opens it and needs no event loop there;
// all waits are blocking. The download worker creates and opens its own instance on its
// own thread. Use it from a QThread (or the GUI thread), not from a bare std::thread.
//
// A port that vanishes while open (a USB adapter pulled out, the other side of a
// pseudo-terminal closed) is remembered: from then on every read returns nothing at once
// and writes are dropped, so no loop spins on the error.
class SerialPort
{
public:
    // Receive-loop bounds: replies that cannot be cancelled (identification, search,
    // status) stop after kReplyLimit bytes, the read-out after kReadOutLimit.
    static constexpr int kReplyLimit = 4096;
    static constexpr int kReadOutLimit = 65536;

    // "COM1" at 1200 baud, closed.
    SerialPort();
    // The given port and rate, closed. Nothing is checked until open().
    SerialPort(const QString& name, qint32 rate);
    // Closes the port if it is still open.
    ~SerialPort();

    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // The waits of one exchange, in ms. A read returns as soon as a byte is there, or with
    // nothing once readMultiplier * 1 + readConstant ms have passed in silence. Writes wait
    // for each byte without a limit when both write values are 0, otherwise at most
    // writeMultiplier + writeConstant ms.
    struct Timeouts
    {
        int readMultiplier = 0;
        int readConstant = 0;
        int writeMultiplier = 0;
        int writeConstant = 0;

        // Only the read waits set; writes wait for each byte without a limit.
        static constexpr Timeouts read(int multiplier, int constant)
        {
            return Timeouts{multiplier, constant, 0, 0};
        }
    };

    // Where a failed open reports why: critical for the exchanges run from the window,
    // debug for the download worker.
    enum class Diagnostics { Critical, Debug };

    // Whether writeText() and writeByte() send a CR after their bytes.
    enum class LineEnd { None, Cr };

    // Closes the port first if it is open, then runs the open sequence with the current
    // name and rate. Failures, each written on vexagrid.serial at `level`, the port left
    // closed:
    //   "unable to open comport"                  no such port, or held by another program
    //   "unable to set comport dcb settings"      the baud rate is not valid (0 or negative)
    //   "unable to set comport cfg settings"      the port refuses rate, framing or flow
    //   "unable to set comport time-out settings" a negative time-out
    // A failure is OpenFailed with the port dialog's words ("A COM3 (/dev/ttyUSB0) nem
    // nyitható meg: nincs jogosultság. ...") and the details "reason" (as the command line
    // names it: "missing", "in-use", ...), "systemError" (the library's words, or null) and
    // "diagnostic" (the text written above).
    Expected<void> open(const Timeouts& timeouts, Diagnostics level = Diagnostics::Critical);
    // The port as the last open() found it: its name and device, whether it opened, and when
    // not, why (missing, in use, no permission, or another failure with the library's words)
    // and the device's group. An exchange keeps it in its result.
    const PortMap::PortState& state() const { return m_state; }
    // Closes the handle if one is open; closed afterwards in any case.
    void close();
    bool isOpen() const;

    // Each character as its Latin-1 byte, a character above U+00FF as 0x00, one byte per
    // write, then a CR when `end` says so. Each write returns when its byte has left the
    // PC. Write failures are not reported (the next read finds the port gone).
    void writeText(const QString& text, LineEnd end = LineEnd::None);
    void writeByte(char byte, LineEnd end = LineEnd::None);
    void writeCr();

    // Sees every byte the receive loop reads, in order; returning false ends the loop
    // after that byte (which is kept). How a caller shows progress is its own affair.
    using ByteObserver = std::function<bool(char byte)>;

    // The receive loop: one byte per read until a read brings nothing (silence for one
    // read wait, or the port gone), maxBytes bytes have been read, or the observer says
    // stop. Bytes become the characters of the same code.
    QString readAll(const ByteObserver& observer = {}, int maxBytes = kReadOutLimit);
    // One byte, for the exchanges with loops of their own (search, status, download).
    // False on silence for one read wait, on a vanished port, or when the port is closed.
    bool readByte(char* out);

    QString portName() const { return m_portName; }
    void setPortName(const QString& name) { m_portName = name; }
    qint32 baudRate() const { return m_baudRate; }
    void setBaudRate(qint32 rate) { m_baudRate = rate; }
    void setPort(const QString& name, qint32 rate);
    // The baud rate in decimal, e.g. "1200".
    QString baudRateText() const { return QString::number(m_baudRate); }

    // The per-byte read wait of the last successful open, in ms.
    int readWait() const { return m_readWait; }
    // True once a read or write error showed that the open port has gone away.
    bool hasVanished() const { return m_vanished; }

private:
    Failure fail(const char* diagnostic, Diagnostics level, const PortMap::OpenResult& why);
    // The line settings and waits on the port just opened; refused, the port closed.
    Expected<void> configure(const Timeouts& timeouts, Diagnostics level);
    void writeOne(char byte);
    void noteError(const char* during);

    QString m_portName = QStringLiteral("COM1");
    qint32 m_baudRate = 1200;
    std::unique_ptr<QSerialPort> m_port;
    PortMap::PortState m_state;
    int m_readWait = 0;
    int m_writeWait = -1;
    bool m_vanished = false;
};
