#pragma once

#include <QList>
#include <QString>

// The program's own words for what happened, shown by the window in its boxes and dialogs
// and by the command line on its result lines. They are written once, here. (The field
// checks' texts stand with the checks, in fieldchecks.h.)
namespace messages {

inline const QString kDefaultsFile = QStringLiteral("defval_vg.dll");

inline const QString kFileError = QStringLiteral("File hiba");
inline const QString kFileMissing = QStringLiteral("A kiválasztott fájl nem létezik.");
// A configuration file of fewer than 172 lines: three lines naming the file (as the status
// bar shows its name) and where to get a newer program.
QString fileTooShort(const QString& path);

inline const QString kNoDevice =
    QStringLiteral("A kiválasztott porton nem található csatlakoztatott eszköz.");
inline const QString kReadOutPortFailed =
    QStringLiteral("Sikertelen kiolvasás.\nNem lehet megnyitni a portot.");
inline const QString kReadOutUnknownFormat =
    QStringLiteral("Sikertelen kiolvasás. (Ismeretlen formátum)");
inline const QString kStatusFailed =
    QStringLiteral("Sikertelen lekérdezés.\nEllenõrizze az eszközt!");
inline const QString kDownloadSucceeded = QStringLiteral("Sikeres betöltés.");
inline const QString kDownloadFailed =
    QStringLiteral("Betöltés hiba.\nTipp: ellenõrizze az eszközt és a port beállítást.");

// Why a piece of work failed, as the command line names it for scripts: the "error" of its
// JSON objects. One list for every failure the program reports; device/outcomes maps each
// exchange's outcome onto it.
enum class Code {
    None, // it succeeded
    Usage,
    OpenFailed,
    NoDevice,
    UnknownFormat,
    StatusFailed,
    Unsendable,
    NoStart,
    NotAcknowledged,
    PortVanished,
    Interrupted,
    FileMissing,
    FileUnreadable,
    NotAFile,
    EmptyFile,
    BinaryFile,
    FileTooShort,
    BadTable,
    BadValue,
    FieldLocked,
    TooLong,
    FieldRefused,
    FieldMissing,
    OutputFailed,
    BackupFailed,
    SaveFailed,
    VerifyFailed,
    VerifyMismatch,
    Differs,
    NoModules,
    DeviceMapMissing,
    RecordUnwritable,
    RecordUnreadable,
    NotARecord,
    RecordTooNew,
    NoSuchEvent,
    AmbiguousEvent,
    BadBundle,
    Abandoned,
};

// A code's name in JSON ("open-failed"); "" for Code::None.
QString codeName(Code code);
// What a code means, in a few Hungarian words ("a port nem nyitható meg").
QString codeMeaning(Code code);
// Every code but None, in the order above.
QList<Code> allCodes();

// A message on one line, for a result line of the command line.
inline QString oneLine(const QString& text)
{
    return QString(text).replace(QLatin1Char('\n'), QLatin1Char(' '));
}

} // namespace messages
