#pragma once

#include "cli/tasks.h"

#include <QList>

#include <functional>
#include <optional>

namespace cli {

using Job = std::function<Result(Context& context)>;

struct Target
{
    QString port;
    std::optional<conversation::Result> identification;
};

// Runs `job` for every target at once, each on a QThread of its own (a SerialPort belongs to
// the thread that opens it), with the interrupt's stop flag in every context. With
// `showProgress` each module gets a bar on stderr while it runs, which turns to "hiba" as
// soon as its module fails. Returns when every thread has ended, the results in the targets'
// order.
QList<Result> runFleet(const QList<Target>& targets, qint32 baud, const Job& job,
                       bool showProgress);

} // namespace cli
