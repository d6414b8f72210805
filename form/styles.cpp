#include "form/styles.h"

namespace styles {

namespace {

using status::Lamp;

// A lamp's colour is the window's business, so its table is here and not beside the enum.
constexpr struct
{
    Lamp lamp;
    QLatin1StringView style;
} kLamps[] = {
    {Lamp::Active, QLatin1StringView("background-color: rgb(255, 170, 0);")},
    {Lamp::Off, QLatin1StringView("background-color: rgb(180, 180, 180);")},
    {Lamp::Alarm, QLatin1StringView("background-color: rgb(255, 0, 0);")},
    {Lamp::Normal, QLatin1StringView("background-color: rgb(0, 170, 0);")},
};

} // namespace

QLatin1StringView lamp(Lamp lamp)
{
    for (const auto& row : kLamps) {
        if (row.lamp == lamp)
            return row.style;
    }
    return kLamps[1].style;
}

QLatin1StringView signalChunk(bool low)
{
    return low ? QLatin1StringView("QProgressBar::chunk { background-color: #FF0000; }")
               : QLatin1StringView("QProgressBar::chunk { background-color: #05B8CC; }");
}

} // namespace styles
