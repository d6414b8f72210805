#pragma once

#include "fleet/observer.h"
#include "fleet/result.h"
#include "fleet/tasks.h"

#include <QList>
#include <QObject>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QThread;

// Many modules at once: one thread and one serial port per module (a SerialPort belongs to
// the thread that opens it). Nothing here prints or shows; a view follows a run through its
// signals and the modules' Progress, and stops it with its stop flag.
namespace fleet {

using Job = std::function<Result(Context& context)>;

struct Target
{
    QString port;
    std::optional<conversation::Result> identification; // a search's, when there was one
};

// What every module of a run shares.
struct Setup
{
    qint32 baud = 1200;
    // The view's: once set, no module starts another step, and writes stop between bytes.
    const std::atomic<bool>* stop = nullptr;
    Observer* observer = nullptr; // none: Observer::none(); it must outlive the run
    QStringList defaults;         // the defaults file's lines (plan.h: loadDefaults)
};

// A module at work, as a progress display sees it.
struct Running
{
    QString port;
    const Progress* progress = nullptr;
};

// `job` for every target at once, started by start(). The signals come on the thread that
// owns the run. Destroying it waits for every module's thread: set the stop flag first to
// make that quick.
class Run : public QObject
{
    Q_OBJECT

public:
    Run(const QList<Target>& targets, const Setup& setup, Job job, QObject* parent = nullptr);
    ~Run() override;

    void start();
    bool isFinished() const { return m_started && m_working == 0; }

    // The modules in the targets' order; their progress may be read from any thread.
    QList<Running> modules() const;
    // A module's result once moduleFinished() has named it; all of them once finished().
    const Result& result(int index) const;
    QList<Result> results() const;

signals:
    void moduleFinished(int index);
    void finished();

private:
    struct Slot;
    std::vector<std::unique_ptr<Slot>> m_slots;
    Job m_job;
    int m_working = 0;
    bool m_started = false;
};

// Called on the calling thread a few times a second while the modules work, and once more
// with `done` when every one has ended.
using Monitor = std::function<void(const QList<Running>& modules, bool done)>;

// A Run on the calling thread, returning when every module has ended: the results in the
// targets' order.
QList<Result> runFleet(const QList<Target>& targets, const Setup& setup, const Job& job,
                       const Monitor& monitor = {});

} // namespace fleet
