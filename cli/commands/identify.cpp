// identify: who the module on each port says it is.
#include "cli/argchecks.h"
#include "cli/commands.h"
#include "cli/modules.h"

namespace cli {

namespace {

Expected<Exit> identifyModules(const Options& options)
{
    const Expected<fleet::Targets> targets = prepareTargets(options);
    if (!targets)
        return targets.failure();
    return finish(runModules(targets->modules, options, fleet::identifyTask) + targets->failures);
}

} // namespace

namespace commands {

// clang-format off
CommandInfo identify()
{
    return {"identify", "identify --port P [--baud N]",
            "a modul azonosítója",
            "Az azonosítás (\"~|\"): amit a modul magáról mond. --port all: minden port, amelyen modul "
            "válaszol; a meg nem nyitható portok is sort kapnak.",
            {{"port"}, {"baud"}, {"remote"}, {"no-sync"}},
            {"identification", "module", "reason", "systemError"},
            "vexagrid-cli identify --port all",
            argchecks::ports, identifyModules};
}
// clang-format on

} // namespace commands

} // namespace cli
