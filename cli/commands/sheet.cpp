// sheet: the configuration sheet of a file or a module, as a PDF to hand over.
#include "sheet/sheet.h"
#include "cli/argchecks.h"
#include "cli/commands.h"
#include "cli/outputs.h"
#include "cli/report.h"
#include "cli/source.h"

#include <QDate>

namespace cli {

namespace {

Expected<void> checkSheet(const Options& options)
{
    if (const Expected<void> source = argchecks::source(options); !source)
        return source;
    if (options.output.isEmpty())
        return argchecks::usage(QStringLiteral("a sheet parancsnak kell a kimenet: -o lap.pdf"));
    return {};
}

Expected<Exit> writeSheet(const Options& options, const Source& source)
{
    const Expected<int> written = sheet::write(
        source.config.values(),
        {source.file, source.identification, QDate::currentDate(), options.pin}, options.output);
    Result line;
    line.port = source.port;
    line.keys.insert(QStringLiteral("file"), options.output);
    if (!source.identification.isEmpty())
        line.keys.insert(QStringLiteral("identification"), source.identification);
    if (written) {
        line.ok = true;
        line.keys.insert(QStringLiteral("pages"), *written);
        line.message = QStringLiteral("Konfigurációs lap mentve: %1 (%2 oldal)")
                           .arg(options.output)
                           .arg(*written);
    } else {
        line.error = messages::Code::OutputFailed;
        line.message =
            QStringLiteral("%1: nem írható: %2.").arg(options.output, written.failure().message);
    }
    report::result(line);
    return exitFor(QList<Result>{line});
}

Expected<Exit> sheetOf(const Options& options)
{
    // The PDF's place is made sure of before a module is asked.
    if (const Expected<void> file = outputs::ensureFile(options.output); !file)
        return file.failure();
    return withSource(options,
                      [&options](const Source& source) { return writeSheet(options, source); });
}

} // namespace

namespace commands {

// clang-format off
CommandInfo sheet()
{
    return {"sheet", "sheet (FÁJL | --port P) -o LAP.pdf [--pin] [--base FÁJL]",
            "konfigurációs lap PDF-ben, átadáshoz",
            "Egy A4-es oldal (ha a szövegek kívánják, kettő) a modul nevével és azonosítójával, a "
            "dátummal, az általános beállításokkal, a telefonszámok táblájával (RING, SMS, T S R, "
            "kimenet), a bemenetekkel, a kimenetekkel és az aktiváló parancsokkal. A PIN-kód csak "
            "--pin esetén kerül a lapra.",
            {{"port", "egy modul kiolvasása (mint a read)"}, {"baud"}, {"base"}, {"output", "a PDF fájl"}, {"pin"}},
            {"file", "pages", "identification", "module", "reason", "systemError"},
            "vexagrid-cli sheet alap.vgf -o lap.pdf",
            checkSheet, sheetOf, true};
}
// clang-format on

} // namespace commands

} // namespace cli
