// check: the plan of a write made and checked, no module contacted.
#include "cli/argchecks.h"
#include "cli/commands.h"
#include "cli/modules.h"
#include "cli/sending.h"

namespace cli {

namespace {

Expected<void> checkFile(const Options& options)
{
    return argchecks::files(options, 1, "egy konfigurációs fájl");
}

Expected<Exit> checkPlan(const Options& options)
{
    const Plans plans = plansOf(options);
    if (!plans.ok())
        return refuse(plans, Goal::Work, false);
    const QString& file = options.files.first();
    QList<Result> results;
    for (auto it = plans.frames.cbegin(); it != plans.frames.cend(); ++it) {
        Result result;
        result.port = it.key();
        result.ok = true;
        result.message = it.key().isEmpty() ? QStringLiteral("%1: Rendben, betölthető.").arg(file)
                                            : QStringLiteral("Rendben, betölthető.");
        result.keys.insert(QStringLiteral("file"), file);
        if (plans.lineOf.contains(it.key()))
            result.keys.insert(QStringLiteral("row"), plans.lineOf.value(it.key()));
        results << result;
    }
    return finish(results);
}

} // namespace

namespace commands {

// clang-format off
CommandInfo check()
{
    return {"check", "check [--set NÉV=ÉRTÉK]... [--each CSV] [--base FÁJL] FÁJL",
            "a fájl és a felülírások ellenőrzése modul nélkül",
            "Ugyanaz az ellenőrzés, mint a write előtt, modul nélkül.",
            {{"set"}, {"each"}, {"base"}},
            {"file", "row"},
            "vexagrid-cli check --set m_nev=\"Szivattyu 1\" alap.vgf",
            checkFile, checkPlan};
}
// clang-format on

} // namespace commands

} // namespace cli
