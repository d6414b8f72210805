#include "core/statuscodec.h"

#include <QStringList>

namespace status {

namespace {

constexpr int kPieces = 8;

bool isSet(const QString& piece, qsizetype position)
{
    return position < piece.size() && piece.at(position) == u'1';
}

Lamp outputLamp(bool set)
{
    return set ? Lamp::Active : Lamp::Off;
}

Lamp inputLamp(bool set)
{
    return set ? Lamp::Alarm : Lamp::Normal;
}

} // namespace

Expected<View> decode(const QString& line, DeviceKind deviceKind)
{
    const QStringList s = line.split(u' ', Qt::KeepEmptyParts);
    if (s.size() < kPieces)
        return Failure(messages::Code::StatusFailed,
                       QStringLiteral("Az állapotválasz %1 részből áll, legalább %2 kell.")
                           .arg(s.size())
                           .arg(kPieces),
                       {{QStringLiteral("pieces"), int(s.size())}});

    const bool known = deviceKind != DeviceKind::Unknown;
    View view;

    view.out[0] = outputLamp(isSet(s[0], 5));
    view.out[1] = outputLamp(known && isSet(s[0], 6));
    view.out[2] = outputLamp(known && isSet(s[0], 7));
    view.out[3] = outputLamp(known && isSet(s[0], 8));

    view.phase[0] = inputLamp(isSet(s[1], 3));
    view.phase[1] = inputLamp(isSet(s[1], 4));
    view.phase[2] = inputLamp(known && isSet(s[1], 5));
    view.phase[3] = inputLamp(known && isSet(s[1], 6));

    if (known) {
        view.analog = s[2].mid(3) + QLatin1StringView(" V");
        view.counter = s[3].mid(4);
    } else {
        view.analog = QStringLiteral("--.- V");
        view.counter = QStringLiteral("-----");
    }

    view.supply = isSet(s[4], 6) ? Lamp::Normal : Lamp::Alarm;

    // Strength 1..5 shows as 10..50; anything else, including no number, as the lowest bar.
    // Compared before scaling so that a huge number cannot overflow.
    bool ok = false;
    const int strength = s[5].mid(5).toInt(&ok, 10);
    view.signal = ok && strength >= 1 && strength <= 5 ? strength * 10 : 10;
    view.signalLow = view.signal == 10;

    view.version = s[7];
    return view;
}

} // namespace status
