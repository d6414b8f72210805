#include "device/porttexts.h"

#include <QStringList>

namespace porttexts {

namespace {

using Reason = PortMap::PortState::Reason;

struct ReasonRow
{
    Reason reason;
    const char* text;   // follows "nem nyitható meg: "
    const char* code;   // for scripts
    const char* remedy; // a sentence of its own
};

// clang-format off
constexpr ReasonRow kReasons[] = {
    {Reason::None,         nullptr,                       nullptr,         nullptr},
    {Reason::Missing,      "nincs ilyen port",            "missing",       nullptr},
    {Reason::InUse,        "használja egy másik program", "in-use",
     "Zárja be a portot használó programot, majd próbálja újra."},
    {Reason::NoPermission, "nincs jogosultság",           "no-permission",
     "Kérje a rendszergazda segítségét."},
    {Reason::Other,        "ismeretlen hiba",             "other",         nullptr},
};
// clang-format on

const ReasonRow& rowOf(Reason reason)
{
    for (const ReasonRow& row : kReasons) {
        if (row.reason == reason)
            return row;
    }
    return kReasons[0];
}

// Nothing to say is no text at all.
QString textOf(const char* text)
{
    return text ? QString::fromUtf8(text) : QString();
}

} // namespace

QString reason(const PortMap::PortState& state)
{
    // The serial library's own words say more than "unknown" about any other failure.
    if (state.reason == Reason::Other && !state.error.isEmpty())
        return state.error;
    return textOf(rowOf(state.reason).text);
}

QString reasonCode(const PortMap::PortState& state)
{
    return textOf(rowOf(state.reason).code);
}

QString remedy(const PortMap::PortState& state)
{
    // Joining root is no advice to give; such a device needs the administrator.
    if (state.reason == Reason::NoPermission && !state.group.isEmpty() &&
        state.group != QLatin1String("root"))
        return QStringLiteral("Megoldás: sudo usermod -aG %1 $USER, majd jelentkezzen be újra.")
            .arg(state.group);
    return textOf(rowOf(state.reason).remedy);
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
