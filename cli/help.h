#pragma once

#include "cli/commands.h"

#include <QString>

// What vexagrid-cli says of itself, all read from the command and option tables: the
// general help, each command's help, and the bash completion.
namespace cli {

QString generalHelp();
QString commandHelp(const CommandInfo& command);
// A bash completion script for the commands, their options and the form's object names.
QString bashCompletion();

} // namespace cli
