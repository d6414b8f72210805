#include "tests/support/seriallog.h"

#include <QLoggingCategory>

SerialLog::SerialLog(Trace trace)
{
    s_current = this;
    m_previous = qInstallMessageHandler(&SerialLog::handle);
    if (trace == WithTrace) {
        QLoggingCategory::setFilterRules(QStringLiteral("vexagrid.serial.trace.debug=true"));
        m_rulesChanged = true;
    }
}

SerialLog::~SerialLog()
{
    if (m_rulesChanged)
        QLoggingCategory::setFilterRules(QString());
    qInstallMessageHandler(m_previous);
    s_current = nullptr;
}

void SerialLog::handle(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    SerialLog* self = s_current;
    const bool ours = context.category && qstrncmp(context.category, "vexagrid.serial", 15) == 0;
    if (self && ours) {
        QMutexLocker lock(&self->m_mutex);
        self->m_entries.append(
            {type, qstrcmp(context.category, "vexagrid.serial.trace") == 0, text});
    } else if (self && self->m_previous) {
        self->m_previous(type, context, text);
    }
}

QStringList SerialLog::select(bool trace, std::optional<QtMsgType> type) const
{
    QMutexLocker lock(&m_mutex);
    QStringList list;
    for (const Entry& entry : m_entries) {
        if (entry.trace == trace && (!type || entry.type == *type))
            list << entry.text;
    }
    return list;
}

QStringList SerialLog::critical() const
{
    return select(false, QtCriticalMsg);
}

QStringList SerialLog::warnings() const
{
    return select(false, QtWarningMsg);
}

QStringList SerialLog::messages() const
{
    return select(false, std::nullopt);
}

QStringList SerialLog::trace() const
{
    return select(true, std::nullopt);
}

QStringList SerialLog::lines() const
{
    QMutexLocker lock(&m_mutex);
    QStringList list;
    for (const Entry& entry : m_entries) {
        const char* level = entry.type == QtCriticalMsg  ? "critical: "
                            : entry.type == QtWarningMsg ? "warning: "
                                                         : "debug: ";
        list << QLatin1String(level) + entry.text;
    }
    return list;
}

bool SerialLog::contains(const QString& text) const
{
    const QStringList all = lines();
    for (const QString& line : all) {
        if (line.contains(text))
            return true;
    }
    return false;
}
