#include "sim/simmodule.h"

#include "sim/linespeed.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QSaveFile>
#include <QWaitCondition>

#include <atomic>
#include <cerrno>
#include <climits>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <termios.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcSim, "vexagrid.sim", QtWarningMsg)

namespace {

// The command byte follows "~" at once; a "~" left alone this long is dropped.
constexpr int CommandGapMs = 1000;

// Means nothing to the program: no "V_", no separator, no line end, no blank.
const QByteArray GarbageReply = QByteArrayLiteral("\x13\x07?#!%*garbage*%!#?\x12\x7f");
// What a GPS receiver on the wrong port says, over and over.
const QByteArray TalkLine =
    QByteArrayLiteral("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n");

const char WrongAck = 'E';

struct Config;
bool writeState(const QString& path, const Config& cfg, QString* error);

QByteArray erasedField()
{
    return QByteArray(SimModule::FieldWidth, char(0xFF));
}

QList<QByteArray> erasedMemory()
{
    QList<QByteArray> fields;
    for (int i = 0; i < SimModule::FieldCount; ++i) {
        fields.append(erasedField());
    }
    return fields;
}

QByteArray padded(QByteArray field)
{
    if (field.size() < SimModule::FieldWidth) {
        field.append(QByteArray(SimModule::FieldWidth - field.size(), ' '));
    }
    return field;
}

int speedFromConstant(speed_t speed)
{
    static const struct
    {
        speed_t constant;
        int rate;
    } table[] = {{B50, 50},         {B75, 75},        {B110, 110},     {B134, 134},
                 {B150, 150},       {B200, 200},      {B300, 300},     {B600, 600},
                 {B1200, 1200},     {B1800, 1800},    {B2400, 2400},   {B4800, 4800},
                 {B9600, 9600},     {B19200, 19200},  {B38400, 38400}, {B57600, 57600},
                 {B115200, 115200}, {B230400, 230400}};
    for (const auto& entry : table) {
        if (entry.constant == speed) {
            return entry.rate;
        }
    }
    return 0;
}

int comNumber(const QString& name)
{
    if (name.size() < 4 || !name.startsWith(QLatin1String("COM"), Qt::CaseInsensitive) ||
        name.at(3) == QLatin1Char('0')) {
        return 0;
    }
    bool ok = false;
    const int n = name.mid(3).toInt(&ok);
    for (const QChar c : name.mid(3)) {
        if (!c.isDigit()) {
            return 0;
        }
    }
    return ok && n > 0 ? n : 0;
}

enum class Wait {
    Ready,   // the byte or the room that was waited for is there
    Timeout, // the time ran out
    Hangup,  // the program closed its side
    Stop,    // stop() or vanish()
    Woken,   // a setting changed (only when asked for)
};

struct Config
{
    QByteArray identification = QByteArrayLiteral("V_VEXAGRID-3 FW2.14");
    QList<QByteArray> fields = erasedMemory();
    SimModule::ReadOutFormat format = SimModule::ReadOutFormat::CrLf;
    SimStatus status;
    QByteArray rawIdentification, rawReadOut, rawStatus;
    bool hasRawIdentification = false, hasRawReadOut = false, hasRawStatus = false;
    SimModule::Fault fault = SimModule::Fault::None;
    bool paced = false;
    int replyDelayMs = 0;
    int ackDelayMs = 0;
    int cutAfter = -1;
    int vanishAfter = 100;
    int frameTimeoutMs = 2000;
};

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
};

} // namespace

QString SimLineSettings::toString() const
{
    QString text =
        QStringLiteral("%1 %2%3%4").arg(baudRate).arg(dataBits).arg(QChar(parity)).arg(stopBits);
    if (hardwareFlow) {
        text += QStringLiteral(" rtscts");
    }
    if (softwareFlow) {
        text += QStringLiteral(" xonxoff");
    }
    return text;
}

bool SimLineSettings::operator==(const SimLineSettings& other) const
{
    return baudRate == other.baudRate && dataBits == other.dataBits && parity == other.parity &&
           stopBits == other.stopBits && hardwareFlow == other.hardwareFlow &&
           softwareFlow == other.softwareFlow;
}

