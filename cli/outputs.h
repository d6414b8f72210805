#pragma once

#include "core/failure.h"

#include <QDateTime>
#include <QString>

// What the command line writes is made sure of before anything is read from a module: the
// folder exists (missing folders are made) and takes a new file. Reading a module for seconds
// only to find at the end that its file cannot be saved throws the work away.
namespace cli::outputs {

// A folder that takes new files, or why not: "nincs jogosultság", "nem könyvtár", "nem
// létezik és nem hozható létre" (Code::OutputFailed).
Expected<void> ensureFolder(const QString& dir);
// A file that can be written at `path` (its folder as ensureFolder(); the file itself, when
// it is there already, writable and no folder).
Expected<void> ensureFile(const QString& path);

// The backup of a module: <m_id>-<port>-<UTC time>.vgf in `dir` ("modul" for a module
// without identifier), with "-2", "-3" ... before ".vgf" when such a file is there already.
QString backupPath(const QString& dir, const QString& id, const QString& port,
                   const QDateTime& utc);

} // namespace cli::outputs
