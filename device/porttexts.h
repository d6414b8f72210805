#pragma once

#include "device/portmap.h"

#include <QJsonObject>
#include <QString>

// The words the port dialog and the command line share about a port, so that both say
// the same thing about the same device.
namespace porttexts {

// Why the port does not open, to follow "nem nyitható meg: ": "nincs jogosultság",
// "használja egy másik program", "nincs ilyen port" ... ("" when it opens).
QString reason(const PortMap::PortState& state);

// The reason for scripts: "in-use", "no-permission", "missing", "other" ("" when it opens).
QString reasonCode(const PortMap::PortState& state);

// What the user can do about it, a sentence of its own ("" when there is nothing to say).
QString remedy(const PortMap::PortState& state);

// "A COM5 (/dev/ttyUSB0) nem nyitható meg: nincs jogosultság. Megoldás: ..."
QString hint(const PortMap::PortState& state);

// The device and what the adapter says of itself:
// "/dev/ttyUSB0 (FT232R USB UART, gyártó: FTDI, sorozatszám: A10K3ZQ)", or only the device
// when the adapter is unknown.
QString facts(const PortMap::PortState& state);

// What a script reads of a port that did not open: "reason" (reasonCode()) and
// "systemError" (the library's words, null when it said nothing).
QJsonObject openFailureKeys(const PortMap::PortState& state);

} // namespace porttexts
