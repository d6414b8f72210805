#pragma once

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

// A message on one line, for a result line of the command line.
inline QString oneLine(const QString& text)
{
    return QString(text).replace(QLatin1Char('\n'), QLatin1Char(' '));
}

} // namespace messages
