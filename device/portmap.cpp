#include "device/portmap.h"

#include "device/serialport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QSerialPortInfo>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

#include <algorithm>

namespace {

QString entryName(int n)
{
    return QStringLiteral("com%1").arg(n);
}

QString comNameOf(int n)
{
    return QStringLiteral("COM%1").arg(n);
}

// The device an entry points at, followed through every symlink.
QString resolvedEntry(const QString& entryPath)
{
    const QFileInfo info(entryPath);
    if (!info.exists() && !info.isSymLink()) {
        return QString();
    }
    const QString target = info.canonicalFilePath();
    return target.isEmpty() ? entryPath : target;
}

} // namespace

QString PortMap::deviceDirectory()
{
    const QString fromEnvironment = qEnvironmentVariable("VEXAGRID_DOSDEVICES");
    if (!fromEnvironment.isEmpty()) {
        return fromEnvironment;
    }
    return QDir::homePath() + QStringLiteral("/.vexagrid/dosdevices");
}

bool PortMap::usesDeviceDirectory()
{
    return QFileInfo(deviceDirectory()).isDir();
}

int PortMap::portNumber(const QString& comName)
{
    if (comName.size() < 4 || !comName.startsWith(QLatin1String("COM"), Qt::CaseInsensitive)) {
        return 0;
    }
    const QStringView digits = QStringView(comName).mid(3);
    if (digits.front() == QLatin1Char('0')) {
        return 0;
    }
    int n = 0;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9') || n > 100000) {
            return 0;
        }
        n = n * 10 + (c.unicode() - '0');
    }
    return n;
}

QString PortMap::tableDevice(int n)
{
    if (n >= 1 && n <= 4) {
        return QStringLiteral("/dev/ttyS%1").arg(n - 1);
    }
    if (n >= 5 && n <= 20) {
        return QStringLiteral("/dev/ttyUSB%1").arg(n - 5);
    }
    if (n >= 21 && n <= 32) {
        return QStringLiteral("/dev/ttyACM%1").arg(n - 21);
    }
    return QString();
}

QString PortMap::devicePath(const QString& comName)
{
    const int n = portNumber(comName);
    if (n == 0) {
        return QString();
    }
#ifdef Q_OS_WIN
    return comNameOf(n);
#else
    const QString directory = deviceDirectory();
    if (QFileInfo(directory).isDir()) {
        return resolvedEntry(directory + QLatin1Char('/') + entryName(n));
    }
    return tableDevice(n);
#endif
}

QString PortMap::portName(const QString& device)
{
    if (device.isEmpty()) {
        return QString();
    }
#ifdef Q_OS_WIN
    const int n = portNumber(device);
    return n == 0 ? QString() : comNameOf(n);
#else
    const QString resolved = resolvedEntry(device);
    const QString wanted = resolved.isEmpty() ? device : resolved;
    const QString directory = deviceDirectory();
    if (QFileInfo(directory).isDir()) {
        QList<int> numbers;
        const QStringList entries =
            QDir(directory).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        for (const QString& entry : entries) {
            const int n = portNumber(entry);
            if (n != 0 && entry == entryName(n)) {
                numbers.append(n);
            }
        }
        std::sort(numbers.begin(), numbers.end());
        for (const int n : numbers) {
            if (devicePath(comNameOf(n)) == wanted) {
                return comNameOf(n);
            }
        }
        return QString();
    }
    for (int n = kFirstPort; n <= kLastPort; ++n) {
        if (tableDevice(n) == wanted || tableDevice(n) == device) {
            return comNameOf(n);
        }
    }
    return QString();
#endif
}

QStringList PortMap::availablePorts()
{
    QStringList found;
    for (int n = kFirstPort; n <= kLastPort; ++n) {
        const QString name = comNameOf(n);
        const QString device = devicePath(name);
        if (device.isEmpty()) {
            continue;
        }
        QSerialPort probe;
        probe.setPortName(device);
        if (probe.open(QIODevice::ReadWrite)) {
            probe.close();
            found.append(name);
        } else {
            qCDebug(lcSerialTrace) << name << device << "not available:" << probe.errorString();
        }
    }
    return found;
}

namespace {

PortMap::PortState stateOf(const QString& comName, const QList<QSerialPortInfo>& adapters)
{
    using PortState = PortMap::PortState;
    PortState state;
    const int n = PortMap::portNumber(comName);
    state.name = n == 0 ? comName : comNameOf(n);
    state.device = PortMap::devicePath(comName);
    if (state.device.isEmpty())
        return state;

    const QFileInfo file(state.device);
#ifdef Q_OS_WIN
    state.exists = true;
#else
    state.exists = file.exists();
    if (!state.exists)
        return state;
    state.group = file.group();
#endif
    for (const QSerialPortInfo& info : adapters) {
        if (info.systemLocation() == state.device || info.portName() == state.device) {
            state.description = info.description();
            state.manufacturer = info.manufacturer();
            state.serialNumber = info.serialNumber();
            break;
        }
    }

    QSerialPort probe;
    probe.setPortName(state.device);
    if (probe.open(QIODevice::ReadWrite)) {
        probe.close();
        state.opens = true;
        state.reason = PortState::Reason::None;
        return state;
    }
    state.error = probe.errorString();
    switch (probe.error()) {
    case QSerialPort::DeviceNotFoundError:
        state.reason = PortState::Reason::Missing;
        break;
    case QSerialPort::PermissionError:
#ifdef Q_OS_WIN
        state.reason = PortState::Reason::InUse;
#else
        // The library says "permission" both for a device the user may not open and for
        // one that another program holds (its lock file, or the exclusive mode it sets).
        state.reason = ::access(QFile::encodeName(state.device).constData(), R_OK | W_OK) == 0
                           ? PortState::Reason::InUse
                           : PortState::Reason::NoPermission;
#endif
        break;
    default:
        state.reason = PortState::Reason::Other;
        break;
    }
    return state;
}

} // namespace

PortMap::PortState PortMap::portState(const QString& comName)
{
    return stateOf(comName, QSerialPortInfo::availablePorts());
}

QList<PortMap::PortState> PortMap::portStates()
{
    const QList<QSerialPortInfo> adapters = QSerialPortInfo::availablePorts();
    QList<PortState> states;
    for (int n = kFirstPort; n <= kLastPort; ++n) {
        PortState state = stateOf(comNameOf(n), adapters);
        if (state.exists)
            states.append(state);
    }
    return states;
}
