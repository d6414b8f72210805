#include "fleet/run.h"

#include <QEventLoop>
#include <QThread>
#include <QTimer>

namespace fleet {

namespace {

constexpr int kMonitorMs = 200;

} // namespace

struct Run::Slot
{
    Context context;
    Progress progress;
    Result result;
    std::unique_ptr<QThread> thread;
};

Run::Run(const QList<Target>& targets, const Setup& setup, Job job, QObject* parent)
    : QObject(parent), m_job(std::move(job))
{
    for (const Target& target : targets) {
        auto slot = std::make_unique<Slot>();
        Context& context = slot->context;
        context.port = target.port;
        context.baud = setup.baud;
        context.stop = setup.stop;
        context.observer = setup.observer ? setup.observer : &Observer::none();
        context.defaults = setup.defaults;
        context.identification = target.identification;
        context.progress = &slot->progress;
        m_slots.push_back(std::move(slot));
    }
}

Run::~Run()
{
    for (const auto& slot : m_slots) {
        if (slot->thread)
            slot->thread->wait();
    }
}

void Run::start()
{
    if (m_started)
        return;
    m_started = true;
    m_working = int(m_slots.size());
    if (m_slots.empty()) {
        QMetaObject::invokeMethod(this, &Run::finished, Qt::QueuedConnection);
        return;
    }
    for (int index = 0; index < int(m_slots.size()); ++index) {
        Slot* const slot = m_slots[std::size_t(index)].get();
        slot->thread.reset(QThread::create([slot, this] {
            slot->result = m_job(slot->context);
            slot->result.port = slot->context.port;
            slot->progress.phase = int(slot->result.ok ? Phase::Done : Phase::Failed);
        }));
        // Delivered on this object's thread, after the module's thread has written its result.
        connect(slot->thread.get(), &QThread::finished, this, [this, index] {
            emit moduleFinished(index);
            if (--m_working == 0)
                emit finished();
        });
    }
    for (const auto& slot : m_slots)
        slot->thread->start();
}

QList<Running> Run::modules() const
{
    QList<Running> running;
    for (const auto& slot : m_slots)
        running.append({slot->context.port, &slot->progress});
    return running;
}

const Result& Run::result(int index) const
{
    return m_slots.at(std::size_t(index))->result;
}

QList<Result> Run::results() const
{
    QList<Result> results;
    for (const auto& slot : m_slots)
        results.append(slot->result);
    return results;
}

QList<Result> runFleet(const QList<Target>& targets, const Setup& setup, const Job& job,
                       const Monitor& monitor)
{
    Run run(targets, setup, job);
    QEventLoop loop;
    QObject::connect(&run, &Run::finished, &loop, &QEventLoop::quit);
    const QList<Running> running = run.modules();
    QTimer tick;
    if (monitor) {
        QObject::connect(&tick, &QTimer::timeout, &loop,
                         [&monitor, &running] { monitor(running, false); });
        tick.start(kMonitorMs);
    }
    run.start();
    if (!run.isFinished())
        loop.exec();
    tick.stop();
    if (monitor)
        monitor(running, true);
    return run.results();
}

} // namespace fleet
