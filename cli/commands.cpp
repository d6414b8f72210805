#include "cli/commands.h"

#include "cli/help.h"
#include "cli/report.h"
#include "core/programsettings.h"

#include <algorithm>

// Every command, in the order the help lists them. Each is a file of cli/commands/ whose
// function of the command's name gives its row; a new command is that file (listed in
// CMakeLists.txt) and its line here.
#define VEXAGRID_CLI_COMMANDS(X)                                                                   \
    X(ports)                                                                                       \
    X(identify)                                                                                    \
    X(read)                                                                                        \
    X(write)                                                                                       \
    X(diff)                                                                                        \
    X(check)                                                                                       \
    X(status)                                                                                      \
    X(show)                                                                                        \
    X(sheet)                                                                                       \
    X(completion)

namespace cli {

namespace commands {
#define VEXAGRID_CLI_DECLARE(name) CommandInfo name();
VEXAGRID_CLI_COMMANDS(VEXAGRID_CLI_DECLARE)
#undef VEXAGRID_CLI_DECLARE
} // namespace commands

namespace {

// The failure that ended the run, said; its exit status.
int ended(const Failure& failure)
{
    report::failure(failure);
    return exitStatus(exitFor(failure));
}

} // namespace

bool CommandInfo::takes(const QString& option) const
{
    if (option == QLatin1String("json") || option == QLatin1String("quiet") ||
        option == QLatin1String("help"))
        return true;
    return std::any_of(options.cbegin(), options.cend(), [&option](const CommandOption& own) {
        return option == QLatin1String(own.name);
    });
}

const QList<CommandInfo>& commandTable()
{
#define VEXAGRID_CLI_ROW(name) commands::name(),
    static const QList<CommandInfo> table{VEXAGRID_CLI_COMMANDS(VEXAGRID_CLI_ROW)};
#undef VEXAGRID_CLI_ROW
    return table;
}

const CommandInfo* findCommand(const QString& name)
{
    for (const CommandInfo& command : commandTable()) {
        if (name == QLatin1String(command.name))
            return &command;
    }
    return nullptr;
}

QStringList commandNames()
{
    QStringList names;
    for (const CommandInfo& command : commandTable())
        names << QLatin1String(command.name);
    return names;
}

int run(const Options& options)
{
    const CommandInfo* command = findCommand(options.name);
    if (!command)
        return exitStatus(Exit::Usage);
    report::begin(options.name, command->keys, options.json);
    const Expected<Exit> exit = command->run(options);
    return exit ? exitStatus(*exit) : ended(exit.failure());
}

int main(const QStringList& arguments)
{
    const Expected<Parsed> parsed = parse(arguments);
    if (!parsed)
        return ended(parsed.failure());
    switch (parsed->kind) {
    case Parsed::Help: {
        const CommandInfo* command = findCommand(parsed->helpFor);
        report::text((command ? commandHelp(*command) : generalHelp()).chopped(1));
        return exitStatus(Exit::Success);
    }
    case Parsed::Version:
        report::text(QStringLiteral("vexagrid-cli %1").arg(programVersion()));
        return exitStatus(Exit::Success);
    case Parsed::Run:
        break;
    }
    return run(parsed->options);
}

} // namespace cli
