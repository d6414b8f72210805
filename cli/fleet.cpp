#include "cli/fleet.h"

#include "cli/interrupt.h"

#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <vector>

namespace cli {

namespace {

constexpr int kRedrawMs = 200;
constexpr int kBarWidth = 30;

struct Slot
{
    Context context;
    Progress progress;
    Result result;
    QThread* thread = nullptr;
};

const char* phaseName(Phase phase)
{
    switch (phase) {
    case Phase::Waiting:
        return "várakozás";
    case Phase::Identify:
        return "azonosítás";
    case Phase::Backup:
        return "mentés";
    case Phase::Write:
        return "betöltés";
    case Phase::Verify:
        return "ellenőrzés";
    case Phase::Read:
        return "kiolvasás";
    case Phase::Status:
        return "lekérdezés";
    case Phase::Done:
        return "kész";
    case Phase::Failed:
        return "hiba";
    }
    return "";
}

// One line per module, redrawn in place.
class Bars
{
public:
    explicit Bars(const std::vector<std::unique_ptr<Slot>>& modules) : m_modules(modules) {}

    void draw()
    {
        QByteArray out;
        if (m_drawn > 0)
            out += "\x1b[" + QByteArray::number(m_drawn) + "A";
        for (const auto& slot : m_modules) {
            const Progress& progress = slot->progress;
            const Phase phase = Phase(progress.phase.load());
            // A failed module's bar shows how far it got, and that it failed.
            const int maximum = progress.maximum;
            const int value = std::min(int(progress.value), maximum);
            const int filled = maximum > 0 ? value * kBarWidth / maximum : 0;
            QString line = QStringLiteral("%1 %2 [%3%4]")
                               .arg(slot->context.port, -6)
                               .arg(QString::fromUtf8(phaseName(phase)), -11)
                               .arg(QString(filled, u'#'), QString(kBarWidth - filled, u'.'));
            if (maximum > 0)
                line += QStringLiteral(" %1%").arg(value * 100 / maximum, 3);
            if (interrupt::requested() && phase != Phase::Done && phase != Phase::Failed)
                line += QStringLiteral(" leállítás...");
            out += "\r\x1b[2K" + line.toUtf8() + "\n";
        }
        m_drawn = int(m_modules.size());
        std::fwrite(out.constData(), 1, size_t(out.size()), stderr);
        std::fflush(stderr);
    }

    void clear()
    {
        if (m_drawn == 0)
            return;
        const QByteArray out = "\x1b[" + QByteArray::number(m_drawn) + "A\r\x1b[J";
        std::fwrite(out.constData(), 1, size_t(out.size()), stderr);
        std::fflush(stderr);
        m_drawn = 0;
    }

private:
    const std::vector<std::unique_ptr<Slot>>& m_modules;
    int m_drawn = 0;
};

} // namespace

QList<Result> runFleet(const QList<Target>& targets, qint32 baud, const Job& job, bool showProgress)
{
    std::vector<std::unique_ptr<Slot>> modules;
    for (const Target& target : targets) {
        auto slot = std::make_unique<Slot>();
        slot->context.port = target.port;
        slot->context.baud = baud;
        slot->context.stop = interrupt::flag();
        slot->context.identification = target.identification;
        slot->context.progress = &slot->progress;
        modules.push_back(std::move(slot));
    }

    QEventLoop loop;
    int running = int(modules.size());
    for (const auto& slot : modules) {
        Slot* const s = slot.get();
        s->thread = QThread::create([s, &job] {
            s->result = job(s->context);
            s->result.port = s->context.port;
            s->progress.phase = int(s->result.ok ? Phase::Done : Phase::Failed);
        });
        QObject::connect(s->thread, &QThread::finished, &loop, [&loop, &running] {
            if (--running == 0)
                loop.quit();
        });
    }

    Bars bars(modules);
    QTimer redraw;
    if (showProgress) {
        QObject::connect(&redraw, &QTimer::timeout, &loop, [&bars] { bars.draw(); });
        redraw.start(kRedrawMs);
    }
    for (const auto& slot : modules)
        slot->thread->start();
    if (running > 0)
        loop.exec();
    redraw.stop();
    if (showProgress)
        bars.clear();

    QList<Result> results;
    for (const auto& slot : modules) {
        slot->thread->wait();
        delete slot->thread;
        results.append(slot->result);
    }
    return results;
}

} // namespace cli