struct SimModule::Private
{
    // Shared with the callers' threads, guarded by mutex.
    mutable QMutex mutex;
    QWaitCondition changed;
    Config config;
    QByteArray received;
    QList<SimRequest> requests;
    QList<SimWrite> writes;
    int opens = 0;
    int closes = 0;
    int ownOpens = 0;
    int ownCloses = 0;
    QString stateFile;

    // Set by start(), read-only while the thread runs.
    QString comName;
    QString directory;
    QString entry;
    QString slave;
    int master = -1;
    int wakeRead = -1;
    int wakeWrite = -1;
    int watch = -1;
    std::thread thread;
    QElapsedTimer clock;
    std::atomic<bool> running{false};
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> vanishRequested{false};
    std::atomic<bool> vanished{false};

    // The serving thread's own.
    QByteArray pending;
    bool connected = false;

    Config snapshot() const
    {
        QMutexLocker lock(&mutex);
        return config;
    }

    void wake()
    {
        if (wakeWrite >= 0) {
            const char byte = 1;
            [[maybe_unused]] const ssize_t written = ::write(wakeWrite, &byte, 1);
        }
    }

    void drainWake()
    {
        char buffer[64];
        while (::read(wakeRead, buffer, sizeof buffer) > 0) {
        }
    }

    void removeEntry()
    {
        char target[PATH_MAX];
        const QByteArray path = QFile::encodeName(entry);
        const ssize_t n = ::readlink(path.constData(), target, sizeof target - 1);
        if (n > 0 && QByteArray(target, int(n)) == QFile::encodeName(slave)) {
            ::unlink(path.constData());
        }
    }

    void run();
    Wait waitMaster(short events, int timeoutMs, bool returnOnWake);
    Wait readByte(char* out, int timeoutMs, bool returnOnWake = false);
    Wait send(const QByteArray& data, bool paced, const SimLineSettings& line);
    Wait sleep(int ms);
    bool readInput();
    void readInotify();
    Wait waitForOpen();
    void endSession();
    SimLineSettings lineSettings() const;
    Wait talk();
    Wait handle(char command);
    Wait handleWrite(const Config& cfg, const SimLineSettings& line);
    void doVanish();
    void saveAfterStore();
};

void SimModule::Private::readInotify()
{
    if (watch < 0) {
        return;
    }
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(watch, buffer, sizeof buffer);
        if (n <= 0) {
            return;
        }
        QMutexLocker lock(&mutex);
        for (const char* p = buffer; p < buffer + n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(p);
            if (event->mask & IN_OPEN) {
                if (ownOpens > 0) {
                    --ownOpens;
                } else {
                    ++opens;
                }
            }
            if (event->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) {
                if (ownCloses > 0) {
                    --ownCloses;
                } else {
                    ++closes;
                }
            }
            if (event->mask & IN_Q_OVERFLOW) {
                closes = opens;
            }
            p += sizeof(inotify_event) + event->len;
        }
        changed.wakeAll();
    }
}

bool SimModule::Private::readInput()
{
    char buffer[4096];
    bool any = false;
    for (;;) {
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n > 0) {
            pending.append(buffer, n);
            QMutexLocker lock(&mutex);
            received.append(buffer, n);
            changed.wakeAll();
            any = true;
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return true;
        }
        // EIO: the program has closed its side. What came before is kept.
        return any;
    }
}

Wait SimModule::Private::waitMaster(short events, int timeoutMs, bool returnOnWake)
{
    const QDeadlineTimer deadline =
        timeoutMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(timeoutMs);
    for (;;) {
        if (stopRequested || vanishRequested) {
            return Wait::Stop;
        }
        if ((events & POLLIN) && !pending.isEmpty()) {
            return Wait::Ready;
        }
        pollfd fds[3] = {
            {master, short(events | POLLIN), 0}, {wakeRead, POLLIN, 0}, {watch, POLLIN, 0}};
        const nfds_t count = watch >= 0 ? 3 : 2;
        const int remaining = deadline.isForever() ? -1 : int(deadline.remainingTime());
        const int ready = ::poll(fds, count, remaining);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Wait::Stop;
        }
        if (fds[1].revents) {
            drainWake();
            if (returnOnWake && !stopRequested && !vanishRequested) {
                return Wait::Woken;
            }
            continue;
        }
        if (count == 3 && fds[2].revents) {
            readInotify();
        }
        const short revents = fds[0].revents;
        if (revents & POLLIN) {
            if (readInput()) {
                continue;
            }
            return Wait::Hangup;
        }
        if (revents & (POLLHUP | POLLERR | POLLNVAL)) {
            return Wait::Hangup;
        }
        if ((events & POLLOUT) && (revents & POLLOUT)) {
            return Wait::Ready;
        }
        if (ready == 0 || deadline.hasExpired()) {
            return Wait::Timeout;
        }
    }
}

