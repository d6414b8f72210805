// write: the file loaded into each module, as the window's Open and then its download.
#include "cli/argchecks.h"
#include "cli/commands.h"
#include "cli/sending.h"
#include "fleet/outputs.h"

namespace cli {

namespace {

Expected<Exit> writeModules(const Options& options)
{
    const fleet::Plans plans = plansOf(options);
    if (!plans.ok())
        return refuse(plans, Goal::Work);
    if (!options.backupDir.isEmpty()) {
        if (const Expected<void> folder = fleet::outputs::ensureFolder(options.backupDir); !folder)
            return Failure{messages::Code::BackupFailed,
                           folder.failure().message +
                               QStringLiteral(" A modulokba nem került semmi.")};
    }
    return sendPlanned(options, plans, [&](fleet::Context& context) {
        return fleet::writeTask(context,
                                plans.writeJob(context.port, options.backupDir, options.verify));
    });
}

} // namespace

namespace commands {

// clang-format off
CommandInfo write()
{
    return {"write", "write (--port P | --each CSV) [--set NÉV=ÉRTÉK]... [--verify] [--backup KÖNYVTÁR] [--base FÁJL] FÁJL",
            "a fájl betöltése a modulba (mint Megnyitás, majd Betöltés)",
            "Megnyitja a fájlt, ahogy az ablakos program (az alapértékek fájlja után), alkalmazza a "
            "felülírásokat, és lefuttatja a betöltés ellenőrzéseit. Az egész tervet (a fájlt, minden "
            "--set-et, a táblázat minden sorát) előre ellenőrzi: ha bármi hibás, egyik modulba sem ír.",
            {{"port"}, {"baud"}, {"set"}, {"each"}, {"verify"}, {"backup"}, {"base"}, {"remote"}, {"no-sync"}},
            {"identification", "module", "file", "row", "backup", "bytesSent", "verified", "differences", "reason", "systemError"},
            "vexagrid-cli write --each modulok.csv --verify --backup mentesek/ alap.vgf",
            argchecks::sendFiles, writeModules};
}
// clang-format on

} // namespace commands

} // namespace cli
