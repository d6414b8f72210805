#include "cli/fleet.h"

#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <memory>
#include <vector>

namespace cli {

namespace {

constexpr int kMonitorMs = 200;

struct Slot
{
    Context context;
    Progress progress;
    Result result;
    QThread* thread = nullptr;
};

} // namespace

QList<Result> runFleet(const QList<Target>& targets, qint32 baud, const Job& job,
                       const std::atomic<bool>* stop, const Monitor& monitor)
{
    std::vector<std::unique_ptr<Slot>> modules;
    QList<Running> running;
    for (const Target& target : targets) {
        auto slot = std::make_unique<Slot>();
        slot->context.port = target.port;
        slot->context.baud = baud;
        slot->context.stop = stop;
        slot->context.identification = target.identification;
        slot->context.progress = &slot->progress;
        running.append({target.port, &slot->progress});
        modules.push_back(std::move(slot));
    }

    QEventLoop loop;
    int working = int(modules.size());
    for (const auto& slot : modules) {
        Slot* const s = slot.get();
        s->thread = QThread::create([s, &job] {
            s->result = job(s->context);
            s->result.port = s->context.port;
            s->progress.phase = int(s->result.ok ? Phase::Done : Phase::Failed);
        });
        QObject::connect(s->thread, &QThread::finished, &loop, [&loop, &working] {
            if (--working == 0)
                loop.quit();
        });
    }

    QTimer tick;
    if (monitor) {
        QObject::connect(&tick, &QTimer::timeout, &loop,
                         [&monitor, &running] { monitor(running, false); });
        tick.start(kMonitorMs);
    }
    for (const auto& slot : modules)
        slot->thread->start();
    if (working > 0)
        loop.exec();
    tick.stop();
    if (monitor)
        monitor(running, true);

    QList<Result> results;
    for (const auto& slot : modules) {
        slot->thread->wait();
        delete slot->thread;
        results.append(slot->result);
    }
    return results;
}

} // namespace cli
