#include "app/windowsync.h"

#include "record/record.h"

#include <QLabel>
#include <QStatusBar>
#include <QThread>

// What a sync left: how many events wait (none when even that could not be learned), and
// why it failed.
struct WindowSync::Outcome
{
    std::optional<qint64> unsynced;
    std::optional<Failure> failure;
};

namespace {

// On the sync's thread, with a connection of its own to the record, closed before it ends.
void syncRecord(const QString& path, const Expected<record::remote::Url>& url,
                std::optional<qint64>& unsynced, std::optional<Failure>& failure)
{
    Expected<record::Record> opened = record::Record::open(path);
    if (!opened) {
        failure = opened.failure();
        return;
    }
    const Expected<record::remote::SyncReport> synced =
        url ? record::remote::syncBriefly(*opened, *url)
            : Expected<record::remote::SyncReport>(url.failure());
    if (synced) {
        unsynced = synced->unsynced;
        return;
    }
    failure = synced.failure();
    if (const Expected<qint64> waiting = opened->unpushedCount())
        unsynced = *waiting;
}

} // namespace

WindowSync::WindowSync(const record::Location& location, QStatusBar* bar, QObject* parent)
    : QObject(parent)
{
    const std::optional<QString> remote = record::remote::urlFromEnvironment();
    m_on = remote && !location.isOff();
    if (!m_on)
        return;
    m_path = location.path;
    m_url = record::remote::parseUrl(*remote);
    m_label = new QLabel(bar);
    m_label->setObjectName(QStringLiteral("unsyncedLabel"));
    bar->addPermanentWidget(m_label);
    m_label->hide();
}

WindowSync::~WindowSync()
{
    m_pending = false;
    if (m_thread)
        m_thread->wait();
}

void WindowSync::request()
{
    if (!m_on)
        return;
    if (m_thread) {
        m_pending = true;
        return;
    }
    start();
}

void WindowSync::start()
{
    m_pending = false;
    auto outcome = std::make_shared<Outcome>();
    m_outcome = outcome;
    m_thread.reset(QThread::create([outcome, path = m_path, url = *m_url] {
        syncRecord(path, url, outcome->unsynced, outcome->failure);
    }));
    m_thread->setObjectName(QStringLiteral("vexagrid-sync"));
    connect(m_thread.get(), &QThread::finished, this, &WindowSync::finished);
    m_thread->start(QThread::LowPriority);
}

void WindowSync::finished()
{
    m_thread->wait();
    m_thread.reset();
    show(*m_outcome);
    m_outcome.reset();
    emit ended();
    if (m_pending)
        start();
}

void WindowSync::show(const Outcome& outcome)
{
    m_label->setToolTip(
        outcome.failure
            ? outcome.failure->message
            : QStringLiteral("Ennyi esemény vár még a közös előzmények szerverére; a következő "
                             "szinkronizálás viszi tovább."));
    // Not knowing how many wait (the record itself failed) leaves the last count standing.
    if (!outcome.unsynced)
        return;
    m_label->setText(record::remote::unsyncedText(*outcome.unsynced));
    m_label->setVisible(*outcome.unsynced > 0);
}
