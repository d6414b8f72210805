#include "cli/report.h"

#include <QJsonDocument>

#include <mutex>

namespace cli::report {

namespace {

std::mutex outputMutex;
std::FILE* outStream = stdout;
std::FILE* errStream = stderr;
bool jsonMode = false;
QString commandName;
QStringList commandKeys;

void put(std::FILE* stream, const QByteArray& bytes)
{
    const std::lock_guard<std::mutex> lock(outputMutex);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

// The window's texts have line breaks of their own; a line stays one line.
QString singleLine(const QString& text)
{
    QString line = text;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    line.remove(QLatin1Char('\r'));
    return line;
}

QJsonObject json(const Line& line)
{
    QJsonObject object;
    object.insert(QStringLiteral("port"),
                  line.port.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(line.port));
    object.insert(QStringLiteral("command"), commandName);
    object.insert(QStringLiteral("ok"), line.ok);
    object.insert(QStringLiteral("error"), line.error == messages::Code::None
                                               ? QJsonValue(QJsonValue::Null)
                                               : QJsonValue(messages::codeName(line.error)));
    // The text's further lines go into the one message, after its first line.
    QString message = line.message;
    if (!line.more.isEmpty())
        message += u' ' + line.more.join(QStringLiteral("; "));
    object.insert(QStringLiteral("message"), singleLine(message));
    for (const QString& key : std::as_const(commandKeys)) {
        const QJsonValue value = line.keys.value(key);
        object.insert(key, value.isUndefined() ? QJsonValue(QJsonValue::Null) : value);
    }
    return object;
}

QString textOf(const Line& line)
{
    QString text = line.port.isEmpty()
                       ? singleLine(line.message)
                       : line.port + QStringLiteral(": ") + singleLine(line.message);
    for (const QString& more : line.more)
        text += QStringLiteral("\n  ") + singleLine(more);
    return text;
}

} // namespace

void setStreams(std::FILE* out, std::FILE* err)
{
    outStream = out;
    errStream = err;
}

void begin(const QString& command, const QStringList& keys, bool json)
{
    commandName = command;
    commandKeys = keys;
    jsonMode = json;
}

bool isJson()
{
    return jsonMode;
}

void result(const Line& line)
{
    if (jsonMode)
        put(outStream, QJsonDocument(json(line)).toJson(QJsonDocument::Compact));
    else
        put(outStream, textOf(line).toUtf8());
}

void error(const Line& line)
{
    if (jsonMode)
        put(outStream, QJsonDocument(json(line)).toJson(QJsonDocument::Compact));
    else
        put(errStream, textOf(line).toUtf8());
}

void note(const QString& text)
{
    if (!jsonMode)
        put(errStream, text.toUtf8());
}

void text(const QString& line)
{
    put(outStream, line.toUtf8());
}

void usage(const QString& message)
{
    put(errStream,
        (QStringLiteral("vexagrid-cli: ") + message + QStringLiteral("\n(Súgó: vexagrid-cli help)"))
            .toUtf8());
}

} // namespace cli::report
