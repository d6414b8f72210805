#pragma once

#include "cli/plan.h"
#include "core/failure.h"

#include <QList>
#include <QString>
#include <QStringList>

// The command line's words: a subcommand, its options, its files. Every option is one of one
// table; each command takes the common ones and its own (its row in commands.h).
namespace cli {

struct Options
{
    QString name;      // the command as typed
    QStringList ports; // "COM3", ..., in port order; empty with allPorts or --each
    bool allPorts = false;
    qint32 baud = 1200;
    bool json = false;
    bool quiet = false;
    QStringList files; // the configuration files (diff A B: two)
    QString output;    // read, sheet
    QString base;      // the defaults file; empty: where the window finds it
    QList<Override> overrides;
    QString each; // the per-module table
    bool verify = false;
    QString backupDir;
    int watchSeconds = 0; // status --watch; 0: once
    bool all = false;     // diff, show: the fields the VexaGrid-3 does not use too
    bool pin = false;     // diff, show, sheet: the PIN's digits

    bool usesPorts() const { return !ports.isEmpty() || allPorts || !each.isEmpty(); }
};

// One option of the command line.
struct OptionInfo
{
    const char* name;  // long name, without "--"
    char shortName;    // 0 for none
    const char* value; // the value's name in the help ("P", "FÁJL"); nullptr: a switch
    bool repeatable;
    const char* help;
};
const QList<OptionInfo>& optionTable();
const OptionInfo* findOption(const QString& name);

struct Parsed
{
    enum Kind { Run, Help, Version };
    Kind kind = Run;
    Options options;
    QString helpFor; // Help: the command whose help is asked for, "" for the general one
};

// `arguments` as QCoreApplication::arguments() gives them, the program first. Options may
// stand before or after the command and its files, as "--name VALUE" or "--name=VALUE". A
// command line that is wrong is a usage failure that names the culprit.
Expected<Parsed> parse(const QStringList& arguments);

// The COM names of a --port list in port order, or `all`; a usage failure names a bad one.
struct PortList
{
    QStringList ports;
    bool all = false;
};
Expected<PortList> parsePorts(const QString& text);

} // namespace cli
