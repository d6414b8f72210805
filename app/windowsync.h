#pragma once

#include "core/failure.h"
#include "record/location.h"
#include "record/remote.h"

#include <QObject>

#include <memory>
#include <optional>

class QLabel;
class QStatusBar;
class QThread;

// The window's share of the team's record. With a server set (VEXAGRID_RECORD_REMOTE) and the
// record on, the window syncs when it starts and after every exchange: each sync on a thread
// of its own with its own connections (a connection belongs to the thread that made it), so
// the GUI thread never waits on the network. One sync at a time; a request while one runs is
// remembered and runs once after it. Each is bounded like the command line's.
//
// A permanent status bar label says how many of this machine's events wait for the server,
// only while some do; its tooltip says why the last sync failed. A failure shows no box: a
// laptop offline at a site is normal, and what waits goes with a later sync.
class WindowSync : public QObject
{
    Q_OBJECT

public:
    WindowSync(const record::Location& location, QStatusBar* bar, QObject* parent = nullptr);
    // Waits for a running sync: it ends within its time limit. A remembered one is dropped.
    ~WindowSync() override;

    // A sync now, or once the running one has ended. Nothing when off.
    void request();

signals:
    // A sync ended, and the label shows what it left.
    void ended();

private:
    struct Outcome;

    void start();
    void finished();
    void show(const Outcome& outcome);

    bool m_on = false;
    QString m_path;
    std::optional<Expected<record::remote::Url>> m_url;
    QLabel* m_label = nullptr;
    std::unique_ptr<QThread> m_thread;
    std::shared_ptr<Outcome> m_outcome;
    bool m_pending = false;
};
