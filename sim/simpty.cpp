// The pseudo-terminal side of the simulated module: opening the pty in raw mode and
// registering it, noticing the program's opens and closes, waiting on the line, sending
// paced or not, and vanishing.

#include "sim/simmodule_p.h"

#include "sim/linespeed.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <climits>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <termios.h>
#include <unistd.h>

using simdetail::Wait;

namespace {

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

} // namespace

// --- The line ----------------------------------------------------------------------------

int SimModule::comNumber(const QString& name)
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

void SimModule::Private::wake()
{
    if (wakeWrite >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = ::write(wakeWrite, &byte, 1);
    }
}

void SimModule::Private::drainWake()
{
    char buffer[64];
    while (::read(wakeRead, buffer, sizeof buffer) > 0) {
    }
}

void SimModule::Private::removeEntry()
{
    char target[PATH_MAX];
    const QByteArray path = QFile::encodeName(entry);
    const ssize_t n = ::readlink(path.constData(), target, sizeof target - 1);
    if (n > 0 && QByteArray(target, int(n)) == QFile::encodeName(slave)) {
        ::unlink(path.constData());
    }
}

void SimModule::Private::closeDescriptors()
{
    if (master >= 0) {
        ::close(master);
        master = -1;
    }
    for (int* fd : {&wakeRead, &wakeWrite, &watch}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
}

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
        if (returnOnWake && woken) {
            woken = false;
            return Wait::Woken;
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
            // Kept until a wait that asks for it, so that no change goes unnoticed.
            drainWake();
            woken = true;
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

Wait SimModule::Private::send(const QByteArray& data, bool paced)
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
    const SimLineSettings line = lineSettings();
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
        // Whether the program has the line right now is the master's to say: it hangs up
        // exactly while no one holds the slave. The counted events only tell that the
        // program has opened it at all (a fresh pty does not hang up before its first
        // open); inotify folds two equal events in a row into one, so the program opening
        // again just while endSession() opens the slave itself would otherwise go
        // uncounted, and the module would wait for an open that has already happened.
        bool programThere = watch < 0;
        {
            QMutexLocker lock(&mutex);
            programThere = programThere || opens > 0;
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
    }
    QMutexLocker lock(&mutex);
    if (fd < 0) {
        --ownOpens;
        --ownCloses;
    }
    ++sessionEnds;
    changed.wakeAll();
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

// --- Starting and stopping ---------------------------------------------------------------

namespace {

bool failed(QString* error, const QString& why)
{
    if (error) {
        *error = why;
    }
    return false;
}

// The device directory for the entry of COM number n (made when missing; "" means
// $VEXAGRID_DOSDEVICES), when that entry is free to take: not there, or a dangling one
// left by a module that died.
bool entryDirectory(int n, const QString& deviceDirectory, QString* directory, QString* error)
{
    *directory =
        deviceDirectory.isEmpty() ? qEnvironmentVariable("VEXAGRID_DOSDEVICES") : deviceDirectory;
    if (directory->isEmpty()) {
        return failed(error, QStringLiteral("no device directory"));
    }
    if (!QDir().mkpath(*directory)) {
        return failed(error, QStringLiteral("cannot make %1").arg(*directory));
    }
    *directory = QFileInfo(*directory).absoluteFilePath();
    const QString entry = *directory + QStringLiteral("/com%1").arg(n);
    const QFileInfo existing(entry);
    if (existing.isSymLink() && !existing.exists()) {
        QFile::remove(entry);
    } else if (existing.exists() || existing.isSymLink()) {
        return failed(error, QStringLiteral("%1 exists already").arg(entry));
    }
    return true;
}

} // namespace

// The pty in raw mode, the pipe that wakes the serving thread and the watch on the slave.
bool SimModule::Private::openLine(QString* slaveName, QString* error)
{
    master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        return failed(error, QStringLiteral("no pseudo-terminal: %1").arg(qt_error_string(errno)));
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    char name[256];
    if (::ptsname_r(master, name, sizeof name) != 0) {
        return failed(error, QStringLiteral("no slave name"));
    }
    *slaveName = QString::fromLocal8Bit(name);
    // Raw from the start, so nothing is echoed or translated before the program has set
    // the line up (it sets raw mode itself as well).
    termios settings{};
    ::tcgetattr(master, &settings);
    ::cfmakeraw(&settings);
    ::tcsetattr(master, TCSANOW, &settings);

    int wakePipe[2];
    if (::pipe2(wakePipe, O_NONBLOCK | O_CLOEXEC) != 0) {
        return failed(error, QStringLiteral("no pipe"));
    }
    wakeRead = wakePipe[0];
    wakeWrite = wakePipe[1];
    // The program opening and closing the slave is seen through inotify, so the module
    // knows when the line is in use without polling.
    watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch >= 0 && ::inotify_add_watch(watch, name, IN_OPEN | IN_CLOSE) < 0) {
        ::close(watch);
        watch = -1;
    }
    return true;
}

bool SimModule::start(const QString& comName, const QString& deviceDirectory, QString* error)
{
    if (d->thread.joinable()) {
        return failed(error, QStringLiteral("already running"));
    }
    const int n = comNumber(comName);
    if (n == 0) {
        return failed(error, QStringLiteral("not a COM name: %1").arg(comName));
    }
    QString why;
    QString directory;
    QString slave;
    bool ready = entryDirectory(n, deviceDirectory, &directory, &why) && d->openLine(&slave, &why);
    const QString entry = directory + QStringLiteral("/com%1").arg(n);
    if (ready && ::symlink(QFile::encodeName(slave).constData(),
                           QFile::encodeName(entry).constData()) != 0) {
        why = QStringLiteral("cannot make %1: %2").arg(entry, qt_error_string(errno));
        ready = false;
    }
    if (!ready) {
        d->closeDescriptors();
        return failed(error, why);
    }
    d->comName = QStringLiteral("COM%1").arg(n);
    d->directory = directory;
    d->entry = entry;
    d->slave = slave;
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
    d->closeDescriptors();
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

// --- Vanishing ---------------------------------------------------------------------------

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
