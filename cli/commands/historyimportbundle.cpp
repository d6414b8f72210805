// history import-bundle: a bundle from another machine read into the record, whole or not at
// all; what is already here stays as it is.
#include "cli/argchecks.h"
#include "cli/commands.h"
#include "cli/history.h"
#include "cli/report.h"

namespace cli {

namespace {

Expected<void> checkImportBundle(const Options& options)
{
    return argchecks::files(options, 1, "a csomag fájlja");
}

Expected<Exit> importBundle(const Options& options)
{
    Expected<record::Record> record = history::open(options);
    if (!record)
        return record.failure();
    const QString& file = options.files.first();
    const Expected<record::BundleCounts> read = record->importBundle(file);
    if (!read) {
        Failure refused = read.failure();
        refused.message = QStringLiteral("%1: %2").arg(file, refused.message);
        return refused;
    }
    report::Line line;
    line.ok = true;
    line.message = QStringLiteral("%1: %2 esemény (új: %3), %4 konfiguráció (új: %5).")
                       .arg(file)
                       .arg(read->events)
                       .arg(read->newEvents)
                       .arg(read->configurations)
                       .arg(read->newConfigurations);
    line.keys = {{QStringLiteral("file"), file},
                 {QStringLiteral("events"), read->events},
                 {QStringLiteral("newEvents"), read->newEvents},
                 {QStringLiteral("configurations"), read->configurations},
                 {QStringLiteral("newConfigurations"), read->newConfigurations}};
    report::result(line);
    return Exit::Success;
}

} // namespace

namespace commands {

// clang-format off
CommandInfo historyImportBundle()
{
    return {"history import-bundle", "history import-bundle FÁJL",
            "egy másik gép csomagjának beolvasása az előzményekbe",
            "A history export-bundle csomagját olvassa be: egészben vagy sehogy (egy sérült vagy "
            "csonka csomagból semmit, és megmondja, mi a hiba). Ami már megvan, nem változik, így "
            "ugyanaz a csomag kétszer beolvasva sem kettőz.",
            {},
            {"file", "events", "newEvents", "configurations", "newConfigurations"},
            "vexagrid-cli history import-bundle terep-2026-03.vgb",
            checkImportBundle, importBundle};
}
// clang-format on

} // namespace commands

} // namespace cli
