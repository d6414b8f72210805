// history modules: every module the record knows, once, as it was last seen.
#include "cli/argchecks.h"
#include "cli/commands.h"
#include "cli/history.h"
#include "cli/report.h"

namespace cli {

namespace {

Expected<Exit> listModules(const Options& options)
{
    const Expected<record::Record> record = history::open(options);
    if (!record)
        return record.failure();
    const Expected<QList<record::Module>> modules = record->modules();
    if (!modules)
        return modules.failure();
    history::printModules(*modules);
    if (modules->isEmpty())
        report::note(QStringLiteral("Az előzményekben még nincs modul."));
    return Exit::Success;
}

} // namespace

namespace commands {

// clang-format off
CommandInfo historyModules()
{
    return {"history modules", "history modules",
            "minden modul, amelyet az előzmények ismernek",
            "Modulonként egy sor: azonosító (m_id), név, firmware, mikor, hol (port) és ki látta "
            "utoljára, és melyik esemény rögzítette a legutóbbi konfigurációját.",
            {},
            history::moduleKeys(),
            "vexagrid-cli history modules",
            argchecks::nothing, listModules};
}
// clang-format on

} // namespace commands

} // namespace cli
