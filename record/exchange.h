#pragma once

#include "device/conversations.h"
#include "record/event.h"

#include <QString>

// An exchange with a module as the record keeps it: the window and the command line make
// their events here, so that what is stored of an exchange is decided once.
namespace record {

// A new event of `operation` on `port` in the run `runId`, with what the system says of the
// port's adapter (looked up, never opened: the exchange is about to open it).
Event eventFor(Operation operation, const QString& runId, const QString& port);
// The same with the adapter's facts already known.
Event eventFor(Operation operation, const QString& runId, const QString& port,
               const PortMap::Adapter& adapter);

// What the exchange found: its outcome (the code's name and the command line's one-line
// words; `succeeded` names a success in the user's words, "" when it has none) and, when the
// module answered the identification, its reply as the window shows it.
void takeResult(Event& event, const conversation::Result& result, const QString& succeeded = {});

} // namespace record
