#pragma once

#include "core/statuscodec.h"

#include <QLatin1StringView>

// The style sheets of the window's lamps, signal bar and buttons, each written once. They
// are the program's own texts and keep the spacing each has always had: the device buttons'
// enabled and locked looks are written without blanks inside rgb(), the status button's
// busy and ready looks and the lamps with them; the form file gives the buttons their first
// look (port_gomb's with a blank before its line break).
namespace styles {

// The status panel's 16 x 16 lamps.
QLatin1StringView lamp(status::Lamp lamp);
// The signal bar's chunk: red at the lowest strength.
QLatin1StringView signalChunk(bool low);

// The device buttons once a module is connected, and every push button but port_gomb while
// the window is locked.
inline constexpr QLatin1StringView
    kDownloadButton("color: rgb(255,255,255); background-color: rgb(191,0,0);");
inline constexpr QLatin1StringView
    kVerifyButton("color: rgb(255,255,255); background-color: rgb(0,128,0);");
inline constexpr QLatin1StringView
    kUploadButton("color: rgb(255,255,255); background-color: rgb(255,128,0);");
inline constexpr QLatin1StringView
    kStatusButton("color: rgb(255,255,255); background-color: rgb(0,170,127);");
inline constexpr QLatin1StringView
    kLockedButton("color: rgb(255,255,255); background-color: rgb(180,180,180);");

// The status button while a query runs, and once it has ended.
inline constexpr QLatin1StringView
    kStatusButtonBusy("color: rgb(255, 255, 255); background-color: rgb(180, 180, 180);");
inline constexpr QLatin1StringView
    kStatusButtonReady("color: rgb(255, 255, 255); background-color: rgb(0, 170, 127);");

} // namespace styles
