#pragma once

#include "core/failure.h"

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>
#include <QStringList>

// Why a configuration file could not be read or written. The window's boxes keep their fixed
// texts; the reason a maintainer needs is written here, at warning level.
Q_DECLARE_LOGGING_CATEGORY(lcFiles)

// The configuration file: one form value per line, in form order, CR LF after every line,
// in the system's 8-bit locale encoding. The defaults file is the same format with up to
// two extra lines after the values.
namespace configfile {

// Lines holding form values: 58 line edits, 64 check boxes, 50 radio buttons.
constexpr int kValueLines = 172;

// Indexes (from 0) of the defaults file's optional lines after the values.
constexpr int kLinkTextLine = kValueLines;
constexpr int kAboutTextLine = kValueLines + 1;

// A line of exactly this text after the 172 values ends the file when reading; it is kept
// as a line itself. Among the values it is a value like any other.
inline constexpr QLatin1StringView kEndMark("---");

// The file's bytes: every line followed by CR LF, nothing before or after.
QByteArray encode(const QStringList& lines);

// The lines as the loader reads them: LF or CR LF ends a line (a CR elsewhere stays in the line),
// reading stops after a line equal to the end mark past the values, an empty file gives one empty
// line, and the last line ending does not start another line.
QStringList decodeLines(const QByteArray& content);

// True when the lines hold a value for every widget of the form.
inline bool hasAllValues(const QStringList& lines)
{
    return lines.size() >= kValueLines;
}

// The lines of the file at `path` as the loader reads them, or why not: FileMissing ("%1:
// nincs ilyen fájl."), NotAFile for a directory, FileUnreadable ("%1: nem olvasható (nincs
// jogosultság)."). Details: "file", and for a file that did not open "reason" and
// "systemError".
Expected<QStringList> readFile(const QString& path);

// Writes the lines to `path` through a temporary file that replaces the old one only when
// complete: a failed write leaves no truncated configuration behind. On failure SaveFailed,
// "%1: nem írható: nincs jogosultság." and the like, with the details "file", "reason"
// ("not-a-file", "no-folder", "no-permission", "other") and "systemError".
Expected<void> writeFile(const QString& path, const QStringList& lines);

// The name shown in the status bar: the file name without directory, rebuilt as the part before
// the first point, a point, and the rest ("dir/conf" gives "conf.").
QString fileTitle(const QString& path);

} // namespace configfile
