#include "device/porttexts.h"

#include <QStringList>

namespace porttexts {

QString reason(const PortMap::PortState& state)
{
    using Reason = PortMap::PortState::Reason;
    switch (state.reason) {
    case Reason::None:
        return QString();
    case Reason::Missing:
        return QStringLiteral("nincs ilyen port");
    case Reason::InUse:
        return QStringLiteral("használja egy másik program");
    case Reason::NoPermission:
        return QStringLiteral("nincs jogosultság");
    case Reason::Other:
        break;
    }
    return state.error.isEmpty() ? QStringLiteral("ismeretlen hiba") : state.error;
}

QString reasonCode(const PortMap::PortState& state)
{
    using Reason = PortMap::PortState::Reason;
    switch (state.reason) {
    case Reason::None:
        break;
    case Reason::Missing:
        return QStringLiteral("missing");
    case Reason::InUse:
        return QStringLiteral("in-use");
    case Reason::NoPermission:
        return QStringLiteral("no-permission");
    case Reason::Other:
        return QStringLiteral("other");
    }
    return QString();
}

QString remedy(const PortMap::PortState& state)
{
    using Reason = PortMap::PortState::Reason;
    switch (state.reason) {
    case Reason::InUse:
        return QStringLiteral("Zárja be a portot használó programot, majd próbálja újra.");
    case Reason::NoPermission:
        // Joining root is no advice to give; such a device needs the administrator.
        if (state.group.isEmpty() || state.group == QLatin1String("root"))
            return QStringLiteral("Kérje a rendszergazda segítségét.");
        return QStringLiteral("Megoldás: sudo usermod -aG %1 $USER, majd jelentkezzen be újra.")
            .arg(state.group);
    default:
        return QString();
    }
}

QString hint(const PortMap::PortState& state)
{
    // The port dialog returns no name when no port opens at all.
    if (state.name.isEmpty())
        return QStringLiteral("Nincs megnyitható port.");
    // A name without a device is no port of the map: there is no device to name.
    QString text = state.device.isEmpty()
                       ? QStringLiteral("A %1 nem nyitható meg: %2.").arg(state.name, reason(state))
                       : QStringLiteral("A %1 (%2) nem nyitható meg: %3.")
                             .arg(state.name, state.device, reason(state));
    const QString what = remedy(state);
    if (!what.isEmpty())
        text += QLatin1Char(' ') + what;
    return text;
}

QString facts(const PortMap::PortState& state)
{
    QStringList adapter;
    if (!state.description.isEmpty())
        adapter << state.description;
    if (!state.manufacturer.isEmpty())
        adapter << QStringLiteral("gyártó: %1").arg(state.manufacturer);
    if (!state.serialNumber.isEmpty())
        adapter << QStringLiteral("sorozatszám: %1").arg(state.serialNumber);
    if (adapter.isEmpty())
        return state.device;
    return QStringLiteral("%1 (%2)").arg(state.device, adapter.join(QStringLiteral(", ")));
}

QJsonObject openFailureKeys(const PortMap::PortState& state)
{
    return {{QStringLiteral("reason"), reasonCode(state)},
            {QStringLiteral("systemError"),
             state.error.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(state.error)}};
}

} // namespace porttexts
