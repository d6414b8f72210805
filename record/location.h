#pragma once

#include <QString>

// Where the record is and who is writing into it.
namespace record {

// The record's file, or none when the record is turned off.
struct Location
{
    static Location off() { return {}; }
    static Location file(const QString& path);

    bool isOff() const { return path.isEmpty(); }

    QString path; // absolute; "" when off
};

// The record every program of the user shares, whatever application name it runs under:
// ~/.local/share/vexagrid/record.sqlite on Linux, %APPDATA%\vexagrid\record.sqlite on Windows.
QString defaultPath();

// VEXAGRID_RECORD: unset or empty for the default file, "off" for none, otherwise the file it
// names (relative to the working folder). The command line's --record FILE and --no-record
// take its place when given.
Location locationFromEnvironment();

// Loads the Qt SQL driver plugins this program will use (SQLite's when the record is on,
// PostgreSQL's when a team server is set), for the program's whole life. Called at start,
// before the program starts threads of its own: wine's loader crashed when a plugin was
// loaded later, while threads came and went (it sets up a loaded DLL's thread-local storage
// in every thread), and a record opened for the first time in the middle of an exchange then
// took the whole window with it.
void loadDrivers(const Location& location, bool remote);

// Who records and where: stored with every event this program makes.
struct Identity
{
    QString operatorName;
    QString host;
    QString programVersion;

    // VEXAGRID_OPERATOR, otherwise the system's login name; the machine's host name; the
    // program's version.
    static Identity ofThisProcess();
};

} // namespace record
