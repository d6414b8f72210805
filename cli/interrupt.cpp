#include "cli/interrupt.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace cli::interrupt {

namespace {

std::atomic<bool> stopFlag{false};
int wakePipe[2] = {-1, -1};
std::mutex sleepMutex;
std::condition_variable sleepers;

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

void wakeSleepers()
{
    char buffer[16];
    while (::read(wakePipe[0], buffer, sizeof buffer) > 0) {
    }
    const std::lock_guard<std::mutex> lock(sleepMutex);
    sleepers.notify_all();
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
        QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] { wakeSleepers(); });
    }
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // The second Ctrl+C is for a user who does not want to wait any more.
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

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
