#pragma once

#include <QByteArray>
#include <QList>
#include <QLoggingCategory>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

// Each request the simulated module answers, at info level (off by default; the
// vexagrid-sim program turns it on).
Q_DECLARE_LOGGING_CATEGORY(lcSim)

// The line settings the program had put on the pseudo-terminal when a request arrived.
struct SimLineSettings
{
    int baudRate = 0;          // bits per second
    int dataBits = 0;          // 5 ... 8
    char parity = 'N';         // 'N', 'E', 'O', 'M' (mark), 'S' (space)
    int stopBits = 0;          // 1 or 2
    bool hardwareFlow = false; // RTS/CTS
    bool softwareFlow = false; // XON/XOFF in either direction

    // For example "1200 8N1", with " rtscts" / " xonxoff" when flow control is on.
    QString toString() const;
    bool operator==(const SimLineSettings& other) const;
    bool operator!=(const SimLineSettings& other) const { return !(*this == other); }
};

// What the module reports to the status request "~[". The reply is one line ended by CR,
// eight blank-separated pieces S0 ... S7 laid out so that the status query finds each
// value where it reads it:
//   S0 "OUTP:" + four flags of outputs 1-4     (positions 5-8)
//   S1 "IN:" + flags of phase R, S, T, input 4  (positions 3-6; "1" = alarm)
//   S2 "AN:" + analog value                    (from position 3)
//   S3 "CNT:" + counter                        (from position 4)
//   S4 "POWER:" + supply flag                  (position 6; "1" = supply present)
//   S5 "GSMQ:" + signal strength               (from position 5, decimal)
//   S6 "ERR:0"                                 (not read)
//   S7 firmware version                        (whole piece)
struct SimStatus
{
    bool outputs[4] = {false, false, false, false};
    bool phaseAlarms[3] = {false, false, false}; // R, S, T
    bool input4 = false;
    QString analog = QStringLiteral("12.5");
    QString counter = QStringLiteral("00000");
    bool supply = true;
    int signal = 3;
    QString firmware = QStringLiteral("FW2.14");
};

// One request ("~" and its command byte) as the module received it.
struct SimRequest
{
    char command = 0;     // '|', '{', '[' or '}'
    SimLineSettings line; // the line settings at that moment
    qint64 atMs = 0;      // ms since the module started
};

// One write request "~}", from its first byte to the end of the frame.
struct SimWrite
{
    enum class Outcome {
        Stored,     // 56 fields and the lone CR: stored (and acknowledged unless a fault says no)
        Refused,    // a complete frame not stored on purpose (never acknowledge, wrong ack, ...)
        NoFrame,    // the module did not start the transfer ("R" withheld), so no frame was read
        Incomplete, // silence or the port closed before the frame ended
        Malformed,  // after 56 fields came something other than the lone CR
        Vanished,   // the module closed its pty part-way through (fault VanishDuringWrite)
    };
    QByteArray bytes;         // every byte received: "~}", the fields, their CRs, the lone CR
    QList<QByteArray> fields; // the CR-ended pieces received, without their CR
    QByteArray replies;       // every byte the module sent for this request ("R\r", "O\r", ...)
    SimLineSettings line;     // the line settings when "~}" arrived
    Outcome outcome = Outcome::Incomplete;
};

// The simulated VexaGrid-3 module on a pseudo-terminal.
//
// start() opens a pty in raw mode and registers its slave side as the entry "comN" (a
// symlink) in a device directory, so the program reaches it as COMN through its port map.
// The module then serves on a thread of its own until stop(): it answers the
// identification "~|", read-out "~{", status "~[" and write "~}" requests from the
// requests and replies alone (it never calls the program's own code), keeps the 56 fields
// last written into it, can misbehave on purpose, and records everything it sees.
//
// Like a real port, the line starts empty whenever the program opens it: what the module
// sent but the program did not read before closing is dropped.
//
// Every setter and accessor is thread-safe; a setting takes effect at the next request
// (a fault change also ends or starts "talk without pause" at once).
class SimModule
{
public:
    static constexpr int kFieldCount = 56;
    static constexpr int kFieldWidth = 16;

    enum class Fault {
        None,
        Silent,            // answers nothing at all
        Garbage,           // answers every request with bytes that mean nothing
        LowerCaseId,       // the identification in lower case ("v_vexagrid-3 ...")
        StopMidReply,      // identification, read-out and status replies end half-way
                           // (or after setCutAfter() bytes)
        NeverAcknowledge,  // "R", reads the frame, stores nothing, never acknowledges
        AckOtherFirst,     // after the frame another byte first, then "O" (stored)
        AckWrongTwice,     // after the frame two wrong bytes (not stored)
        NoR,               // answers the write request with nothing
        RThenSilence,      // "R" and nothing more: not even the second byte or an ack
        TalkWithoutPause,  // a stream that never goes silent while the port is open
        VanishDuringWrite, // closes its pty after setVanishAfter() bytes of the frame
        StoreAltered,      // acknowledges a write like a good one but stores field
                           // setAlteredField() changed (its first character replaced,
                           // the width kept), so a read-out afterwards differs
    };
    enum class ReadOutFormat {
        CrLf, // each field padded to 16, then CR LF
        Pipe, // each field padded to 16, then "|"
    };
    enum class Request : char {
        Identification = '|',
        ReadOut = '{',
        Status = '[',
        Write = '}',
    };

    SimModule();
    // Stops the module if it still runs.
    ~SimModule();
    SimModule(const SimModule&) = delete;
    SimModule& operator=(const SimModule&) = delete;

