#pragma once

#include "core/failure.h"
#include "device/portmap.h"
#include "device/serialport.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

// The four conversations with a module. Each opens the port, sends its request, reads the
// reply, closes the port and returns one Result: what happened and its details. They know
// no window: progress and cancelling go through callbacks, and the window and the command
// line each show them their own way (device/outcomes gives both their words). The
// diagnostics are those of the exchange (and of SerialPort), on vexagrid.serial.
namespace conversation {

enum class Exchange { Identify, ReadOut, Status, Write };

enum class Outcome {
    Ok,              // a module answered; the read-out has 56 fields; the status line can be
                     // shown; the write was acknowledged
    OpenFailed,      // the port did not open, or would not take the line settings (see port)
    Cancelled,       // the caller stopped it: the read-out's cancel, the write's stop flag
    NotModule,       // identify: silence, or a reply that does not begin with "V_"
    NoSeparator,     // read-out: silence, or a reply without "|"
    WrongCount,      // read-out: not 56 fields (see count)
    BadStatus,       // status: silence, or fewer than 8 pieces
    Unsendable,      // write: the frame holds a character without a byte on the line
    NoStart,         // write: no "R" within 3500 ms, or another byte
    NotAcknowledged, // write: neither byte after the frame was the acknowledgement
    Vanished,        // write: the port went away during the frame, or before its answer
};

struct Result
{
    Exchange exchange = Exchange::Identify;
    Outcome outcome = Outcome::OpenFailed;
    // Identify and status: the reply as received (the status line without its CR); the
    // read-out: its raw bytes as characters.
    QString reply;
    QStringList fields; // read-out: the 56 fields when Ok
    int count = 0;      // read-out: the fields found (WrongCount)
    int bytesSent = 0;  // write: of the frame, CRs included
    // The port and its device; OpenFailed: why it did not open.
    PortMap::PortState port;
    QString diagnostic; // what the exchange wrote on vexagrid.serial, "" for nothing

    bool ok() const { return outcome == Outcome::Ok; }
    bool opened() const { return outcome != Outcome::OpenFailed; }
    // A failed exchange as the one Failure the window, the command line and the record take
    // it from: its code and the command line's words from device/outcomes ("Betöltés hiba.
    // (a modul nem nyugtázta)"), and for a port that did not open the details "reason" and
    // "systemError" (null when the library said nothing). Code::None for success.
    Failure failure() const;

    // The identification as the window shows and keeps it: upper case, without CRs (line
    // feeds stay).
    QString shown() const;
    // As the port search judges a reply: "V_" exactly as received (so "v_" is none).
    bool answersSearch() const;
};

// --- Identification: "~|", a free text until the line is silent ---------------------------

// Each reply byte is waited for at most this long when the window identifies the module.
constexpr int kIdentifyWaitMs = 500;

// Ok when the shown reply begins with "V_", a module of this family.
Result identify(const QString& port, qint32 baud, int readWaitMs = kIdentifyWaitMs);

// --- Read-out: "~{", 56 fields until 1200 ms of silence ------------------------------------

// `observer` sees every byte as it comes and may stop the read (the window's cancel). A
// reply of another shape writes its diagnostic ("sep error", "dberror: N").
Result readOut(const QString& port, qint32 baud, const SerialPort::ByteObserver& observer = {});

// --- Status: "~[", one line up to its CR, always at 1200 baud ------------------------------

struct StatusProgress
{
    std::function<void()> requestSent;
    std::function<void(char)> byte; // every byte of the line, the CR too
};

// Ok when the line has the 8 pieces a status reply has; what it shows depends on the device
// kind, so decoding it is the caller's (status::decode).
Result queryStatus(const QString& port, const StatusProgress& progress = {});

// --- Write: "~}", the module's "R", the frame, the acknowledgement -------------------------

struct WriteProgress
{
    std::function<void(int maximum)> started; // the range: the frame's length + 10
    std::function<void(int value)> value;     // 10 after "R", then one more per byte sent
};

// Sends `frame` (56 fields, each followed by `separator`) at a fixed 1200 baud. Every byte
// leaves the PC before the next one is written. `stop`, when given, is looked at between
// bytes (the command line's Ctrl+C; the window's worker never stops a frame half way). The
// worker's diagnostics go to the debug level: a failed open says why, a wrong
// acknowledgement is written as the character received.
Result writeFrame(const QString& port, const QString& frame, char separator, char ackChar,
                  const WriteProgress& progress = {}, const std::atomic<bool>* stop = nullptr);

} // namespace conversation
