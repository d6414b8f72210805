// history search: the modules whose latest configuration holds a text in any field.
#include "cli/argchecks.h"
#include "cli/commands.h"
#include "cli/history.h"
#include "cli/report.h"

namespace cli {

namespace {

Expected<void> checkSearch(const Options& options)
{
    if (const Expected<void> one = argchecks::files(options, 1, "a keresett szöveg"); !one)
        return one;
    if (options.files.first().isEmpty())
        return argchecks::usage(QStringLiteral("a keresett szöveg üres"));
    return {};
}

Expected<Exit> searchModules(const Options& options)
{
    const Expected<record::Record> record = history::open(options);
    if (!record)
        return record.failure();
    const Expected<QList<record::Module>> modules = record->modulesHolding(options.files.first());
    if (!modules)
        return modules.failure();
    history::printModules(*modules);
    if (modules->isEmpty())
        report::note(QStringLiteral("Egyik modul legutóbbi konfigurációjában sincs ilyen: %1")
                         .arg(options.files.first()));
    return Exit::Success;
}

} // namespace

namespace commands {

// clang-format off
CommandInfo historySearch()
{
    return {"history search", "history search SZÖVEG",
            "a modulok, amelyek legutóbbi konfigurációjában szerepel a szöveg",
            "Azok a modulok, amelyek legutóbbi rögzített konfigurációjának valamelyik mezőjében "
            "szerepel a SZÖVEG (a betűk kis- és nagybetűsen egyaránt), például egy telefonszám. "
            "Soronként egy modul, ahogy a history modules írja.",
            {},
            history::moduleKeys(),
            "vexagrid-cli history search 36301234567",
            checkSearch, searchModules};
}
// clang-format on

} // namespace commands

} // namespace cli
