#include "core/configcodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringEncoder>
#include <QTextStream>

Q_LOGGING_CATEGORY(lcFiles, "vexagrid.files")

namespace configfile {

namespace {

using messages::Code;

// Why `file` did not open or write: for scripts, and in the command line's words.
struct Why
{
    const char* reason;
    QString words;
};

enum class Access { Read, Write };

Why whyNot(const QFileDevice& file, const QString& path, Access access)
{
    const QFileInfo info(path);
    if (info.isDir())
        return {"not-a-file", QStringLiteral("könyvtár, nem fájl")};
    if (!info.absoluteDir().exists())
        return {"no-folder", QStringLiteral("a könyvtára nem létezik")};
    // A refused open can come back as a plain open error: the permissions tell the user's
    // case apart from a full or read-only disk. A save writes a new file beside the old one,
    // so the folder must take files too.
    const bool refused = file.error() == QFileDevice::PermissionsError ||
                         (access == Access::Read ? !info.isReadable()
                                                 : !QFileInfo(info.path()).isWritable() ||
                                                       (info.exists() && !info.isWritable()));
    if (refused)
        return {"no-permission", QStringLiteral("nincs jogosultság")};
    return {"other", file.errorString()};
}

Failure fileFailure(Code code, const QString& text, const QString& path, const char* reason,
                    const QFileDevice& file)
{
    return Failure(code, text,
                   {{QStringLiteral("file"), path},
                    {QStringLiteral("reason"), QLatin1String(reason)},
                    {QStringLiteral("systemError"), file.errorString()}});
}

} // namespace

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

Expected<QStringList> readFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return Failure(Code::FileMissing, QStringLiteral("%1: nincs ilyen fájl.").arg(path),
                       {{QStringLiteral("file"), path}});
    QFile file(path);
    if (info.isDir() || !file.open(QIODevice::ReadOnly)) {
        const Why why = whyNot(file, path, Access::Read);
        if (info.isDir())
            return fileFailure(Code::NotAFile,
                               QStringLiteral("%1: könyvtár, nem konfigurációs fájl.").arg(path),
                               path, why.reason, file);
        return fileFailure(Code::FileUnreadable,
                           QStringLiteral("%1: nem olvasható (%2).").arg(path, why.words), path,
                           why.reason, file);
    }
    return decodeLines(file.readAll());
}

Expected<void> writeFile(const QString& path, const QStringList& lines)
{
    QSaveFile file(path);
    const QByteArray content = encode(lines);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() ||
        !file.commit()) {
        file.cancelWriting();
        const Why why = whyNot(file, path, Access::Write);
        return fileFailure(Code::SaveFailed,
                           QStringLiteral("%1: nem írható: %2.").arg(path, why.words), path,
                           why.reason, file);
    }
    return {};
}

QString fileTitle(const QString& path)
{
    const QFileInfo info(path);
    return info.baseName() + u'.' + info.completeSuffix();
}

} // namespace configfile
