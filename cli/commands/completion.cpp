// completion: the bash completion script, which the package installs.
#include "cli/argchecks.h"
#include "cli/commands.h"
#include "cli/help.h"
#include "cli/report.h"

namespace cli {

namespace {

Expected<Exit> printCompletion(const Options&)
{
    report::text(bashCompletion());
    return Exit::Success;
}

} // namespace

namespace commands {

// clang-format off
CommandInfo completion()
{
    return {"completion", "completion",
            "bash kiegészítés a parancsokhoz, kapcsolókhoz és mezőnevekhez",
            "Kiírja a bash kiegészítő szkriptet (a csomag telepíti).",
            {},
            {},
            "vexagrid-cli completion > ~/.local/share/bash-completion/completions/vexagrid-cli",
            argchecks::nothing, printCompletion};
}
// clang-format on

} // namespace commands

} // namespace cli
