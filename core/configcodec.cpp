#include "core/configcodec.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringEncoder>
#include <QTextStream>

namespace configfile {

QByteArray encode(const QStringList& lines)
{
    QString text;
    for (const QString& line : lines) {
        text += line;
        text += QLatin1StringView("\r\n");
    }
    QStringEncoder encoder(QStringConverter::System);
    return encoder(text);
}

QStringList decodeLines(const QByteArray& content)
{
    // A text stream does the line splitting so that files read here exactly as through the
    // stream the program has always used (lone CRs, a CR at the very end, a byte-order mark).
    QTextStream in(content, QIODevice::ReadOnly);
    in.setEncoding(QStringConverter::System);

    // The end mark counts only after the values: a field may hold "---" itself, and a file
    // saved with it must open again.
    QStringList lines;
    do {
        const QString line = in.readLine();
        lines.append(line);
        if (line == kEndMark && lines.size() > kValueLines)
            break;
    } while (!in.atEnd());
    return lines;
}

std::optional<QStringList> readFile(const QString& path)
{
    if (!QFileInfo::exists(path))
        return std::nullopt;
    QFile file(path);
    return decodeLines(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
}

bool writeFile(const QString& path, const QStringList& lines)
{
    QSaveFile file(path);
    const QByteArray content = encode(lines);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() ||
        !file.commit()) {
        file.cancelWriting();
        return false;
    }
    return true;
}

QString fileTitle(const QString& path)
{
    const QFileInfo info(path);
    return info.baseName() + u'.' + info.completeSuffix();
}

} // namespace configfile
