#pragma once

#include "core/failure.h"
#include "device/portmap.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

// The one seam through which every exchange the engine makes with a module can be kept (the
// record of what was read from and written into which module, when, and how it ended). A view
// passes an Observer with the run (Setup::observer); every step that talks to a module tells it
// when the exchange starts and when it ends:
//
//   identification   Operation::Identify (the search for modules too)
//   read-out         Operation::ReadOut; before a write Backup, after it Verify
//   status query     Operation::Status
//   write            Operation::Write, or what the write's job names (Restore)
//
// started() comes before the exchange opens the port, so before the first byte of a frame;
// when it fails, the step does not talk to the module and fails with that failure (a write
// whose event cannot be stored never starts). finished() follows every exchange that
// started, whatever its outcome, an interrupt included. Both are called on the threads that
// work on the modules, several at once: an implementation guards what it shares.
namespace fleet {

enum class Operation { Identify, ReadOut, Status, Write, Backup, Verify, Restore };

// One exchange with a module, as the step that makes it knows it.
struct Exchange
{
    Operation operation = Operation::Identify;
    QString port; // "COM3"
    // At the end: the port's device as the exchange found it (the device, the adapter's
    // description, maker and serial number; why it did not open).
    PortMap::PortState device;
    // The module's identification as the window shows it, once known ("" before).
    QString identification;
    // The module's identifier (m_id) when the exchange knows it: a write's, the one it sends;
    // a read-out's, the one it read; otherwise the one read earlier in the same work.
    QString moduleId;
    // The configuration read (read-out, backup, verify) or sent (write, restore), as the lines
    // of a configuration file.
    QStringList configuration;
    QJsonObject status;     // a status query's values, as the command line's JSON names them
    QJsonArray differences; // a verify's differences, as diff's JSON lists them
    int bytesSent = 0;      // a write's, of its frame
    Failure outcome;        // Code::None when it succeeded
    QDateTime startedAt;    // UTC
    QDateTime finishedAt;
    // The observer's own: set in started() (an event's id, say), given back in finished().
    QString tag;
};

class Observer
{
public:
    virtual ~Observer() = default;

    // Once, before any module is touched, on the view's thread: a failure refuses the run.
    virtual Expected<void> ready() { return {}; }
    // Before the exchange talks to the module; a failure stops the step with that failure.
    virtual Expected<void> started(Exchange&) { return {}; }
    // After the exchange, with what it saw.
    virtual void finished(const Exchange&) {}

    // The observer that keeps nothing.
    static Observer& none();
};

} // namespace fleet
