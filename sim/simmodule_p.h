#pragma once

// The simulated module's insides, shared by its four parts:
//   simpty.cpp       the pseudo-terminal: opening it, noticing the program's opens and
//                    closes, waiting, sending (paced or not), vanishing
//   simprotocol.cpp  the serving loop, the answers to "~|", "~{", "~[", "~}" and the faults
//   simmodule.cpp    the state, its setters and getters, the recordings and the waits on them
//   simstatefile.cpp the state file

#include "sim/simmodule.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMutex>
#include <QString>
#include <QWaitCondition>

#include <atomic>
#include <thread>

namespace simdetail {

enum class Wait {
    Ready,   // the byte or the room that was waited for is there
    Timeout, // the time ran out
    Hangup,  // the program closed its side
    Stop,    // stop() or vanish()
    Woken,   // a setting changed (only when asked for)
};

// 56 fields of 16 bytes 0xFF.
QList<QByteArray> erasedMemory();

struct Config
{
    QByteArray identification = QByteArrayLiteral("V_VEXAGRID-3 FW2.14");
    QList<QByteArray> fields = erasedMemory();
    SimModule::ReadOutFormat format = SimModule::ReadOutFormat::CrLf;
    SimStatus status;
    QByteArray rawIdentification, rawReadOut, rawStatus;
    bool hasRawIdentification = false, hasRawReadOut = false, hasRawStatus = false;
    SimModule::Fault fault = SimModule::Fault::None;
    bool paced = false;
    int replyDelayMs = 0;
    int ackDelayMs = 0;
    int cutAfter = -1;
    int vanishAfter = 100;
    int frameTimeoutMs = 2000;
    int alteredField = 4;
};

} // namespace simdetail

struct SimModule::Private
{
    using Wait = simdetail::Wait;
    using Config = simdetail::Config;

    // Shared with the callers' threads, guarded by mutex.
    mutable QMutex mutex;
    QWaitCondition changed;
    Config config;
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

    Config snapshot() const
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
    Wait send(const QByteArray& data, bool paced, const SimLineSettings& line);
    Wait sleep(int ms);
    bool readInput();
    void readInotify();
    Wait waitForOpen();
    void endSession();
    SimLineSettings lineSettings() const;
    void doVanish();

    // --- The protocol and its faults (simprotocol.cpp) ---
    void run();
    Wait talk();
    Wait handle(char command);
    Wait handleWrite(const Config& cfg, const SimLineSettings& line);
    void noteReply();

    // --- The state file (simstatefile.cpp) ---
    void saveAfterStore();
};
