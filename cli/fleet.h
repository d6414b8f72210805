#pragma once

#include "cli/tasks.h"

#include <QList>

#include <atomic>
#include <functional>
#include <optional>

// Many modules at once: one thread and one serial port per module. It prints nothing; what
// it shows of the work, it shows through a Monitor.
namespace cli {

using Job = std::function<Result(Context& context)>;

struct Target
{
    QString port;
    std::optional<conversation::Result> identification;
};

// A module at work, as a progress display sees it.
struct Running
{
    QString port;
    const Progress* progress = nullptr;
};

// Called on the calling thread a few times a second while the modules work, and once more
// with `done` when every one has ended.
using Monitor = std::function<void(const QList<Running>& modules, bool done)>;

// Runs `job` for every target at once, each on a QThread of its own (a SerialPort belongs to
// the thread that opens it), with `stop` in every context: once it is set, no module starts
// another step, and writes stop between bytes. Returns when every thread has ended, the
// results in the targets' order.
QList<Result> runFleet(const QList<Target>& targets, qint32 baud, const Job& job,
                       const std::atomic<bool>* stop, const Monitor& monitor = {});

} // namespace cli
