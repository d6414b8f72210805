#include "cli/report.h"

#include <QJsonDocument>

#include <cstdio>
#include <mutex>

namespace cli::report {

namespace {

std::mutex outputMutex;
bool jsonMode = false;

void put(std::FILE* stream, const QByteArray& bytes)
{
    const std::lock_guard<std::mutex> lock(outputMutex);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

// The window's texts have line breaks of their own; a result stays on one line.
QString singleLine(const QString& text)
{
    QString line = text;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    line.remove(QLatin1Char('\r'));
    return line;
}

} // namespace

void setJson(bool json)
{
    jsonMode = json;
}

bool isJson()
{
    return jsonMode;
}

void object(const QJsonObject& object)
{
    put(stdout, QJsonDocument(object).toJson(QJsonDocument::Compact));
}

void text(const QString& line)
{
    put(stdout, line.toUtf8());
}

void result(const Result& result)
{
    if (!jsonMode) {
        text(result.port + QStringLiteral(": ") + singleLine(result.message));
        return;
    }
    QJsonObject json = result.details;
    json.insert(QStringLiteral("port"), result.port);
    json.insert(QStringLiteral("ok"), result.ok);
    if (!result.ok)
        json.insert(QStringLiteral("error"), result.error);
    json.insert(QStringLiteral("message"), singleLine(result.message));
    if (!result.finished)
        json.insert(QStringLiteral("finished"), false);
    object(json);
}

void failure(const QString& subject, const Failure& failure)
{
    if (!jsonMode) {
        text(subject + QStringLiteral(": ") + singleLine(failure.message));
        return;
    }
    object({{QStringLiteral("file"), subject},
            {QStringLiteral("ok"), false},
            {QStringLiteral("error"), failure.code},
            {QStringLiteral("message"), singleLine(failure.message)}});
}

void usage(const QString& message)
{
    put(stderr, (QStringLiteral("vexagrid-cli: ") + message +
                 QStringLiteral("\n(Súgó: vexagrid-cli --help)"))
                    .toUtf8());
}

} // namespace cli::report
