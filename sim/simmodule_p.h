#pragma once

// The simulated module's insides, shared by its parts:
//   simprotocol.cpp  what it answers and how it misbehaves, without the line (SimProtocol)
//   simserve.cpp     the serving thread: bytes from the pty into the protocol, and its
//                    answers carried out on the line
//   simpty.cpp       the pseudo-terminal: opening it, noticing the program's opens and
//                    closes, waiting, sending (paced or not), vanishing
//   simmodule.cpp    the state, its setters and getters, the recordings and the waits on them
//   simstatefile.cpp the state file

#include "sim/simmodule.h"
#include "sim/simprotocol.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMutex>
#include <QString>
#include <QWaitCondition>

#include <atomic>
#include <functional>
#include <thread>

namespace simdetail {

enum class Wait {
    Ready,   // the byte or the room that was waited for is there
    Timeout, // the time ran out
    Hangup,  // the program closed its side
    Stop,    // stop() or vanish()
    Woken,   // a setting changed (only when asked for)
};

} // namespace simdetail

struct SimModule::Private
{
    using Wait = simdetail::Wait;

    // Shared with the callers' threads, guarded by mutex.
    mutable QMutex mutex;
    QWaitCondition changed;
    SimConfig config;
    SimProtocol protocol{config}; // the serving thread's, under mutex like config
    QByteArray received;
    QList<SimRequest> requests;
    QList<SimWrite> writes;
    int opens = 0;
    int closes = 0;
    int ownOpens = 0;
    int ownCloses = 0;
    int sessionEnds = 0;
    int replies = 0;
    QString stateFile;

    // Set by start(), read-only while the thread runs.
    QString comName;
    QString directory;
    QString entry;
    QString slave;
    int master = -1;
    int wakeRead = -1;
    int wakeWrite = -1;
    int watch = -1;
    std::thread thread;
    QElapsedTimer clock;
    std::atomic<bool> running{false};
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> vanishRequested{false};
    std::atomic<bool> vanished{false};

    // The serving thread's own.
    QByteArray pending;
    bool connected = false;
    bool woken = false;          // a setting changed while the thread waited for something else
    int waitMs = -1;             // how long the protocol waits for the next byte
    SimLineSettings requestLine; // the line's settings when the current request began

    SimConfig snapshot() const
    {
        QMutexLocker lock(&mutex);
        return config;
    }

    // --- The pseudo-terminal (simpty.cpp) ---
    void wake();
    void drainWake();
    void removeEntry();
    void closeDescriptors();
    Wait waitMaster(short events, int timeoutMs, bool returnOnWake);
    Wait readByte(char* out, int timeoutMs, bool returnOnWake = false);
    Wait send(const QByteArray& data, bool paced);
    Wait sleep(int ms);
    bool readInput();
    void readInotify();
    bool openLine(QString* slaveName, QString* error);
    Wait waitForOpen();
    void endSession();
    SimLineSettings lineSettings() const;
    void doVanish();

    // --- The serving thread (simserve.cpp) ---
    void run();
    Wait serve();
    SimAnswer ask(const std::function<SimAnswer(SimProtocol&)>& event);
    Wait carryOut(const SimAnswer& answer);
    Wait carryOut(const SimStep& step);
    void noteReply();
    void logReply(char command, qsizetype bytes, Wait result);
    void logWrite(const SimWrite& write, int alteredField);

    // --- The state file (simstatefile.cpp) ---
    void saveAfterStore();
};
