#pragma once

// The simulated module without its line: what it answers to the bytes the program sends, and
// how it misbehaves. It touches no pseudo-terminal, no thread and no clock; every timed
// behaviour comes out as a step for the line to carry out (wait, send at the line's speed,
// close now). The pty layer feeds it and carries out its answers.

#include "sim/simmodule.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <optional>

// What the module answers from and how it behaves. The protocol reads it when a request
// begins and stores a write into it; whoever shares it between threads guards it.
struct SimConfig
{
    // 56 fields of 16 bytes 0xFF.
    static QList<QByteArray> erasedMemory();

    QByteArray identification = QByteArrayLiteral("V_VEXAGRID-3 FW2.14");
    QList<QByteArray> fields = erasedMemory();
    SimModule::ReadOutFormat format = SimModule::ReadOutFormat::CrLf;
    SimStatus status;
    QMap<SimModule::Request, QByteArray> rawReplies; // sent instead of the composed reply
    SimModule::Fault fault = SimModule::Fault::None;
    bool paced = false;
    int replyDelayMs = 0;
    int ackDelayMs = 0;
    int cutAfter = -1;
    int vanishAfter = 100;
    int frameTimeoutMs = 2000;
    int alteredField = 4;
};

// One thing the line does for the module. An answer's steps are carried out in order.
struct SimStep
{
    enum class Kind {
        Pause,  // let ms pass; what the program sends meanwhile waits its turn
        Send,   // send bytes, at the line's own speed when paced
        Vanish, // close the line now, as a pulled-out adapter would; nothing follows
    };
    Kind kind = Kind::Send;
    QByteArray bytes;
    int ms = 0;
    bool paced = false;
};

// What the module does about one event on the line.
struct SimAnswer
{
    // The request that has just begun ('|', '{', '[' or '}'), 0 for none: the line records
    // it with the line's settings and the time.
    char request = 0;
    // A write request that has ended, recorded before the steps are carried out, so that
    // whoever sees the program succeed finds it there. Its line settings are the line's.
    std::optional<SimWrite> write;
    // The field (1 ... 56) a stored write kept altered, 0 for none.
    int alteredField = 0;
    QList<SimStep> steps;
    // The steps end with a whole reply (counted once they are done).
    bool reply = false;
    // What the program sent until the steps are done goes unanswered (talking).
    bool dropInput = false;
    // The module starts talking without pause (said once in the log).
    bool startsTalking = false;
    // Then the next byte is awaited this long before quiet(); -1: for ever.
    int waitMs = -1;
};

class SimProtocol
{
public:
    // The command byte follows "~" at once; a "~" left alone this long is dropped.
    static constexpr int kCommandGapMs = 1000;

    explicit SimProtocol(SimConfig& config);

    // A byte the program sent.
    SimAnswer receive(char byte);
    // No byte within the last answer's wait; also asked when the program opens the line and
    // when a setting changes while the module waits for ever.
    SimAnswer quiet();
    // The line is gone: the program closed it, or the module stops or vanishes (vanishing),
    // while the last answer's steps were carried out (duringSteps) or a byte was awaited.
    SimAnswer lost(bool duringSteps, bool vanishing);

    // "identification", "read-out", "status", "write"; "unknown" for another byte.
    static QString requestName(char command);
    // "stored", "refused", "no frame", ...
    static QString outcomeName(SimWrite::Outcome outcome);

private:
    enum class Phase {
        Idle,    // between requests
        Command, // "~" came, its command byte is awaited
        Opening, // a write's "R" is on its way
        Frame,   // a write's frame is coming
    };

    SimAnswer idle(SimAnswer answer);
    SimAnswer talk();
    SimAnswer request(char command);
    SimAnswer reply(SimModule::Request request) const;
    QByteArray composed(SimModule::Request request) const;
    SimAnswer openWrite();
    SimAnswer frameByte(char byte);
    SimAnswer acknowledge();
    SimAnswer finish(SimWrite::Outcome outcome);
    bool vanishDue() const;
    QList<SimStep> delayed(int ms, const QByteArray& bytes) const;

    SimConfig& m_config;
    SimConfig m_request; // as it was when the current request began
    Phase m_phase = Phase::Idle;
    SimWrite m_write;
    QByteArray m_field; // the frame's field being received
    int m_frameBytes = 0;
    bool m_talking = false;
};
