#include "record/location.h"

#include "core/programsettings.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
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

void loadDrivers(const Location& location, bool remote)
{
    QStringList drivers;
    if (!location.isOff())
        drivers << QStringLiteral("QSQLITE");
    if (remote)
        drivers << QStringLiteral("QPSQL");
    for (const QString& driver : drivers) {
        // A driver that is missing is reported when the record or the server is used.
        if (!QSqlDatabase::isDriverAvailable(driver))
            continue;
        // The connection made and dropped at once: Qt keeps a plugin it loaded until exit.
        const QString name = QStringLiteral("vexagrid-load-") + driver;
        QSqlDatabase::addDatabase(driver, name);
        QSqlDatabase::removeDatabase(name);
    }
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
