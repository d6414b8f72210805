#include "record/location.h"

#include "core/programsettings.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QSysInfo>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

namespace record {

namespace {

const QString kFileName = QStringLiteral("record.sqlite");

QString userDataFolder()
{
#ifdef Q_OS_WIN
    // The roaming profile's folder, so the record follows the user between machines of a
    // domain like the rest of their settings.
    const QString roaming = qEnvironmentVariable("APPDATA");
    if (!roaming.isEmpty())
        return QDir::fromNativeSeparators(roaming);
    return QDir::homePath() + QStringLiteral("/AppData/Roaming");
#else
    // Not AppDataLocation: it ends in the application's name, and the window and the command
    // line have different ones but share one record.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
#endif
}

QString loginName()
{
    for (const char* name : {"USER", "LOGNAME", "USERNAME"}) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty())
            return value;
    }
#ifdef Q_OS_UNIX
    if (const passwd* entry = ::getpwuid(::geteuid()))
        return QString::fromLocal8Bit(entry->pw_name);
#endif
    return QStringLiteral("?");
}

} // namespace

Location Location::file(const QString& path)
{
    Location location;
    location.path = QFileInfo(path).absoluteFilePath();
    return location;
}

QString defaultPath()
{
    return userDataFolder() + QStringLiteral("/vexagrid/") + kFileName;
}

Location locationFromEnvironment()
{
    const QString named = qEnvironmentVariable("VEXAGRID_RECORD");
    if (named.isEmpty())
        return Location::file(defaultPath());
    if (named == QLatin1String("off"))
        return Location::off();
    return Location::file(named);
}

Identity Identity::ofThisProcess()
{
    Identity identity;
    identity.operatorName = qEnvironmentVariable("VEXAGRID_OPERATOR");
    if (identity.operatorName.isEmpty())
        identity.operatorName = loginName();
    identity.host = QSysInfo::machineHostName();
    identity.programVersion = ::programVersion();
    return identity;
}

} // namespace record
