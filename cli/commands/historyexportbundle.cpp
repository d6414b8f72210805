// history export-bundle: events and their configurations in one file, to carry a record to
// another machine.
#include "cli/argchecks.h"
#include "cli/commands.h"
#include "cli/history.h"
#include "cli/report.h"

namespace cli {

namespace {

Expected<void> checkExportBundle(const Options& options)
{
    return argchecks::files(options, 1, "a csomag fájlja");
}

Expected<Exit> exportBundle(const Options& options)
{
    const Expected<record::Record> record = history::open(options);
    if (!record)
        return record.failure();
    const QString& file = options.files.first();
    const Expected<record::BundleCounts> written =
        record->exportBundle(file, options.since.toUTC());
    if (!written)
        return written.failure();
    report::Line line;
    line.ok = true;
    line.message = QStringLiteral("%1: %2 esemény, %3 konfiguráció.")
                       .arg(file)
                       .arg(written->events)
                       .arg(written->configurations);
    line.keys = {{QStringLiteral("file"), file},
                 {QStringLiteral("events"), written->events},
                 {QStringLiteral("configurations"), written->configurations}};
    report::result(line);
    return Exit::Success;
}

} // namespace

namespace commands {

// clang-format off
CommandInfo historyExportBundle()
{
    return {"history export-bundle", "history export-bundle FÁJL [--since IDŐ]",
            "események és konfigurációik egy fájlban, egy másik gépre",
            "Az előzmények lezárt eseményeit (--since: csak az ekkortól kezdődőket, helyi időben) "
            "és a konfigurációikat egy szöveges csomagfájlba írja, hogy egy másik gép "
            "előzményeibe a history import-bundle beolvassa.",
            {{"since", "csak az ekkortól kezdődő események (helyi idő)"}},
            {"file", "events", "configurations"},
            "vexagrid-cli history export-bundle terep-2026-03.vgb --since 2026-03-01",
            checkExportBundle, exportBundle};
}
// clang-format on

} // namespace commands

} // namespace cli
