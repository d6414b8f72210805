#pragma once

#include <QList>
#include <QString>

#include <cstdint>
#include <type_traits>

// The program's version ("1.03"): the project's version as the build knows it.
QString programVersion();

// The baud rates a port can be given, as the port dialog lists them.
const QList<qint32>& baudRates();

// What the identification found on the port. The settings record keeps it as the 32-bit
// number it has always been (deviceKind): 0 before a module answers, 4 once one has.
enum class DeviceKind : std::int32_t {
    Unknown = 0,   // no module identified: only what every module has is shown
    VexaGrid3 = 4, // a module answered the identification
};
static_assert(std::is_same_v<std::underlying_type_t<DeviceKind>, std::int32_t>);

// The program's settings record: the link parameters of the serial exchanges and,
// beside them, the main window's file and device state. MainWindow holds the one
// long-lived instance by value; a download hands a complete copy to its dialog and
// worker, so the record is a plain value type and a copy never shares anything.
struct ProgramSettings
{
    QString port = QStringLiteral("COM1");
    std::int32_t baud = 1200;
    // Kept because the record has always carried it; nothing reads it.
    std::uint8_t checkSize = 0;
    char ackChar = 'O';
    // Kept because the record has always carried it; every exchange has its own fixed
    // waits instead.
    std::int32_t serialTimeout = 2000;
    // Kept because the record has always carried it; nothing reads it.
    std::int32_t checkValue = 0;
    char downloadSeparator = '|';
    // The read-out's separator and command character. The read-out asks and splits with the
    // protocol's own fixed characters; these are kept because the record has always had them.
    char uploadSeparator = '|';
    char uploadCommand = '{';
    QString downloadText;
    QString fileTitle;
    QString filePath;
    QString linkText;
    QString aboutText; // set from the defaults file; nothing shows it
    QString deviceImage = QStringLiteral("i_vg-3.dll");
    std::int32_t deviceKind = 0; // a DeviceKind
    QString version = programVersion();
    QString deviceId;
};
