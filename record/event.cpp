#include "record/event.h"

#include "core/configcodec.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <QUuid>

namespace record {

namespace {

struct OperationEntry
{
    Operation operation;
    const char* name;
};

constexpr OperationEntry kOperations[] = {
    {Operation::Identify, "identify"}, {Operation::ReadOut, "read"},  {Operation::Status, "status"},
    {Operation::Write, "write"},       {Operation::Backup, "backup"}, {Operation::Verify, "verify"},
    {Operation::Restore, "restore"},
};

struct StateEntry
{
    State state;
    const char* name;
};

constexpr StateEntry kStates[] = {
    {State::Started, "started"},
    {State::Finished, "finished"},
    {State::Interrupted, "interrupted"},
};

} // namespace

QString operationName(Operation operation)
{
    for (const OperationEntry& each : kOperations) {
        if (each.operation == operation)
            return QLatin1String(each.name);
    }
    return QString();
}

std::optional<Operation> operationNamed(const QString& name)
{
    for (const OperationEntry& each : kOperations) {
        if (name == QLatin1String(each.name))
            return each.operation;
    }
    return std::nullopt;
}

QList<Operation> allOperations()
{
    QList<Operation> operations;
    for (const OperationEntry& each : kOperations)
        operations.append(each.operation);
    return operations;
}

QString stateName(State state)
{
    for (const StateEntry& each : kStates) {
        if (each.state == state)
            return QLatin1String(each.name);
    }
    return QString();
}

std::optional<State> stateNamed(const QString& name)
{
    for (const StateEntry& each : kStates) {
        if (name == QLatin1String(each.name))
            return each.state;
    }
    return std::nullopt;
}

void Event::setOutcome(messages::Code code, const QString& text)
{
    outcome = messages::codeName(code);
    message = text;
}

QStringList StoredConfiguration::lines() const
{
    return configfile::decodeLines(content);
}

QByteArray configurationContent(const QStringList& lines)
{
    return configfile::encode(lines);
}

QString configurationHash(const QByteArray& content)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex());
}

QString newId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

QString timeText(const QDateTime& time)
{
    return time.toUTC().toString(Qt::ISODateWithMs);
}

QDateTime timeFromText(const QString& text)
{
    // Exactly the form timeText() writes, so that the texts of every event sort as their times.
    static const QRegularExpression form(
        QStringLiteral("^\\d{4}-\\d{2}-\\d{2}T\\d{2}:\\d{2}:\\d{2}\\.\\d{3}Z$"));
    if (!form.match(text).hasMatch())
        return QDateTime();
    const QDateTime time = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!time.isValid() || timeText(time) != text)
        return QDateTime();
    return time;
}

} // namespace record
