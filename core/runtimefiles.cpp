#include "core/runtimefiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace runtimefiles {

QStringList searchDirs()
{
    QStringList dirs{QStringLiteral(".")};
    if (QCoreApplication::instance()) {
        const QString exeDir = QCoreApplication::applicationDirPath();
        dirs << exeDir << QDir::cleanPath(exeDir + QStringLiteral("/../share/vexagrid"));
    }
    return dirs;
}

QString locate(const QString& name, const QStringList& dirs)
{
    for (const QString& dir : dirs) {
        const QString candidate = dir == QLatin1String(".") ? name : QDir(dir).filePath(name);
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return name;
}

QString locate(const QString& name)
{
    return locate(name, searchDirs());
}

} // namespace runtimefiles
