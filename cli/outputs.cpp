#include "cli/outputs.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryFile>

namespace cli::outputs {

namespace {

using messages::Code;

Failure cannot(const QString& path, const QString& why)
{
    return {Code::OutputFailed, QStringLiteral("%1: nem írható: %2.").arg(path, why)};
}

// The nearest part of `path` that is there.
QFileInfo nearestExisting(const QString& path)
{
    QFileInfo info(QDir::cleanPath(QDir(path).absolutePath()));
    while (!info.exists() && !info.isRoot()) {
        const QString parent = info.absolutePath();
        if (parent == info.absoluteFilePath())
            break;
        info = QFileInfo(parent);
    }
    return info;
}

} // namespace

Expected<void> ensureFolder(const QString& dir)
{
    const QString folder = dir.isEmpty() ? QStringLiteral(".") : dir;
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir())
        return cannot(dir, QStringLiteral("nem könyvtár"));
    if (!info.exists() && !QDir().mkpath(folder)) {
        const QFileInfo existing = nearestExisting(folder);
        if (existing.exists() && !existing.isDir())
            return cannot(dir, QStringLiteral("nem könyvtár (%1 fájl)").arg(existing.filePath()));
        if (existing.exists() && !existing.isWritable())
            return cannot(dir, QStringLiteral("nincs jogosultság"));
        return cannot(dir, QStringLiteral("nem létezik és nem hozható létre"));
    }
    // A probe file, removed again, proves that the folder takes files.
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".vexagrid-XXXXXX")));
    if (!probe.open()) {
        // A temporary file reports a refused create as a plain open error: the folder's own
        // permission tells the user's case apart from a full or read-only disk.
        if (probe.error() == QFileDevice::PermissionsError || !QFileInfo(folder).isWritable())
            return cannot(dir, QStringLiteral("nincs jogosultság"));
        return cannot(dir,
                      QStringLiteral("nem hozható létre benne fájl (%1)").arg(probe.errorString()));
    }
    return {};
}

Expected<void> ensureFile(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return cannot(path, QStringLiteral("könyvtár, nem fájl"));
    // The folder's failure names the folder: that is where the user has to look.
    if (Expected<void> folder = ensureFolder(info.path()); !folder)
        return folder;
    if (info.exists() && !info.isWritable())
        return cannot(path, QStringLiteral("nincs jogosultság"));
    return {};
}

QString backupPath(const QString& dir, const QString& id, const QString& port, const QDateTime& utc)
{
    static QMutex mutex;
    static QSet<QString> claimed;
    QString safeId = id.trimmed().isEmpty() ? QStringLiteral("modul") : id.trimmed();
    safeId.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_-]")), QStringLiteral("_"));
    const QString stem =
        QStringLiteral("%1-%2-%3")
            .arg(safeId, port, utc.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'")));
    const QMutexLocker lock(&mutex);
    for (int n = 1;; ++n) {
        const QString name =
            n == 1 ? stem + QStringLiteral(".vgf") : QStringLiteral("%1-%2.vgf").arg(stem).arg(n);
        const QString path = QDir(dir).filePath(name);
        if (!claimed.contains(path) && !QFileInfo::exists(path)) {
            claimed.insert(path);
            return path;
        }
    }
}

} // namespace cli::outputs
