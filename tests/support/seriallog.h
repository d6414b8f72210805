#pragma once

#include <QMutex>
#include <QStringList>
#include <QtGlobal>

#include <optional>

// Collects what the serial line and the exchanges write to the vexagrid.serial
// categories while it lives (the download worker's thread included), so a test can
// say which diagnostics appeared and that no others did. Other messages pass on.
class SerialLog
{
public:
    enum Trace { WithoutTrace, WithTrace };

    // WithTrace also turns on vexagrid.serial.trace (every byte, opens and closes).
    explicit SerialLog(Trace trace = WithoutTrace);
    ~SerialLog();
    SerialLog(const SerialLog&) = delete;
    SerialLog& operator=(const SerialLog&) = delete;

    // vexagrid.serial at critical level, at warning level, and at every level.
    QStringList critical() const;
    QStringList warnings() const;
    QStringList messages() const;
    // vexagrid.serial.trace.
    QStringList trace() const;
    // Every vexagrid.serial* message, "critical: ", "warning: " or "debug: " in front.
    QStringList lines() const;
    bool contains(const QString& text) const;

private:
    struct Entry
    {
        QtMsgType type;
        bool trace;
        QString text;
    };
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text);
    // The texts of vexagrid.serial.trace or of vexagrid.serial, at one level or at all.
    QStringList select(bool trace, std::optional<QtMsgType> type) const;

    static inline SerialLog* s_current = nullptr;
    QtMessageHandler m_previous = nullptr;
    bool m_rulesChanged = false;
    mutable QMutex m_mutex;
    QList<Entry> m_entries;
};
