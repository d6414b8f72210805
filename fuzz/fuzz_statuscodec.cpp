#include "core/statuscodec.h"

#include "fuzz/fuzztarget.h"

#include <QStringList>

namespace {

void checkStatus(const QString& line, DeviceKind kind)
{
    using status::Lamp;
    const Expected<status::View> view = status::decode(line, kind);
    fuzzCheck(view.ok() == (line.count(u' ') >= 7), "eight pieces needed");
    if (!view) {
        fuzzCheck(view.failure().details.value(QStringLiteral("pieces")).toInt() ==
                      line.count(u' ') + 1,
                  "the pieces found");
        return;
    }

    fuzzCheck(view->signal >= 10 && view->signal <= 50 && view->signal % 10 == 0, "signal range");
    fuzzCheck(view->signalLow == (view->signal == 10), "low signal");
    for (Lamp lamp : view->out)
        fuzzCheck(lamp == Lamp::Active || lamp == Lamp::Off, "output lamp");
    for (Lamp lamp : view->phase)
        fuzzCheck(lamp == Lamp::Alarm || lamp == Lamp::Normal, "phase lamp");
    fuzzCheck(view->supply == Lamp::Alarm || view->supply == Lamp::Normal, "supply lamp");
    fuzzCheck(view->version == line.section(u' ', 7, 7), "version is S7");
    fuzzCheck(view->analog.endsWith(QLatin1StringView(" V")), "analog unit");
    if (kind == DeviceKind::Unknown) {
        fuzzCheck(view->analog == QLatin1StringView("--.- V") &&
                      view->counter == QLatin1StringView("-----"),
                  "no values without a module");
        fuzzCheck(view->out[1] == Lamp::Off && view->out[2] == Lamp::Off &&
                      view->out[3] == Lamp::Off,
                  "outputs 2-4 off without a module");
        fuzzCheck(view->phase[2] == Lamp::Normal && view->phase[3] == Lamp::Normal,
                  "phase T and input 4 normal without a module");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString line = latin1Text(data, size);
    checkStatus(line, DeviceKind::Unknown);
    checkStatus(line, DeviceKind::VexaGrid3);
    // A kind the program does not know yet is treated as an identified module.
    checkStatus(utf16Text(data, size), DeviceKind(size > 0 ? int(int8_t(data[0])) : 1));
    return 0;
}

QList<QByteArray> fuzzSeeds()
{
    return {"OUTS=1010 IN=1001 AN=12.5 CNT=00042 POWER=1 CSQ_=3 x V_1.03",
            "OUTS=1000  IN=1010 AN=12.5 CNT=00042 POWER=1 CSQ_=3 x V_1.03",
            "OUTS= IN AN CNT POWER CSQ_ x V", "       ", "a b c d e f g"};
}
