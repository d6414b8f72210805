#include "device/portmap.h"

#include "device/serialport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSerialPort>
#include <QSerialPortInfo>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

#include <algorithm>
#include <optional>

namespace {

QString comNameOf(int n)
{
    return QStringLiteral("COM%1").arg(n);
}

#ifndef Q_OS_WIN
// A device folder's entries (com1, com2, ...) exist only on Unix, where they stand for the
// COM names Windows has built in.
QString entryName(int n)
{
    return QStringLiteral("com%1").arg(n);
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
#endif

QMutex probeMutex;
PortMap::Probe replacedProbe;

PortMap::Probe currentProbe()
{
    const QMutexLocker lock(&probeMutex);
    return replacedProbe;
}

PortMap::OpenResult openWith(const PortMap::Probe& probe, const QString& device)
{
    return probe.open ? probe.open(device) : PortMap::openDevice(device);
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

namespace {

// The names the system lists, where that list says which ports exist: always on Windows,
// and wherever a test gives a list.
std::optional<QStringList> listedPorts(const PortMap::Probe& probe)
{
    if (probe.listed)
        return probe.listed();
#ifdef Q_OS_WIN
    QStringList names;
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : ports) {
        const int n = PortMap::portNumber(info.portName());
        if (n >= PortMap::kFirstPort && n <= PortMap::kLastPort)
            names << comNameOf(n);
    }
    return names;
#else
    return std::nullopt;
#endif
}

} // namespace

QStringList PortMap::availablePorts()
{
    const Probe probe = currentProbe();
    const std::optional<QStringList> listed = listedPorts(probe);
    QStringList found;
    for (int n = kFirstPort; n <= kLastPort; ++n) {
        const QString name = comNameOf(n);
        const QString device = devicePath(name);
        if (device.isEmpty() || (listed && !listed->contains(name))) {
            continue;
        }
        const OpenResult result = openWith(probe, device);
        if (result.opened) {
            found.append(name);
        } else {
            qCDebug(lcSerialTrace) << name << device << "not available:" << result.error;
        }
    }
    return found;
}

PortMap::OpenResult PortMap::openDevice(const QString& device)
{
    QSerialPort probe;
    probe.setPortName(device);
    if (probe.open(QIODevice::ReadWrite)) {
        probe.close();
        OpenResult result;
        result.opened = true;
        result.reason = PortState::Reason::None;
        return result;
    }
    return failureOf(probe, device);
}

PortMap::OpenResult PortMap::failureOf(const QSerialPort& port, const QString& device)
{
    using Reason = PortState::Reason;
    OpenResult result;
    result.error = port.errorString();
    switch (port.error()) {
    case QSerialPort::DeviceNotFoundError:
        result.reason = Reason::Missing;
        break;
    case QSerialPort::PermissionError:
#ifdef Q_OS_WIN
        // Windows has no access rights on a COM port: only another program holding it.
        Q_UNUSED(device);
        result.reason = Reason::InUse;
#else
        // The library says "permission" both for a device the user may not open and for
        // one that another program holds (its lock file, or the exclusive mode it sets).
        result.reason = ::access(QFile::encodeName(device).constData(), R_OK | W_OK) == 0
                            ? Reason::InUse
                            : Reason::NoPermission;
#endif
        break;
    default:
        result.reason = Reason::Other;
        break;
    }
    return result;
}

void PortMap::setProbe(const Probe& probe)
{
    const QMutexLocker lock(&probeMutex);
    replacedProbe = probe;
}

PortMap::OpenResult PortMap::probedOpen(const QString& device)
{
    const Probe probe = currentProbe();
    if (probe.open)
        return probe.open(device);
    OpenResult result;
    result.opened = true;
    result.reason = PortState::Reason::None;
    return result;
}

PortMap::PortState PortMap::refusedState(const QString& comName, const OpenResult& result)
{
    PortState state;
    const int n = portNumber(comName);
    state.name = n == 0 ? comName : comNameOf(n);
    state.device = devicePath(comName);
    state.reason = result.opened ? PortState::Reason::Other : result.reason;
    state.error = result.error;
#ifndef Q_OS_WIN
    const QFileInfo file(state.device);
    state.exists = !state.device.isEmpty() && file.exists();
    if (state.exists)
        state.group = file.group();
#else
    state.exists = state.reason != PortState::Reason::Missing;
#endif
    return state;
}

namespace {

using AdapterLookup = std::function<PortMap::Adapter(const QString& device)>;

// What the system knows of the adapters right now, looked up by device.
AdapterLookup systemAdapters()
{
    const QList<QSerialPortInfo> adapters = QSerialPortInfo::availablePorts();
    return [adapters](const QString& device) {
        for (const QSerialPortInfo& info : adapters) {
            if (info.systemLocation() == device || info.portName() == device)
                return PortMap::Adapter{info.description(), info.manufacturer(),
                                        info.serialNumber()};
        }
        return PortMap::Adapter{};
    };
}

AdapterLookup adapterLookup(const PortMap::Probe& probe)
{
    return probe.adapter ? probe.adapter : systemAdapters();
}

PortMap::PortState stateOf(const QString& comName, const PortMap::Probe& probe,
                           const AdapterLookup& adapterOf, const std::optional<QStringList>& listed)
{
    using PortState = PortMap::PortState;
    PortState state;
    const int n = PortMap::portNumber(comName);
    state.name = n == 0 ? comName : comNameOf(n);
    state.device = PortMap::devicePath(comName);
    if (state.device.isEmpty())
        return state;

    if (listed) {
        // A name the system does not list is no port: never probed, never hinted.
        state.exists = state.listed = listed->contains(state.name);
        if (!state.exists)
            return state;
    }
#ifndef Q_OS_WIN
    const QFileInfo file(state.device);
    if (!listed) {
        state.exists = file.exists();
        if (!state.exists)
            return state;
    }
    state.group = file.group();
#endif
    const PortMap::Adapter adapter = adapterOf(state.device);
    state.description = adapter.description;
    state.manufacturer = adapter.manufacturer;
    state.serialNumber = adapter.serialNumber;

    const PortMap::OpenResult result = openWith(probe, state.device);
    state.opens = result.opened;
    state.reason = result.opened ? PortState::Reason::None : result.reason;
    state.error = result.error;
    return state;
}

#ifndef Q_OS_WIN
// A built-in serial port has a UART behind it when the kernel knows its type; without one
// it never opens, and every PC has a few of those.
bool hasUart(const QString& device)
{
    QFile type(QStringLiteral("/sys/class/tty/%1/type").arg(QFileInfo(device).fileName()));
    if (!type.open(QIODevice::ReadOnly))
        return false;
    const QByteArray value = type.readAll().trimmed();
    return !value.isEmpty() && value != "0";
}
#endif

} // namespace

PortMap::PortState PortMap::portState(const QString& comName)
{
    const Probe probe = currentProbe();
    return stateOf(comName, probe, adapterLookup(probe), listedPorts(probe));
}

PortMap::Adapter PortMap::adapterOf(const QString& comName)
{
    return adapters()(comName);
}

PortMap::Adapters PortMap::adapters()
{
    return [lookup = adapterLookup(currentProbe())](const QString& comName) {
        const QString device = devicePath(comName);
        return device.isEmpty() ? Adapter{} : lookup(device);
    };
}

QList<PortMap::PortState> PortMap::portStates()
{
    const Probe probe = currentProbe();
    const AdapterLookup adapterOf = adapterLookup(probe);
    const std::optional<QStringList> listed = listedPorts(probe);
    QList<PortState> states;
    for (int n = kFirstPort; n <= kLastPort; ++n) {
        PortState state = stateOf(comNameOf(n), probe, adapterOf, listed);
        if (state.exists)
            states.append(state);
    }
    return states;
}

bool PortMap::worthAHint(const PortState& state)
{
    if (!state.exists || state.opens)
        return false;
    if (state.listed)
        return true;
#ifdef Q_OS_WIN
    return false;
#else
    const QString name = QFileInfo(state.device).fileName();
    if (name.startsWith(QLatin1String("ttyS")) && !hasUart(state.device))
        return false;
    return usesDeviceDirectory() || name.startsWith(QLatin1String("ttyUSB")) ||
           name.startsWith(QLatin1String("ttyACM"));
#endif
}
