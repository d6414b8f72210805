#pragma once

#include "core/failure.h"
#include "core/programsettings.h"

#include <QString>

#include <array>

// The module's status reply: one line of blank-separated pieces S0..S7 with flags at fixed
// character positions, two values, the signal strength and the firmware version.
namespace status {

enum class Lamp { Active, Off, Alarm, Normal };

// The signal bar's range; the decoded value lies in 10..50 in steps of 10.
constexpr int kSignalMaximum = 55;

struct View
{
    std::array<Lamp, 4> out{Lamp::Off, Lamp::Off, Lamp::Off, Lamp::Off}; // Active or Off
    // Phases R, S, T and input 4: Alarm or Normal.
    std::array<Lamp, 4> phase{Lamp::Normal, Lamp::Normal, Lamp::Normal, Lamp::Normal};
    QString analog;            // analog input text, " V" included
    QString counter;           // pulse counter text
    Lamp supply = Lamp::Alarm; // Normal or Alarm
    int signal = 10;           // 10..50
    bool signalLow = true;     // the bar shows the lowest, red value
    QString version;
};

// Decodes one reply line (without its CR). Fewer than 8 pieces fail it (StatusFailed, the
// pieces found in the detail "pieces"). A flag counts as set only when its character is there
// and is "1"; so a piece too short for the supply flag shows the supply as an alarm, and a
// value starting past the end of its piece is empty. Of a module not identified
// (DeviceKind::Unknown) only what every module has is shown.
Expected<View> decode(const QString& line, DeviceKind deviceKind);

} // namespace status
