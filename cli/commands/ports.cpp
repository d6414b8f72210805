// ports: every COM port that exists, its device and adapter, and whether it opens.
#include "cli/argchecks.h"
#include "cli/commands.h"
#include "cli/modules.h"
#include "cli/report.h"
#include "device/outcomes.h"
#include "device/portmap.h"
#include "device/porttexts.h"

namespace cli {

namespace {

// "/dev/ttyUSB0 (adapter), megnyitható", or why not and what to do.
report::Line portLine(const PortMap::PortState& state)
{
    report::Line line;
    line.port = state.name;
    line.ok = state.opens;
    line.keys = {{QStringLiteral("device"), state.device},
                 {QStringLiteral("group"), state.group},
                 {QStringLiteral("description"), state.description},
                 {QStringLiteral("manufacturer"), state.manufacturer},
                 {QStringLiteral("serialNumber"), state.serialNumber}};
    line.message = porttexts::facts(state) + QStringLiteral(", ");
    if (state.opens) {
        line.message += QStringLiteral("megnyitható");
    } else {
        line.error = messages::Code::OpenFailed;
        line.message += outcomes::openFailure(state);
        line.keys.insert(QStringLiteral("reason"), porttexts::reasonCode(state));
        line.keys.insert(QStringLiteral("systemError"), state.error);
    }
    return line;
}

Expected<Exit> listPorts(const Options&)
{
    if (const Expected<void> map = deviceMapUsable(); !map)
        return map.failure();
    const QList<PortMap::PortState> states = PortMap::portStates();
    if (states.isEmpty()) {
        report::Line none;
        none.ok = true;
        none.message = QStringLiteral("Nincs egyetlen soros port sem (COM1 ... COM32).");
        report::result(none);
    }
    for (const PortMap::PortState& state : states)
        report::result(portLine(state));
    return Exit::Success;
}

} // namespace

namespace commands {

// clang-format off
CommandInfo ports()
{
    return {"ports", "ports",
            "a létező COM portok: eszköz, adapter, és hogy megnyitható-e",
            "Minden létező COM port (COM1 ... COM32): az eszköz, az adapter leírása, gyártója és "
            "sorozatszáma, és hogy megnyitható-e; ha nem, miért (foglalt, nincs jogosultság), és mi "
            "a teendő.",
            {},
            {"device", "description", "manufacturer", "serialNumber", "group", "reason", "systemError"},
            "vexagrid-cli ports",
            argchecks::nothing, listPorts};
}
// clang-format on

} // namespace commands

} // namespace cli
