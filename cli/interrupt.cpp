#include "cli/interrupt.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <chrono>
#include <condition_variable>
#include <mutex>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace cli::interrupt {

namespace {

std::atomic<bool> stopFlag{false};
std::mutex sleepMutex;
std::condition_variable sleepers;

void wakeSleepers()
{
    const std::lock_guard<std::mutex> lock(sleepMutex);
    sleepers.notify_all();
}

#ifdef Q_OS_WIN

// Windows calls this on a thread of its own, not inside an interrupted one, so it may set
// the flag and wake the sleepers itself.
BOOL WINAPI onConsoleEvent(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) {
        return FALSE;
    }
    // The second Ctrl+C is for a user who does not want to wait any more: FALSE hands it
    // to the default handler, which ends the process.
    if (stopFlag.exchange(true)) {
        return FALSE;
    }
    wakeSleepers();
    return TRUE;
}

} // namespace

void install()
{
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

#else

int wakePipe[2] = {-1, -1};

// Only async-signal-safe calls here: the flag and one byte into the pipe. The main thread's
// notifier then wakes the sleepers, which a signal handler may not do.
void onSignal(int)
{
    stopFlag.store(true);
    if (wakePipe[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = ::write(wakePipe[1], &byte, 1);
    }
}

void drainWakePipe()
{
    char buffer[16];
    while (::read(wakePipe[0], buffer, sizeof buffer) > 0) {
    }
    wakeSleepers();
}

} // namespace

void install()
{
    if (::pipe(wakePipe) == 0) {
        for (const int fd : wakePipe) {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        }
        auto* notifier =
            new QSocketNotifier(wakePipe[0], QSocketNotifier::Read, QCoreApplication::instance());
        QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] { drainWakePipe(); });
    }
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // The second Ctrl+C is for a user who does not want to wait any more.
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

#endif

const std::atomic<bool>* flag()
{
    return &stopFlag;
}

bool requested()
{
    return stopFlag.load();
}

bool sleep(int ms)
{
    std::unique_lock<std::mutex> lock(sleepMutex);
    return !sleepers.wait_for(lock, std::chrono::milliseconds(ms), [] { return stopFlag.load(); });
}

} // namespace cli::interrupt
