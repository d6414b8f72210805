// restore: a recorded configuration written into a module again, through write's plan, checks
// and steps, recorded as a restore that names its source event.
#include "cli/argchecks.h"
#include "cli/commands.h"
#include "cli/history.h"
#include "cli/modules.h"
#include "cli/sending.h"
#include "fleet/outputs.h"

#include <QFile>
#include <QTemporaryDir>

namespace cli {

namespace {

using messages::Code;

Expected<void> checkRestore(const Options& options)
{
    if (const Expected<void> one = argchecks::files(options, 1, "egy esemény"); !one)
        return one;
    if (!options.each.isEmpty())
        return argchecks::usage(QStringLiteral("a restore egy rögzített konfigurációt ír: "
                                               "--port kell, nem --each"));
    if (options.ports.isEmpty() && !options.allPorts)
        return argchecks::usage(QStringLiteral("hiányzik a port: --port COM3"));
    return {};
}

// The event and its configuration, as a configuration file in `folder`.
Expected<QString> recordedFile(const Options& options, const QString& folder, QString& sourceEvent)
{
    const Expected<history::Recorded> recorded =
        history::recordedConfiguration(options, options.files.first());
    if (!recorded)
        return recorded.failure();
    const record::Event* event = &recorded->event;
    const record::StoredConfiguration* stored = &recorded->configuration;
    const QString path = folder + QStringLiteral("/restore.vgf");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(stored->content) != stored->content.size())
        return Failure{Code::OutputFailed, QStringLiteral("%1: nem írható.").arg(path)};
    sourceEvent = event->id;
    return path;
}

Expected<Exit> restoreModule(const Options& options)
{
    QTemporaryDir folder;
    QString sourceEvent;
    const Expected<QString> file = recordedFile(options, folder.path(), sourceEvent);
    if (!file)
        return file.failure();
    Options restoring = options;
    restoring.files = {*file};
    recordAsRestoreOf(sourceEvent);
    const fleet::Plans plans = plansOf(restoring);
    if (!plans.ok())
        return refuse(plans, Goal::Work);
    if (!options.backupDir.isEmpty()) {
        if (const Expected<void> made = fleet::outputs::ensureFolder(options.backupDir); !made)
            return Failure{Code::BackupFailed,
                           made.failure().message + QStringLiteral(" A modulba nem került semmi.")};
    }
    return sendPlanned(restoring, plans, [&](fleet::Context& context) {
        fleet::WriteJob job = plans.writeJob(context.port, options.backupDir, options.verify);
        job.operation = fleet::Operation::Restore;
        return fleet::writeTask(context, job);
    });
}

} // namespace

namespace commands {

// clang-format off
CommandInfo restore()
{
    return {"restore", "restore ESEMÉNY --port P [--verify] [--backup KÖNYVTÁR] [--base FÁJL]",
            "egy rögzített konfiguráció visszaírása a modulba",
            "Az esemény (azonosítója vagy legalább 6 karakteres eleje) konfigurációját írja a modulba, "
            "ugyanazzal a tervvel, ellenőrzésekkel és lépésekkel, mint a write egy fájlt; az "
            "előzményekben visszaállításként szerepel, a forrás eseményére hivatkozva.",
            {{"port"}, {"baud"}, {"verify"}, {"backup"}, {"base"}, {"remote"}, {"no-sync"}},
            {"identification", "module", "file", "backup", "bytesSent", "verified", "differences", "reason", "systemError"},
            "vexagrid-cli restore 3f2a9c --port COM3 --verify",
            checkRestore, restoreModule};
}
// clang-format on

} // namespace commands

} // namespace cli
