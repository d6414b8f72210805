#pragma once

#include "cli/configplan.h"

#include <QList>
#include <QString>
#include <QStringList>

// The command line's words: a subcommand, its options, its file.
namespace cli {

enum class Command { Ports, Identify, Read, Write, Diff, Check, Status };

struct Options
{
    Command command = Command::Ports;
    QStringList ports; // "COM3", ..., in port order; empty with allPorts or --each
    bool allPorts = false;
    qint32 baud = 1200;
    bool json = false;
    bool quiet = false;
    QString file;   // write, diff, check
    QString output; // read
    QString base;   // the defaults file; empty: where the window finds it
    QList<Override> overrides;
    QString each; // the per-module table
    bool verify = false;
    QString backupDir;
    int watchSeconds = 0; // status --watch; 0: once
};

struct Parsed
{
    enum Kind { Run, Help, Version, Usage };
    Kind kind = Usage;
    Options options;
    QString error; // Usage: names the culprit
};

// `arguments` as QCoreApplication::arguments() gives them, the program first.
Parsed parse(const QStringList& arguments);
QString helpText();

// The COM names of a --port list in port order; a usage error names a bad one.
struct PortList
{
    QStringList ports;
    bool all = false;
    QString error;
};
PortList parsePorts(const QString& text);

} // namespace cli
