#include "core/messages.h"

#include "core/configcodec.h"
#include "core/maker.h"

namespace messages {

namespace {

struct CodeEntry
{
    Code code;
    const char* name;
    const char* meaning;
};

// clang-format off
constexpr CodeEntry kCodes[] = {
    {Code::None,             "",                   "sikerült"},
    {Code::Usage,            "usage",              "hibás parancssor"},
    {Code::OpenFailed,       "open-failed",        "a port nem nyitható meg"},
    {Code::NoDevice,         "no-device",          "a porton nem válaszol modul"},
    {Code::UnknownFormat,    "unknown-format",     "a kiolvasás válasza ismeretlen formátumú"},
    {Code::StatusFailed,     "status-failed",      "az állapot lekérdezése nem sikerült"},
    {Code::Unsendable,       "unsendable",         "a keret nem küldhető el"},
    {Code::NoStart,          "no-start",           "a modul nem kezdte el a fogadást"},
    {Code::NotAcknowledged,  "not-acknowledged",   "a modul nem nyugtázta a betöltést"},
    {Code::PortVanished,     "port-vanished",      "a port megszűnt átvitel közben"},
    {Code::Interrupted,      "interrupted",        "megszakítva (Ctrl+C)"},
    {Code::FileMissing,      "file-missing",       "a fájl nem létezik"},
    {Code::FileUnreadable,   "file-unreadable",    "a fájl nem olvasható"},
    {Code::NotAFile,         "not-a-file",         "könyvtár, nem konfigurációs fájl"},
    {Code::EmptyFile,        "empty-file",         "a fájl üres"},
    {Code::BinaryFile,       "binary-file",        "nem szöveges fájl"},
    {Code::FileTooShort,     "file-too-short",     "a fájl 172 sornál rövidebb"},
    {Code::BadTable,         "bad-table",          "hibás táblázat"},
    {Code::BadValue,         "bad-value",          "hibás érték"},
    {Code::FieldLocked,      "field-locked",       "a mező nem szerkeszthető"},
    {Code::TooLong,          "too-long",           "túl hosszú érték"},
    {Code::FieldRefused,     "field-refused",      "a mező ellenőrzése nem engedi"},
    {Code::FieldMissing,     "field-missing",      "kötelező mező üres"},
    {Code::OutputFailed,     "output-failed",      "a kimenet nem írható"},
    {Code::BackupFailed,     "backup-failed",      "a mentés nem sikerült, a modulba nem került semmi"},
    {Code::SaveFailed,       "save-failed",        "a fájl mentése nem sikerült"},
    {Code::VerifyFailed,     "verify-failed",      "a visszaolvasás nem sikerült"},
    {Code::VerifyMismatch,   "verify-mismatch",    "a visszaolvasott tartalom eltér"},
    {Code::Differs,          "differs",            "eltér"},
    {Code::NoModules,        "no-modules",         "egyik porton sincs modul"},
    {Code::DeviceMapMissing, "device-map-missing", "a VEXAGRID_DOSDEVICES könyvtár nem olvasható"},
    {Code::RecordUnwritable, "record-unwritable",  "az előzmények nem írhatók"},
    {Code::RecordUnreadable, "record-unreadable",  "az előzmények nem olvashatók"},
    {Code::NotARecord,       "not-a-record",       "a fájl nem a program előzményfájlja"},
    {Code::RecordTooNew,     "record-too-new",     "az előzményeket a program újabb változata írta"},
    {Code::NoSuchEvent,      "no-such-event",      "nincs ilyen esemény az előzményekben"},
    {Code::AmbiguousEvent,   "ambiguous-event",    "több esemény azonosítója kezdődik így"},
    {Code::BadBundle,        "bad-bundle",         "a csomag hibás vagy sérült"},
    {Code::Abandoned,        "abandoned",          "a program leállt, mielőtt befejezte volna"},
};
// clang-format on

const CodeEntry& entry(Code code)
{
    for (const CodeEntry& each : kCodes) {
        if (each.code == code)
            return each;
    }
    return kCodes[0];
}

} // namespace

QString codeName(Code code)
{
    return QLatin1String(entry(code).name);
}

QString codeMeaning(Code code)
{
    return QString::fromUtf8(entry(code).meaning);
}

QList<Code> allCodes()
{
    QList<Code> codes;
    for (const CodeEntry& each : kCodes) {
        if (each.code != Code::None)
            codes << each.code;
    }
    return codes;
}

QString fileTooShort(const QString& path)
{
    return QStringLiteral("A kiválasztott file \"%1\" nem nyitható meg a jelenlegi verzióval.\n"
                          "Kérem töltse le a legújabb verziót a '%2' oldalról,\n"
                          "majd töltse be a 'defval_vg.dll' fájlt!")
        .arg(configfile::fileTitle(path), maker::kWebSite);
}

} // namespace messages
