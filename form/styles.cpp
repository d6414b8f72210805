#include "form/styles.h"

namespace styles {

QLatin1StringView lamp(status::Lamp lamp)
{
    switch (lamp) {
    case status::Lamp::Active:
        return QLatin1StringView("background-color: rgb(255, 170, 0);");
    case status::Lamp::Off:
        break;
    case status::Lamp::Alarm:
        return QLatin1StringView("background-color: rgb(255, 0, 0);");
    case status::Lamp::Normal:
        return QLatin1StringView("background-color: rgb(0, 170, 0);");
    }
    return QLatin1StringView("background-color: rgb(180, 180, 180);");
}

QLatin1StringView signalChunk(bool low)
{
    return low ? QLatin1StringView("QProgressBar::chunk { background-color: #FF0000; }")
               : QLatin1StringView("QProgressBar::chunk { background-color: #05B8CC; }");
}

} // namespace styles