Wait SimModule::Private::readByte(char* out, int timeoutMs, bool returnOnWake)
{
    const Wait result = waitMaster(POLLIN, timeoutMs, returnOnWake);
    if (result == Wait::Ready) {
        *out = pending.at(0);
        pending.remove(0, 1);
    }
    return result;
}

Wait SimModule::Private::sleep(int ms)
{
    return waitMaster(0, ms, false);
}

Wait SimModule::Private::send(const QByteArray& data, bool paced, const SimLineSettings& line)
{
    if (!paced) {
        qsizetype done = 0;
        while (done < data.size()) {
            const Wait result = waitMaster(POLLOUT, -1, false);
            if (result != Wait::Ready) {
                return result;
            }
            const ssize_t n = ::write(master, data.constData() + done, size_t(data.size() - done));
            if (n > 0) {
                done += n;
            } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
                return Wait::Hangup;
            }
        }
        return Wait::Ready;
    }
    // One character on the wire: start bit, data bits, parity bit, stop bits.
    const int bits = 1 + (line.dataBits > 0 ? line.dataBits : 8) + (line.parity == 'N' ? 0 : 1) +
                     (line.stopBits > 0 ? line.stopBits : 1);
    const qint64 baud = line.baudRate > 0 ? line.baudRate : 1200;
    const qint64 byteNs = qint64(bits) * 1000000000 / baud;
    QElapsedTimer elapsed;
    elapsed.start();
    for (qsizetype i = 0; i < data.size(); ++i) {
        // A byte is there once its stop bit has arrived, one byte time after it started.
        const qint64 dueNs = (i + 1) * byteNs;
        const qint64 waitNs = dueNs - elapsed.nsecsElapsed();
        if (waitNs > 0) {
            const Wait result = sleep(int((waitNs + 999999) / 1000000));
            if (result != Wait::Timeout) {
                return result;
            }
        }
        for (;;) {
            const Wait result = waitMaster(POLLOUT, -1, false);
            if (result != Wait::Ready) {
                return result;
            }
            const ssize_t n = ::write(master, data.constData() + i, 1);
            if (n == 1) {
                break;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR) {
                return Wait::Hangup;
            }
        }
    }
    return Wait::Ready;
}

SimLineSettings SimModule::Private::lineSettings() const
{
    SimLineSettings line;
    termios settings{};
    if (master < 0 || ::tcgetattr(master, &settings) != 0) {
        return line;
    }
    line.baudRate = simLineSpeed(master);
    if (line.baudRate < 0) {
        line.baudRate = speedFromConstant(cfgetospeed(&settings));
    }
    switch (settings.c_cflag & CSIZE) {
    case CS5:
        line.dataBits = 5;
        break;
    case CS6:
        line.dataBits = 6;
        break;
    case CS7:
        line.dataBits = 7;
        break;
    default:
        line.dataBits = 8;
        break;
    }
    if (!(settings.c_cflag & PARENB)) {
        line.parity = 'N';
    }
#ifdef CMSPAR
    else if (settings.c_cflag & CMSPAR) {
        line.parity = (settings.c_cflag & PARODD) ? 'M' : 'S';
    }
#endif
    else {
        line.parity = (settings.c_cflag & PARODD) ? 'O' : 'E';
    }
    line.stopBits = (settings.c_cflag & CSTOPB) ? 2 : 1;
    line.hardwareFlow = (settings.c_cflag & CRTSCTS) != 0;
    line.softwareFlow = (settings.c_iflag & (IXON | IXOFF)) != 0;
    return line;
}

Wait SimModule::Private::waitForOpen()
{
    for (;;) {
        if (stopRequested || vanishRequested) {
            return Wait::Stop;
        }
        readInotify();
        bool programThere = watch < 0;
        {
            QMutexLocker lock(&mutex);
            programThere = programThere || opens > closes;
        }
        if (programThere) {
            pollfd probe{master, POLLIN, 0};
            ::poll(&probe, 1, 0);
            if (!(probe.revents & (POLLHUP | POLLERR))) {
                connected = true;
                return Wait::Ready;
            }
        }
        // Without inotify there is nothing to wait on but time.
        pollfd fds[2] = {{wakeRead, POLLIN, 0}, {watch, POLLIN, 0}};
        const int ready = ::poll(fds, watch >= 0 ? 2 : 1, watch >= 0 ? -1 : 50);
        if (ready > 0 && fds[0].revents) {
            drainWake();
        }
    }
}

