#include "device/outcomes.h"

#include "device/porttexts.h"

namespace outcomes {

namespace {

using conversation::Exchange;
using conversation::Outcome;
using messages::Code;

struct Row
{
    Exchange exchange;
    Outcome outcome;
    Code code;
    const char* title; // nullptr: no box
    const QString* window;
    // nullptr: the window's text on one line; for a port that did not open, what stands
    // before "nem nyitható meg: ..."
    const char* line;
};

const QString kNone;

// clang-format off
const Row kRows[] = {
    {Exchange::Identify, Outcome::Ok,              Code::None,            nullptr, &kNone, ""},
    {Exchange::Identify, Outcome::OpenFailed,      Code::OpenFailed,      "Eszköz", &messages::kNoDevice, ""},
    {Exchange::Identify, Outcome::NotModule,       Code::NoDevice,        "Eszköz", &messages::kNoDevice, nullptr},
    {Exchange::ReadOut,  Outcome::Ok,              Code::None,            nullptr, &kNone, ""},
    {Exchange::ReadOut,  Outcome::OpenFailed,      Code::OpenFailed,      "Hiba", &messages::kReadOutPortFailed, "Sikertelen kiolvasás, a port"},
    {Exchange::ReadOut,  Outcome::Cancelled,       Code::Interrupted,     nullptr, &kNone, "Megszakítva kiolvasás közben."},
    {Exchange::ReadOut,  Outcome::NoSeparator,     Code::UnknownFormat,   "Hiba", &messages::kReadOutUnknownFormat, nullptr},
    {Exchange::ReadOut,  Outcome::WrongCount,      Code::UnknownFormat,   "Hiba", &messages::kReadOutUnknownFormat, nullptr},
    {Exchange::Status,   Outcome::Ok,              Code::None,            nullptr, &kNone, ""},
    {Exchange::Status,   Outcome::OpenFailed,      Code::OpenFailed,      "Hiba", &messages::kStatusFailed, "Sikertelen lekérdezés, a port"},
    {Exchange::Status,   Outcome::BadStatus,       Code::StatusFailed,    "Hiba", &messages::kStatusFailed, nullptr},
    {Exchange::Write,    Outcome::Ok,              Code::None,            nullptr, &messages::kDownloadSucceeded, nullptr},
    {Exchange::Write,    Outcome::OpenFailed,      Code::OpenFailed,      "Betöltés", &messages::kDownloadFailed, "Betöltés hiba, a port"},
    {Exchange::Write,    Outcome::Cancelled,       Code::Interrupted,     nullptr, &kNone, "Megszakítva betöltés közben (%1 bájt ment el), a modul beállítása nem teljes."},
    {Exchange::Write,    Outcome::Unsendable,      Code::Unsendable,      "Betöltés", &messages::kDownloadFailed, "Betöltés hiba. (a keret nem küldhető el)"},
    {Exchange::Write,    Outcome::NoStart,         Code::NoStart,         "Betöltés", &messages::kDownloadFailed, "Betöltés hiba. (a modul nem kezdte el a fogadást)"},
    {Exchange::Write,    Outcome::NotAcknowledged, Code::NotAcknowledged, "Betöltés", &messages::kDownloadFailed, "Betöltés hiba. (a modul nem nyugtázta)"},
    {Exchange::Write,    Outcome::Vanished,        Code::PortVanished,    "Betöltés", &messages::kDownloadFailed, "Betöltés hiba. (a port megszűnt átvitel közben)"},
};
// clang-format on

} // namespace

QString openFailure(const PortMap::PortState& port)
{
    QString text = QStringLiteral("nem nyitható meg: %1.").arg(porttexts::reason(port));
    const QString remedy = porttexts::remedy(port);
    if (!remedy.isEmpty())
        text += QLatin1Char(' ') + remedy;
    return text;
}

Words of(const conversation::Result& result)
{
    Words words;
    for (const Row& row : kRows) {
        if (row.exchange != result.exchange || row.outcome != result.outcome)
            continue;
        words.code = row.code;
        words.title = row.title ? QString::fromUtf8(row.title) : QString();
        words.window = *row.window;
        words.line = row.line ? QString::fromUtf8(row.line) : messages::oneLine(*row.window);
        break;
    }
    if (result.outcome == Outcome::OpenFailed) {
        // The window's text stays as it is, with the port's hint on a line of its own; the
        // download's dialog keeps its one text.
        if (result.exchange != Exchange::Write)
            words.window += QLatin1Char('\n') + porttexts::hint(result.port);
        const QString why = openFailure(result.port);
        words.line = words.line.isEmpty() ? why : words.line + QLatin1Char(' ') + why;
    }
    if (result.exchange == Exchange::Write && result.outcome == Outcome::Cancelled)
        words.line = words.line.arg(result.bytesSent);
    return words;
}

Failure failureOf(const conversation::Result& result)
{
    if (result.ok())
        return Failure();
    const Words words = of(result);
    return Failure(words.code, words.line,
                   result.opened() ? QJsonObject() : porttexts::openFailureKeys(result.port));
}

} // namespace outcomes
