// history export: a recorded configuration saved as a configuration file, the bytes it was
// recorded as.
#include "cli/argchecks.h"
#include "cli/commands.h"
#include "cli/history.h"
#include "cli/report.h"
#include "core/configcodec.h"

#include <cstdio>

namespace cli {

namespace {

Expected<void> checkExport(const Options& options)
{
    if (const Expected<void> one = argchecks::files(options, 1, "egy esemény"); !one)
        return one;
    if (options.output.isEmpty())
        return argchecks::usage(
            QStringLiteral("a history export parancsnak kell a kimenet: -o FÁJL vagy -o -"));
    return {};
}

Expected<Exit> exportConfiguration(const Options& options)
{
    const Expected<history::Recorded> recorded =
        history::recordedConfiguration(options, options.files.first());
    if (!recorded)
        return recorded.failure();
    const record::Event* event = &recorded->event;
    const record::StoredConfiguration* stored = &recorded->configuration;
    if (options.output == QLatin1String("-")) {
        std::fwrite(stored->content.constData(), 1, size_t(stored->content.size()), stdout);
        std::fflush(stdout);
        return Exit::Success;
    }
    // Saved as the window saves a file, so the bytes are those it was recorded as.
    if (const Expected<void> saved = configfile::writeFile(options.output, stored->lines()); !saved)
        return Failure(messages::Code::SaveFailed,
                       QStringLiteral("%1: %2").arg(options.output, saved.failure().message),
                       QJsonObject{{QStringLiteral("file"), options.output}});
    report::Line line;
    line.ok = true;
    line.message =
        QStringLiteral("%1: mentve (%2, %3 %4)")
            .arg(options.output, history::shortId(event->id), event->moduleId, stored->name)
            .trimmed();
    line.keys = {{QStringLiteral("event"), event->id},
                 {QStringLiteral("file"), options.output},
                 {QStringLiteral("configuration"), stored->hash}};
    report::result(line);
    return Exit::Success;
}

} // namespace

namespace commands {

// clang-format off
CommandInfo historyExport()
{
    return {"history export", "history export ESEMÉNY -o FÁJL",
            "egy rögzített konfiguráció mentése konfigurációs fájlba",
            "Az esemény konfigurációját konfigurációs fájlba menti, bájtra úgy, ahogy rögzítve "
            "lett (egy kiolvasásé ugyanaz, amit a read -o mentett). -o - : a szabványos kimenet.",
            {{"output", "a konfigurációs fájl; - : a szabványos kimenet"}},
            {"event", "file", "configuration", "candidates"},
            "vexagrid-cli history export 3f2a9c -o szivattyuhaz.vgf",
            checkExport, exportConfiguration};
}
// clang-format on

} // namespace commands

} // namespace cli
