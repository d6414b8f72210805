#pragma once

#include "cli/exit.h"
#include "cli/options.h"
#include "core/failure.h"

#include <QString>
#include <QStringList>

// The commands of vexagrid-cli, one table. Each row is in a file of its own under
// cli/commands/, beside the command's argument check and its body; the parser, the help and
// the bash completion all read the table.
namespace cli {

struct CommandOption
{
    const char* name;
    const char* help = nullptr; // the command's own words for it; nullptr: the option's
};

struct CommandInfo
{
    const char* name;
    const char* synopsis;
    const char* summary;          // one line for the command list
    const char* description;      // what it does, a few lines
    QList<CommandOption> options; // besides --json, --quiet and --help
    QStringList keys;             // its JSON objects' own keys
    const char* example;
    // The command line's problem for this command, as a usage failure.
    Expected<void> (*check)(const Options& options);
    // Runs it: the exit its results come to, or the failure that stopped it (run() below
    // says it).
    Expected<Exit> (*run)(const Options& options);
    bool needsFonts = false; // it draws pages, so the program needs a QGuiApplication

    bool takes(const QString& option) const;
};

const QList<CommandInfo>& commandTable();
const CommandInfo* findCommand(const QString& name);
QStringList commandNames();

// Runs the parsed command; the exit status (see Exit).
int run(const Options& options);

// The whole program once the application object stands: parses `arguments`, prints help,
// the version or a usage error, or runs the command.
int main(const QStringList& arguments);

} // namespace cli
