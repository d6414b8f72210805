// show: a configuration as a person reads it, from a file or a module: aligned text under
// the window's captions and groups, or one JSON object keyed by object name.
#include "cli/argchecks.h"
#include "cli/commands.h"
#include "cli/configview.h"
#include "cli/report.h"
#include "cli/source.h"

#include <QJsonDocument>

namespace cli {

namespace {

Expected<Exit> showConfiguration(const Options& options)
{
    return withSource(options, [&options](const Source& source) -> Expected<Exit> {
        if (options.json) {
            report::text(QString::fromUtf8(QJsonDocument(configview::json(source.config, options))
                                               .toJson(QJsonDocument::Indented))
                             .trimmed());
            return Exit::Success;
        }
        QStringList heading;
        if (!source.file.isEmpty())
            heading << QStringLiteral("Fájl: %1").arg(source.file);
        if (!source.port.isEmpty())
            heading << QStringLiteral("Modul: %1 (%2)").arg(source.identification, source.port);
        configview::print(source.config, options, heading);
        return Exit::Success;
    });
}

} // namespace

namespace commands {

// clang-format off
CommandInfo show()
{
    return {"show", "show (FÁJL | --port P) [--all] [--pin] [--base FÁJL]",
            "a konfiguráció olvashatóan: fájlból vagy a modulból",
            "A konfiguráció az ablak feliratai és csoportjai szerint, a telefonszámok sorai "
            "olvashatóan; csak amit a VexaGrid-3 használ (--all: a többi is, jelölve). A PIN-kód "
            "****, hacsak nincs --pin. --json: egy objektum objektumnevek szerint (felirat, lap, "
            "érték), a telefonszámok sorai kibontva.",
            {{"port", "egy modul kiolvasása (mint a read)"}, {"baud"}, {"base"}, {"all", "a VexaGrid-3 által nem használt mezők is, jelölve"}, {"pin"}},
            {"file", "identification", "module", "reason", "systemError"},
            "vexagrid-cli show alap.vgf",
            argchecks::source, showConfiguration};
}
// clang-format on

} // namespace commands

} // namespace cli