void SimModule::Private::endSession()
{
    connected = false;
    pending.clear();
    // A port that is closed receives nothing: drop what the program left unread, so that
    // its next open starts on an empty line as with a real port.
    const QByteArray path = QFile::encodeName(slave);
    {
        QMutexLocker lock(&mutex);
        ++ownOpens;
        ++ownCloses;
    }
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        ::tcflush(fd, TCIFLUSH);
        ::close(fd);
    } else {
        QMutexLocker lock(&mutex);
        --ownOpens;
        --ownCloses;
    }
}

void SimModule::Private::doVanish()
{
    removeEntry();
    if (master >= 0) {
        ::close(master);
        master = -1;
    }
    vanished = true;
    qCInfo(lcSim).noquote() << comName << "vanished: pty closed";
    QMutexLocker lock(&mutex);
    changed.wakeAll();
}

void SimModule::Private::saveAfterStore()
{
    QString path;
    {
        QMutexLocker lock(&mutex);
        path = stateFile;
    }
    QString error;
    if (!path.isEmpty() && !writeState(path, snapshot(), &error)) {
        qCWarning(lcSim).noquote() << comName << "cannot save" << path << error;
    }
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
    const auto finish = [&](SimWrite::Outcome outcome) {
        record.outcome = outcome;
        {
            QMutexLocker lock(&mutex);
            if (outcome == SimWrite::Outcome::Stored) {
                config.fields = record.fields;
            }
            writes.append(record);
            changed.wakeAll();
        }
        if (outcome == SimWrite::Outcome::Stored) {
            saveAfterStore();
        }
        qCInfo(lcSim).noquote() << comName
                                << "write request (" + line.toString() + "):" << record.bytes.size()
                                << "bytes," << record.fields.size() << "fields,"
                                << outcomeName(outcome);
    };

    if (cfg.fault == Fault::Silent || cfg.fault == Fault::NoR) {
        finish(SimWrite::Outcome::NoFrame);
        return Wait::Ready;
    }
    if (cfg.replyDelayMs > 0) {
        const Wait result = sleep(cfg.replyDelayMs);
        if (result != Wait::Timeout) {
            finish(SimWrite::Outcome::NoFrame);
            return result;
        }
    }
    if (cfg.fault == Fault::Garbage) {
        record.replies = GarbageReply;
        finish(SimWrite::Outcome::NoFrame);
        return send(GarbageReply, cfg.paced, line);
    }
    // "R" opens the transfer; the byte after it means nothing.
    record.replies =
        cfg.fault == Fault::RThenSilence ? QByteArrayLiteral("R") : QByteArrayLiteral("R\r");
    Wait result = send(record.replies, cfg.paced, line);
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
        if (record.fields.size() == FieldCount) {
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
    return send(ack, cfg.paced, line);
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

// --- SimModule ---------------------------------------------------------------------------

SimModule::SimModule() : d(std::make_unique<Private>()) {}

SimModule::~SimModule()
{
    stop();
}

bool SimModule::start(const QString& comName, const QString& deviceDirectory, QString* error)
{
    const auto failed = [&](const QString& why) {
        if (error) {
            *error = why;
        }
        if (d->master >= 0) {
            ::close(d->master);
            d->master = -1;
        }
        for (int* fd : {&d->wakeRead, &d->wakeWrite, &d->watch}) {
            if (*fd >= 0) {
                ::close(*fd);
                *fd = -1;
            }
        }
        return false;
    };
    if (d->thread.joinable()) {
        return failed(QStringLiteral("already running"));
    }
    const int n = comNumber(comName);
    if (n == 0) {
        return failed(QStringLiteral("not a COM name: %1").arg(comName));
    }
    QString directory = deviceDirectory;
    if (directory.isEmpty()) {
        directory = qEnvironmentVariable("VEXAGRID_DOSDEVICES");
    }
    if (directory.isEmpty()) {
        return failed(QStringLiteral("no device directory"));
    }
    if (!QDir().mkpath(directory)) {
        return failed(QStringLiteral("cannot make %1").arg(directory));
    }
    directory = QFileInfo(directory).absoluteFilePath();
    const QString entry = directory + QStringLiteral("/com%1").arg(n);
    const QFileInfo existing(entry);
    if (existing.isSymLink() && !existing.exists()) {
        QFile::remove(entry); // left behind by a module that died
    } else if (existing.exists() || existing.isSymLink()) {
        return failed(QStringLiteral("%1 exists already").arg(entry));
    }

    d->master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (d->master < 0 || ::grantpt(d->master) != 0 || ::unlockpt(d->master) != 0) {
        return failed(QStringLiteral("no pseudo-terminal: %1").arg(qt_error_string(errno)));
    }
    ::fcntl(d->master, F_SETFL, ::fcntl(d->master, F_GETFL) | O_NONBLOCK);
    ::fcntl(d->master, F_SETFD, FD_CLOEXEC);
    char name[256];
    if (::ptsname_r(d->master, name, sizeof name) != 0) {
        return failed(QStringLiteral("no slave name"));
    }
    // Raw from the start, so nothing is echoed or translated before the program has set
    // the line up (it sets raw mode itself as well).
    termios settings{};
    ::tcgetattr(d->master, &settings);
    ::cfmakeraw(&settings);
    ::tcsetattr(d->master, TCSANOW, &settings);

    int wake[2];
    if (::pipe2(wake, O_NONBLOCK | O_CLOEXEC) != 0) {
        return failed(QStringLiteral("no pipe"));
    }
    d->wakeRead = wake[0];
    d->wakeWrite = wake[1];
    // The program opening and closing the slave is seen through inotify, so the module
    // knows when the line is in use without polling.
    d->watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (d->watch >= 0 && ::inotify_add_watch(d->watch, name, IN_OPEN | IN_CLOSE) < 0) {
        ::close(d->watch);
        d->watch = -1;
    }
    if (::symlink(name, QFile::encodeName(entry).constData()) != 0) {
        return failed(QStringLiteral("cannot make %1: %2").arg(entry, qt_error_string(errno)));
    }

    d->comName = QStringLiteral("COM%1").arg(n);
    d->directory = directory;
    d->entry = entry;
    d->slave = QString::fromLocal8Bit(name);
    d->stopRequested = false;
    d->vanishRequested = false;
    d->vanished = false;
    d->connected = false;
    d->pending.clear();
    d->clock.start();
    d->running = true;
    d->thread = std::thread([this] { d->run(); });
    qCInfo(lcSim).noquote() << d->comName << "serving on" << d->slave << "as" << entry;
    return true;
}

void SimModule::stop()
{
    if (!d->thread.joinable()) {
        return;
    }
    d->stopRequested = true;
    d->wake();
    d->thread.join();
    d->removeEntry();
    if (d->master >= 0) {
        ::close(d->master);
        d->master = -1;
    }
    for (int* fd : {&d->wakeRead, &d->wakeWrite, &d->watch}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
    d->running = false;
    qCInfo(lcSim).noquote() << d->comName << "stopped";
}

bool SimModule::isRunning() const
{
    return d->running;
}

QString SimModule::comName() const
{
    return d->comName;
}

QString SimModule::deviceDirectory() const
{
    return d->directory;
}

QString SimModule::entryPath() const
{
    return d->entry;
}

QString SimModule::slavePath() const
{
    return d->slave;
}

void SimModule::setIdentification(const QString& text)
{
    QMutexLocker lock(&d->mutex);
    d->config.identification = text.toLatin1();
}

QString SimModule::identification() const
{
    QMutexLocker lock(&d->mutex);
    return QString::fromLatin1(d->config.identification);
}

bool SimModule::setFields(const QStringList& fields)
{
    if (fields.size() != FieldCount) {
        return false;
    }
    QList<QByteArray> bytes;
    for (const QString& field : fields) {
        bytes.append(field.toLatin1());
    }
    QMutexLocker lock(&d->mutex);
    d->config.fields = bytes;
    return true;
}

bool SimModule::setField(int number, const QString& text)
{
    if (number < 1 || number > FieldCount) {
        return false;
    }
    QMutexLocker lock(&d->mutex);
    d->config.fields[number - 1] = text.toLatin1();
    return true;
}

QStringList SimModule::fields() const
{
    QMutexLocker lock(&d->mutex);
    QStringList texts;
    for (const QByteArray& field : d->config.fields) {
        texts.append(QString::fromLatin1(field));
    }
    return texts;
}

QString SimModule::field(int number) const
{
    if (number < 1 || number > FieldCount) {
        return QString();
    }
    QMutexLocker lock(&d->mutex);
    return QString::fromLatin1(d->config.fields.at(number - 1));
}

void SimModule::eraseMemory()
{
    QMutexLocker lock(&d->mutex);
    d->config.fields = erasedMemory();
}

void SimModule::setReadOutFormat(ReadOutFormat format)
{
    QMutexLocker lock(&d->mutex);
    d->config.format = format;
}

SimModule::ReadOutFormat SimModule::readOutFormat() const
{
    QMutexLocker lock(&d->mutex);
    return d->config.format;
}

void SimModule::setStatus(const SimStatus& status)
{
    QMutexLocker lock(&d->mutex);
    d->config.status = status;
}

SimStatus SimModule::status() const
{
    QMutexLocker lock(&d->mutex);
    return d->config.status;
}

void SimModule::setRawReply(Request request, const QByteArray& bytes)
{
    QMutexLocker lock(&d->mutex);
    switch (request) {
    case Request::Identification:
        d->config.rawIdentification = bytes;
        d->config.hasRawIdentification = true;
        break;
    case Request::ReadOut:
        d->config.rawReadOut = bytes;
        d->config.hasRawReadOut = true;
        break;
    case Request::Status:
        d->config.rawStatus = bytes;
        d->config.hasRawStatus = true;
        break;
    case Request::Write:
        break;
    }
}

void SimModule::clearRawReply(Request request)
{
    QMutexLocker lock(&d->mutex);
    switch (request) {
    case Request::Identification:
        d->config.hasRawIdentification = false;
        break;
    case Request::ReadOut:
        d->config.hasRawReadOut = false;
        break;
    case Request::Status:
        d->config.hasRawStatus = false;
        break;
    case Request::Write:
        break;
    }
}

void SimModule::setFault(Fault fault)
{
    {
        QMutexLocker lock(&d->mutex);
        d->config.fault = fault;
    }
    d->wake();
}

SimModule::Fault SimModule::fault() const
{
    QMutexLocker lock(&d->mutex);
    return d->config.fault;
}

void SimModule::setPaced(bool paced)
{
    QMutexLocker lock(&d->mutex);
    d->config.paced = paced;
}

bool SimModule::isPaced() const
{
    QMutexLocker lock(&d->mutex);
    return d->config.paced;
}

void SimModule::setReplyDelay(int ms)
{
    QMutexLocker lock(&d->mutex);
    d->config.replyDelayMs = qMax(0, ms);
}

void SimModule::setAckDelay(int ms)
{
    QMutexLocker lock(&d->mutex);
    d->config.ackDelayMs = qMax(0, ms);
}

void SimModule::setCutAfter(int bytes)
{
    QMutexLocker lock(&d->mutex);
    d->config.cutAfter = bytes;
}

void SimModule::setVanishAfter(int bytes)
{
    QMutexLocker lock(&d->mutex);
    d->config.vanishAfter = qMax(0, bytes);
}

void SimModule::setFrameTimeout(int ms)
{
    QMutexLocker lock(&d->mutex);
    d->config.frameTimeoutMs = qMax(1, ms);
}

void SimModule::vanish()
{
    if (!d->thread.joinable() || d->vanished) {
        return;
    }
    d->vanishRequested = true;
    d->wake();
    QMutexLocker lock(&d->mutex);
    QDeadlineTimer deadline(5000);
    while (!d->vanished && !deadline.hasExpired()) {
        d->changed.wait(&d->mutex, deadline);
    }
}

bool SimModule::hasVanished() const
{
    return d->vanished;
}

QByteArray SimModule::received() const
{
    QMutexLocker lock(&d->mutex);
    return d->received;
}

QList<SimRequest> SimModule::requests() const
{
    QMutexLocker lock(&d->mutex);
    return d->requests;
}

QList<SimWrite> SimModule::writes() const
{
    QMutexLocker lock(&d->mutex);
    return d->writes;
}

void SimModule::clearRecordings()
{
    QMutexLocker lock(&d->mutex);
    d->received.clear();
    d->requests.clear();
    d->writes.clear();
}

int SimModule::openCount() const
{
    QMutexLocker lock(&d->mutex);
    return d->opens;
}

int SimModule::closeCount() const
{
    QMutexLocker lock(&d->mutex);
    return d->closes;
}

namespace {

template <typename Condition>
bool waitUntil(QMutex& mutex, QWaitCondition& changed, int timeoutMs, Condition reached)
{
    QMutexLocker lock(&mutex);
    QDeadlineTimer deadline(timeoutMs);
    while (!reached()) {
        if (deadline.hasExpired()) {
            return false;
        }
        changed.wait(&mutex, deadline);
    }
    return true;
}

} // namespace

bool SimModule::waitForReceived(qsizetype bytes, int timeoutMs)
{
    return waitUntil(d->mutex, d->changed, timeoutMs, [&] { return d->received.size() >= bytes; });
}

bool SimModule::waitForRequests(int count, int timeoutMs)
{
    return waitUntil(d->mutex, d->changed, timeoutMs, [&] { return d->requests.size() >= count; });
}

bool SimModule::waitForWrites(int count, int timeoutMs)
{
    return waitUntil(d->mutex, d->changed, timeoutMs, [&] { return d->writes.size() >= count; });
}

bool SimModule::waitForCloses(int count, int timeoutMs)
{
    return waitUntil(d->mutex, d->changed, timeoutMs, [&] { return d->closes >= count; });
}

// --- Persistence -------------------------------------------------------------------------

namespace {

QJsonObject stateObject(const Config& cfg)
{
    QJsonArray fields;
    for (const QByteArray& field : cfg.fields) {
        fields.append(QString::fromLatin1(field));
    }
    auto flags = [](const bool* values, int count) {
        QJsonArray array;
        for (int i = 0; i < count; ++i) {
            array.append(values[i]);
        }
        return array;
    };
    QJsonObject status;
    status.insert(QStringLiteral("outputs"), flags(cfg.status.outputs, 4));
    status.insert(QStringLiteral("phaseAlarms"), flags(cfg.status.phaseAlarms, 3));
    status.insert(QStringLiteral("input4"), cfg.status.input4);
    status.insert(QStringLiteral("analog"), cfg.status.analog);
    status.insert(QStringLiteral("counter"), cfg.status.counter);
    status.insert(QStringLiteral("supply"), cfg.status.supply);
    status.insert(QStringLiteral("signal"), cfg.status.signal);
    status.insert(QStringLiteral("firmware"), cfg.status.firmware);

    QJsonObject root;
    root.insert(QStringLiteral("identification"), QString::fromLatin1(cfg.identification));
    root.insert(QStringLiteral("readOutFormat"), cfg.format == SimModule::ReadOutFormat::Pipe
                                                     ? QStringLiteral("pipe")
                                                     : QStringLiteral("crlf"));
    root.insert(QStringLiteral("fields"), fields);
    root.insert(QStringLiteral("status"), status);
    return root;
}

bool writeState(const QString& path, const Config& cfg, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) {
            *error = file.errorString();
        }
        return false;
    }
    file.write(QJsonDocument(stateObject(cfg)).toJson());
    if (!file.commit()) {
        if (error) {
            *error = file.errorString();
        }
        return false;
    }
    return true;
}

} // namespace

bool SimModule::saveState(const QString& path, QString* error) const
{
    return writeState(path, d->snapshot(), error);
}

bool SimModule::loadState(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) {
            *error = file.errorString();
        }
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    const QJsonObject root = document.object();
    const QJsonArray fields = root.value(QStringLiteral("fields")).toArray();
    if (document.isNull() || fields.size() != FieldCount) {
        if (error) {
            *error = document.isNull() ? parseError.errorString()
                                       : QStringLiteral("not %1 fields").arg(FieldCount);
        }
        return false;
    }
    QMutexLocker lock(&d->mutex);
    Config& cfg = d->config;
    cfg.fields.clear();
    for (const QJsonValue& field : fields) {
        cfg.fields.append(field.toString().toLatin1());
    }
    if (root.contains(QStringLiteral("identification"))) {
        cfg.identification = root.value(QStringLiteral("identification")).toString().toLatin1();
    }
    cfg.format = root.value(QStringLiteral("readOutFormat")).toString() == QLatin1String("pipe")
                     ? ReadOutFormat::Pipe
                     : ReadOutFormat::CrLf;
    const QJsonObject status = root.value(QStringLiteral("status")).toObject();
    if (!status.isEmpty()) {
        const QJsonArray outputs = status.value(QStringLiteral("outputs")).toArray();
        for (int i = 0; i < 4; ++i) {
            cfg.status.outputs[i] = outputs.at(i).toBool();
        }
        const QJsonArray alarms = status.value(QStringLiteral("phaseAlarms")).toArray();
        for (int i = 0; i < 3; ++i) {
            cfg.status.phaseAlarms[i] = alarms.at(i).toBool();
        }
        cfg.status.input4 = status.value(QStringLiteral("input4")).toBool();
        cfg.status.analog = status.value(QStringLiteral("analog")).toString();
        cfg.status.counter = status.value(QStringLiteral("counter")).toString();
        cfg.status.supply = status.value(QStringLiteral("supply")).toBool(true);
        cfg.status.signal = status.value(QStringLiteral("signal")).toInt();
        cfg.status.firmware = status.value(QStringLiteral("firmware")).toString();
    }
    return true;
}

