#pragma once

#include <QString>
#include <QStringList>

// The files the program reads beside itself (the defaults file, the module picture,
// the manual) are looked up in the current directory first, then in the program's
// own folder, then in ../share/vexagrid relative to it. A program started from a
// desktop menu runs in the user's home, where it would otherwise find none of them.
namespace runtimefiles {

// The folders searched, in order: "." then the installed data folders.
QStringList searchDirs();

// The path of the first existing file called `name` in `dirs`; `name` itself when
// none has it, so the caller's own "missing file" handling applies unchanged.
QString locate(const QString& name, const QStringList& dirs);
QString locate(const QString& name);

} // namespace runtimefiles