    // Opens the pty, registers it as "comN" for comName "COMN" in deviceDirectory (made
    // when missing; "" means $VEXAGRID_DOSDEVICES) and starts serving. Fails when the
    // name is no COM name, no directory is known, or a live entry of that name exists (a
    // dangling one, left by a module that died, is replaced). error gets the reason.
    bool start(const QString& comName, const QString& deviceDirectory = QString(),
               QString* error = nullptr);
    // Stops serving, closes the pty and removes the entry (when it is still ours).
    void stop();
    bool isRunning() const;

    QString comName() const;         // "COM3"
    QString deviceDirectory() const; // the directory holding the entry
    QString entryPath() const;       // ".../com3"
    QString slavePath() const;       // "/dev/pts/N"

    // --- What it answers -------------------------------------------------------------
    // Identification text, sent as Latin-1 and followed by CR LF.
    // Default "V_VEXAGRID-3 FW2.14".
    void setIdentification(const QString& text);
    QString identification() const;

    // The 56 stored fields, numbered 1 ... 56 as in the read-out and the download frame
    // (telephone rows 49 ... 56 begin with their two code characters). Texts are Latin-1;
    // setFields() takes exactly 56 texts and returns false otherwise. A fresh module
    // holds erased memory: every field 16 bytes 0xFF.
    bool setFields(const QStringList& fields);
    bool setField(int number, const QString& text);
    QStringList fields() const;
    QString field(int number) const;
    void eraseMemory();

    void setReadOutFormat(ReadOutFormat format);
    ReadOutFormat readOutFormat() const;

    void setStatus(const SimStatus& status);
    SimStatus status() const;

    // Sends exactly these bytes for this request instead of the composed reply
    // (identification, read-out or status; odd endings, adjacent separators, short pieces,
    // no final CR ...). Faults still apply on top.
    void setRawReply(Request request, const QByteArray& bytes);
    void clearRawReply(Request request);

    // --- How it behaves --------------------------------------------------------------
    void setFault(Fault fault);
    Fault fault() const;
    // Sends its bytes at the line's speed (the baud rate the program set, 10 bits per byte
    // for 8-N-1: 120 bytes per second at 1200 baud) instead of as fast as the pty takes
    // them. A pty cannot slow down what the program writes.
    void setPaced(bool paced);
    bool isPaced() const;
    // Waits this long before the first byte of every reply ("R" included).
    void setReplyDelay(int ms);
    // Waits this long after the frame before the acknowledgement.
    void setAckDelay(int ms);
    // StopMidReply: bytes of a reply that are sent; -1 (default) means half of it.
    void setCutAfter(int bytes);
    // VanishDuringWrite: frame bytes received (after "~}") before the pty closes. Default 100.
    void setVanishAfter(int bytes);
    // Silence after which a frame that stopped coming is given up. Default 2000 ms.
    void setFrameTimeout(int ms);
    // StoreAltered: the field (1 ... 56, as in the read-out) stored changed. Default 4, the
    // module name. False, and nothing changed, for a number outside 1 ... 56.
    bool setAlteredField(int number);
    int alteredField() const;

    // Closes the pty now, as a pulled-out adapter would, and removes the entry. Returns
    // once it is closed. The module stays stopped until stop(); it does not come back.
    void vanish();
    bool hasVanished() const;

    // --- What it saw -----------------------------------------------------------------
    QByteArray received() const; // every byte received since start (or clearRecordings)
    QList<SimRequest> requests() const;
    QList<SimWrite> writes() const;
    void clearRecordings();
    // Opens and closes of the slave by anybody but the module itself.
    int openCount() const;
    int closeCount() const;
    // Sessions the module has ended: it noticed the program's close and emptied the line,
    // so the next open starts afresh. Counted since start, like opens and closes.
    int sessionEndCount() const;
    // Replies that went out in full: to an identification, read-out or status request, or
    // the acknowledgement (or garbage) ending a write request. Counted since start.
    int replyCount() const;

    // Each waits until the count is reached or timeoutMs has passed; true when reached.
    bool waitForReceived(qsizetype bytes, int timeoutMs);
    bool waitForRequests(int count, int timeoutMs);
    bool waitForWrites(int count, int timeoutMs);
    bool waitForCloses(int count, int timeoutMs);
    bool waitForSessionEnds(int count, int timeoutMs);
    bool waitForReplies(int count, int timeoutMs);

    // --- Persistence -----------------------------------------------------------------
    // Keeps identification, fields, read-out format and status in a file: loaded now when
    // it exists (false when it exists but cannot be read), written now when it does not,
    // and rewritten after every stored write request.
    bool setStateFile(const QString& path, QString* error = nullptr);
    bool saveState(const QString& path, QString* error = nullptr) const;
    bool loadState(const QString& path, QString* error = nullptr);

    // --- Helpers for whoever fills the module ----------------------------------------
    // A telephone row field: the code character 0x30 + permissionMask (1, 2, 4, 8 for the
    // alarm columns 1-4, 64 for RING), the code character 0x30 + output (0-4), plus 8 when
    // the SMS box is clear, then the number.
    static QString phoneField(int permissionMask, int output, bool sms, const QString& number);
    // A plausible configuration, 56 fields, for demonstrations.
    static QStringList sampleFields();

    // 3 for "COM3" (any case); 0 when the name is no COM name.
    static int comNumber(const QString& comName);

    static QString faultName(Fault fault); // "none", "silent", "garbage", ...
    static std::optional<Fault> faultFromName(const QString& name);
    static QStringList faultNames();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