bool SimModule::setStateFile(const QString& path, QString* error)
{
    const bool ok = QFileInfo::exists(path) ? loadState(path, error) : saveState(path, error);
    if (ok) {
        QMutexLocker lock(&d->mutex);
        d->stateFile = path;
    }
    return ok;
}

// --- Helpers -----------------------------------------------------------------------------

QString SimModule::phoneField(int permissionMask, int output, bool sms, const QString& number)
{
    const QChar permission(ushort((0x30 + permissionMask) & 0xFF));
    const QChar mode(ushort((0x30 + output + (sms ? 0 : 8)) & 0xFF));
    return QString(permission) + mode + number;
}

QStringList SimModule::sampleFields()
{
    QStringList f;
    f << QStringLiteral("36309888000")  // 1 SMS centre
      << QStringLiteral("1234")         // 2 PIN
      << QStringLiteral("0001")         // 3 module id
      << QStringLiteral("Szivattyuhaz") // 4 name
      << QStringLiteral("1")            // 5 inputs report their return
      << QStringLiteral("0005")         // 6 relay time
      << QStringLiteral("5")            // 7 SMS limit
      << QStringLiteral("05")           // 8 outputs 1 and 3 monostable
      << QStringLiteral("000") << QStringLiteral("299") << QStringLiteral("1")
      << QStringLiteral("99999");
    for (int i = 13; i <= 16; ++i) {
        f << QString();
    }
    f << QStringLiteral("Analog alacsony") << QStringLiteral("Analog magas")
      << QStringLiteral("Analog vissza") << QStringLiteral("Szamlalo") << QString() << QString()
      << QStringLiteral("Analog 1") << QStringLiteral("Analog 2");
    f << QStringLiteral("Fazis R") << QStringLiteral("Fazis S") << QStringLiteral("Fazis T")
      << QStringLiteral("Bemenet 4");
    f << QStringLiteral("R kimaradt") << QStringLiteral("S kimaradt")
      << QStringLiteral("T kimaradt") << QStringLiteral("Be4 aktiv");
    f << QStringLiteral("R visszajott") << QStringLiteral("S visszajott")
      << QStringLiteral("T visszajott") << QStringLiteral("Be4 nyugalom");
    f << QStringLiteral("Kimenet 1 be") << QStringLiteral("Kimenet 2 be")
      << QStringLiteral("Kimenet 3 be") << QStringLiteral("Kimenet 4 be");
    f << QStringLiteral("Kimenet 1 ki") << QStringLiteral("Kimenet 2 ki")
      << QStringLiteral("Kimenet 3 ki") << QStringLiteral("Kimenet 4 ki");
    f << QStringLiteral("TORLES") << QStringLiteral("RIASZTAS BE") << QStringLiteral("RIASZTAS KI")
      << QString();
    f << phoneField(1 + 2 + 4 + 8 + 64, 1, true, QStringLiteral("36301234567"))
      << phoneField(1 + 2, 0, true, QStringLiteral("36209876543"))
      << phoneField(64, 2, false, QStringLiteral("36701112233"));
    for (int row = 4; row <= 8; ++row) {
        f << phoneField(0, 0, false, QString());
    }
    return f;
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
