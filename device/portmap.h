#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QSerialPort;

// The program names its ports "COM1" ... "COM32" on every platform. PortMap turns such a
// name into the device that QSerialPort opens, and back.
//
// Windows: the name is the port itself, and it exists when the system lists it.
// Elsewhere:
//   - When the device directory exists ($VEXAGRID_DOSDEVICES when set, otherwise
//     ~/.vexagrid/dosdevices), it is the whole map: "COMn" is its entry "comn" (lower
//     case, usually a symlink to a device node), and a name without an entry does not
//     exist. A user's map stays exactly as written, and tests never reach the machine's
//     own ports.
//   - Otherwise the built-in table: COM1-COM4 -> /dev/ttyS0-3, COM5-COM20 ->
//     /dev/ttyUSB0-15, COM21-COM32 -> /dev/ttyACM0-11.
//
// Names are taken case-insensitively ("com3" is COM3); the number is decimal without a
// leading zero.
class PortMap
{
public:
    static constexpr int kFirstPort = 1;
    static constexpr int kLastPort = 32;

    // $VEXAGRID_DOSDEVICES when set and not empty, otherwise ~/.vexagrid/dosdevices.
    static QString deviceDirectory();
    // True when the device directory exists, so that it is the whole map.
    static bool usesDeviceDirectory();

    // The port number of "COMn" (n >= 1), 0 for anything else.
    static int portNumber(const QString& comName);

    // The device to open for a COM name, or "" when the name is no port of the map.
    // A directory entry is followed to the device it points at (symlinks resolved), so
    // that one device has one name for QSerialPort's lock file whichever link reached it;
    // a dangling entry gives the entry's own path (opening it then fails).
    static QString devicePath(const QString& comName);

    // The COM name whose device is devicePath, or "" when no name of the map leads there.
    static QString portName(const QString& devicePath);

    // The built-in table's device for port n, or "" outside 1..32.
    static QString tableDevice(int n);

    // "COM1" ... "COM32" in ascending order, only those whose device opens right now
    // (each is opened and closed again at once; a port held by another program is left
    // out).
    static QStringList availablePorts();

    // What a port dialog or the command line says about one COM name.
    struct PortState
    {
        enum class Reason {
            None,         // it opens
            Missing,      // no device behind the name
            InUse,        // another program holds it
            NoPermission, // the user may not open the device (see group)
            Other,        // any other failure (see error)
        };
        QString name;   // "COM3"
        QString device; // what opens, "" when the name is no port of the map
        bool exists = false;
        // The system lists it, where the system's list says which ports exist (Windows).
        bool listed = false;
        bool opens = false;
        Reason reason = Reason::Missing;
        QString error; // the serial library's words when it did not open
        QString group; // the device file's group, the one to join for access
        // As the adapter reports them, "" when unknown (a built-in port, a pseudo-terminal).
        QString description;
        QString manufacturer;
        QString serialNumber;
    };

    // The state of one name right now (the port is opened and closed again at once).
    static PortState portState(const QString& comName);
    // What the system says of the adapter behind a COM name (description, maker, serial
    // number), without opening it: empty facts for a name that is no port, a built-in port or
    // a pseudo-terminal.
    struct Adapter;
    static Adapter adapterOf(const QString& comName);
    // The same for any COM name, from one look at the system now: for a run that names many
    // ports (the look reads every serial device the system has).
    using Adapters = std::function<Adapter(const QString& comName)>;
    static Adapters adapters();
    // The state of every name from COM1 to COM32 whose device exists, in ascending order.
    static QList<PortState> portStates();

    // True for a port that exists but does not open and that a user could plausibly mean:
    // one the system lists, a USB or ACM device, or an entry of the user's own device
    // directory. A /dev/ttyS* without a UART behind it is left out: nearly every PC has
    // some, and none opens.
    static bool worthAHint(const PortState& state);

    // How a device is probed. The real probe opens and closes the device; tests replace
    // it, since as root every device file opens whatever its mode.
    struct OpenResult
    {
        bool opened = false;
        PortState::Reason reason = PortState::Reason::Other; // None when it opened
        QString error;                                       // the library's words
    };
    struct Adapter
    {
        QString description;
        QString manufacturer;
        QString serialNumber;
    };
    struct Probe
    {
        // A replacement also speaks for the exchanges' own opens (SerialPort): a device it
        // refuses does not open for them either.
        std::function<OpenResult(const QString& device)> open;
        // Empty facts when the device is no adapter the system knows.
        std::function<Adapter(const QString& device)> adapter;
        // The COM names the system lists. On Windows only a listed name exists (the real
        // list is the serial library's); a test gives a list to try that rule anywhere.
        std::function<QStringList()> listed;
    };
    // The real probe's parts, for a replacement that handles only some devices itself.
    static OpenResult openDevice(const QString& device);
    // Replaces the probe; a member left empty, or a default Probe, means the real one.
    static void setProbe(const Probe& probe);

    // Why `port` did not open `device`, in the probe's terms.
    static OpenResult failureOf(const QSerialPort& port, const QString& device);
    // What a replaced probe says of `device` before an exchange opens it; opened when it
    // would open, and always when the probe is the real one (the exchange's own open then
    // tells).
    static OpenResult probedOpen(const QString& device);
    // A COM name's state after an exchange failed to open its device as `result` says.
    static PortState refusedState(const QString& comName, const OpenResult& result);
};
