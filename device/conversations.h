#pragma once

#include "device/serialport.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

// The four conversations with a module. Each opens the port, sends its request, reads the
// reply, closes the port and returns what came back or which failure ended it. They know
// no window: progress and cancelling go through callbacks, and the window and the command
// line each show them their own way. The diagnostics are those of the exchange (and of
// SerialPort), on vexagrid.serial.
namespace conversation {

// --- Identification: "~|", a free text until the line is silent ---------------------------

// Each reply byte is waited for at most this long when the window identifies the module.
constexpr int kIdentifyWaitMs = 500;

struct Identification
{
    bool opened = false;
    QString reply; // as received

    // What the window shows and keeps: upper case, without CRs (line feeds stay).
    QString shown() const;
    // A module of this family: its shown reply begins with "V_".
    bool isModule() const;
    // As the port search judges a reply: "V_" exactly as received (so "v_" is none).
    bool answersSearch() const;
};

Identification identify(const QString& port, qint32 baud, int readWaitMs = kIdentifyWaitMs);

// --- Read-out: "~{", 56 fields until 1200 ms of silence ------------------------------------

struct ReadOut
{
    enum Outcome {
        Ok,
        OpenFailed,  // "Nem lehet megnyitni a portot."
        Cancelled,   // the observer stopped it
        NoSeparator, // silent module, or a reply without "|"
        WrongCount,  // not 56 fields
    };
    Outcome outcome = OpenFailed;
    QString raw;        // the bytes as characters, as received
    QStringList fields; // the 56 fields when Ok
    int count = 0;      // fields found (WrongCount)
};

// `observer` sees every byte as it comes and may stop the read (the window's cancel). A
// reply of another shape writes its diagnostic ("sep error", "dberror: N").
ReadOut readOut(const QString& port, qint32 baud, const SerialPort::ByteObserver& observer = {});

// --- Status: "~[", one line up to its CR, always at 1200 baud ------------------------------

struct StatusProgress
{
    std::function<void()> requestSent;
    std::function<void(char)> byte; // every byte of the line, the CR too
};

struct StatusReply
{
    bool opened = false;
    QString line; // without its CR
};

StatusReply queryStatus(const QString& port, const StatusProgress& progress = {});

// --- Write: "~}", the module's "R", the frame, the acknowledgement -------------------------

struct WriteProgress
{
    std::function<void(int maximum)> started; // the range: the frame's length + 10
    std::function<void(int value)> value;     // 10 after "R", then one more per byte sent
};

struct WriteResult
{
    enum Outcome {
        Acknowledged,
        Unsendable,      // the frame holds a character without a byte on the line
        OpenFailed,      // the port did not open (or would not take the line settings)
        NoStart,         // no "R" within 3500 ms, or another byte
        NotAcknowledged, // neither byte after the frame was the acknowledgement
        Stopped,         // `stop` was set; the transfer ended between two bytes
        Vanished,        // the port went away during the frame
    };
    Outcome outcome = OpenFailed;
    int bytesSent = 0; // of the frame, CRs included
};

// Sends `frame` (56 fields, each followed by `separator`) at a fixed 1200 baud. Every byte
// leaves the PC before the next one is written. `stop`, when given, is looked at between
// bytes. The worker's diagnostics go to the debug level: a failed open says why, a wrong
// acknowledgement is written as the character received.
WriteResult writeFrame(const QString& port, const QString& frame, char separator, char ackChar,
                       const WriteProgress& progress = {}, const std::atomic<bool>* stop = nullptr);

} // namespace conversation
