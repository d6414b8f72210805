// read: each module read out and saved as the window saves a file.
#include "cli/argchecks.h"
#include "cli/commands.h"
#include "cli/modules.h"
#include "cli/report.h"
#include "fleet/outputs.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace cli {

namespace {

using messages::Code;

// One file for each module: a pattern with "{port}", or a folder (given with a trailing "/"
// or existing).
bool filePerPort(const QString& output)
{
    return output.contains(QLatin1String("{port}")) || output.endsWith(u'/') ||
           QFileInfo(output).isDir();
}

// Where a port's read-out goes: "-" (standard output), a pattern with "{port}", a folder, or
// for a single port a plain file.
QString outputFor(const QString& output, const QString& port)
{
    if (output == QLatin1String("-"))
        return output;
    if (output.contains(QLatin1String("{port}"))) {
        QString path = output;
        return path.replace(QLatin1String("{port}"), port);
    }
    if (filePerPort(output))
        return QDir(output).filePath(port + QStringLiteral(".vgf"));
    return output;
}

Expected<void> checkRead(const Options& options)
{
    if (const Expected<void> ports = argchecks::ports(options); !ports)
        return ports;
    if (options.output.isEmpty())
        return argchecks::usage(
            QStringLiteral("a read parancsnak kell a kimenet: -o FÁJL, -o KÖNYVTÁR/ vagy -o -"));
    if (options.output == QLatin1String("-") && (options.allPorts || options.ports.size() != 1))
        return argchecks::usage(
            QStringLiteral("-o - (a szabványos kimenet) csak egy porttal használható"));
    if (options.ports.size() > 1 && !filePerPort(options.output))
        return argchecks::usage(QStringLiteral("több porthoz könyvtár (-o KÖNYVTÁR/) vagy {port} "
                                               "minta kell, nem egy fájl: %1")
                                    .arg(options.output));
    return {};
}

// Every module's file that cannot be written, and why.
QList<Failure> unwritable(const QList<fleet::Target>& modules, const QString& output)
{
    QList<Failure> refused;
    for (const fleet::Target& target : modules) {
        const QString path = outputFor(output, target.port);
        if (path == QLatin1String("-"))
            continue;
        if (const Expected<void> file = fleet::outputs::ensureFile(path); !file)
            refused << file.failure();
    }
    return refused;
}

// "-o -": the configuration is the standard output, and what happened goes beside it.
void toStandardOutput(const QList<fleet::Result>& results)
{
    for (const fleet::Result& result : results) {
        if (!result.content.isEmpty()) {
            std::fwrite(result.content.constData(), 1, size_t(result.content.size()), stdout);
            std::fflush(stdout);
        }
    }
    report::setStreams(stderr, stderr);
}

Expected<Exit> readModules(const Options& options)
{
    const Expected<QStringList> defaults = fleet::loadDefaults(options.base);
    if (!defaults)
        return defaults.failure();
    const bool perPort = filePerPort(options.output);
    // The folder form is made sure of before any port is asked.
    if (perPort && !options.output.contains(QLatin1String("{port}"))) {
        if (const Expected<void> folder = fleet::outputs::ensureFolder(options.output); !folder)
            return Failure{Code::OutputFailed,
                           folder.failure().message + QStringLiteral(" Semmi sem lett kiolvasva.")};
    }
    const Expected<fleet::Targets> targets = prepareTargets(options);
    if (!targets)
        return targets.failure();
    if (!perPort && targets->modules.size() > 1)
        return argchecks::usage(QStringLiteral("több modulhoz könyvtár (-o KÖNYVTÁR/) vagy "
                                               "{port} minta kell, nem egy fájl: %1")
                                    .arg(options.output));
    // Every file is made sure of before any read-out is asked for.
    const QList<Failure> refused = unwritable(targets->modules, options.output);
    if (!refused.isEmpty()) {
        for (const Failure& failure : refused)
            report::error(report::Line::of(failure));
        report::note(QStringLiteral("Semmi sem lett kiolvasva."));
        return Exit::Failed;
    }
    const QList<fleet::Result> results = runModules(
        targets->modules, options,
        [&](fleet::Context& context) {
            return fleet::readTask(context, outputFor(options.output, context.port));
        },
        *defaults);
    if (options.output == QLatin1String("-"))
        toStandardOutput(results);
    return finish(results + targets->failures);
}

} // namespace

namespace commands {

// clang-format off
CommandInfo read()
{
    return {"read", "read --port P -o KIMENET [--base FÁJL] [--baud N]",
            "kiolvasás és mentés konfigurációs fájlba",
            "Kiolvassa a modult, és elmenti, ahogy az ablakos program Mentése: az alapértékek fájlja "
            "után a kiolvasott értékekkel. A kimenet előre ellenőrizve: a hiányzó könyvtárak "
            "létrejönnek, és ha nem írható, a modulhoz nem fordul.",
            {{"port"}, {"baud"}, {"output", "egy portnál FÁJL; több portnál KÖNYVTÁR/ (KÖNYVTÁR/COM3.vgf) vagy minta {port}-tal (modul-{port}.vgf); - : a szabványos kimenet (egy port)"}, {"base"}, {"remote"}, {"no-sync"}},
            {"identification", "module", "file", "m_id", "m_nev", "reason", "systemError"},
            "vexagrid-cli read --port COM3,COM4 -o kiolvasott/",
            checkRead, readModules};
}
// clang-format on

} // namespace commands

} // namespace cli
