#pragma once

#include "cli/options.h"

#include <QString>
#include <QStringList>

// The commands of vexagrid-cli, one table: each command's name, synopsis, options, JSON keys,
// example and the function that runs it. The parser, the help and the bash completion all
// read it.
namespace cli {

struct CommandOption
{
    const char* name;
    const char* help = nullptr; // the command's own words for it; nullptr: the option's
};

struct CommandInfo
{
    Command command;
    const char* name;
    const char* synopsis;
    const char* summary;          // one line for the command list
    const char* description;      // what it does, a few lines
    QList<CommandOption> options; // besides --json, --quiet and --help
    QStringList keys;             // its JSON objects' own keys
    const char* example;
    int (*run)(const Options& options);
    // The command line's problem for this command, "" when it can run.
    QString (*check)(const Options& options);

    bool takes(const QString& option) const;
};

const QList<CommandInfo>& commandTable();
const CommandInfo* findCommand(const QString& name);
QStringList commandNames();

QString generalHelp();
QString commandHelp(const CommandInfo& command);
// A bash completion script for the commands, their options and the form's object names.
QString bashCompletion();

// False, and the reason said, when VEXAGRID_DOSDEVICES names no folder that can be read.
bool deviceMapUsable();

// Runs the parsed command; the exit code: 0 every module succeeded (diff: they are equal),
// 1 any failed (diff: they differ), 2 the command line, a table or (diff) the comparison
// could not be carried out, 130 interrupted.
int run(const Options& options);

// The whole program once the application object stands: parses `arguments`, prints help,
// the version or a usage error, or runs the command.
int main(const QStringList& arguments);

} // namespace cli
