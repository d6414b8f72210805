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
