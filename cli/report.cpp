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

// The window's texts have line breaks of their own; a line stays one line, and a carriage
// return in a name the user gave does not send the cursor back over it.
QString singleLine(const QString& text)
{
    return messages::oneLine(text).remove(QLatin1Char('\r'));
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

// A line as JSON on stdout, or as text on `textStream`.
void print(const Line& line, std::FILE* textStream)
{
    if (jsonMode)
        put(outStream, QJsonDocument(json(line)).toJson(QJsonDocument::Compact));
    else
        put(textStream, textOf(line).toUtf8());
}

} // namespace

Line Line::of(const Failure& failure)
{
    Line line;
    line.port = failure.details.value(QStringLiteral("port")).toString();
    line.error = failure.code;
    line.message = failure.message;
    line.keys = failure.details;
    return line;
}

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
    print(line, outStream);
}

void error(const Line& line)
{
    print(line, errStream);
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

void failure(const Failure& failure)
{
    if (failure.code == messages::Code::Usage)
        usage(failure.message);
    else
        error(Line::of(failure));
}

} // namespace cli::report
