#include "record/event.h"

#include "core/configcodec.h"

#include <QCryptographicHash>
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

// Whether `text` has the shape: 'd' a digit, 'x' a lower-case hex digit, anything else itself.
bool shaped(QStringView text, QLatin1StringView shape)
{
    if (text.size() != shape.size())
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const char want = shape[i].toLatin1();
        const bool digit = c >= u'0' && c <= u'9';
        const bool ok = want == 'd'   ? digit
                        : want == 'x' ? digit || (c >= u'a' && c <= u'f')
                                      : c == char16_t(want);
        if (!ok)
            return false;
    }
    return true;
}

} // namespace

bool isId(QStringView text)
{
    return shaped(text, QLatin1StringView("xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx"));
}

bool isHash(QStringView text)
{
    return text.size() == 64 && shaped(text, QLatin1StringView(QByteArray(64, 'x')));
}

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
    if (!shaped(text, QLatin1StringView("dddd-dd-ddTdd:dd:dd.dddZ")))
        return QDateTime();
    const QDateTime time = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!time.isValid() || timeText(time) != text)
        return QDateTime();
    return time;
}

} // namespace record
