// history sync: this machine's events to the team's server, and the others' from it.
#include "cli/argchecks.h"
#include "cli/commands.h"
#include "cli/history.h"
#include "cli/report.h"
#include "cli/teamrecord.h"

namespace cli {

namespace {

Expected<Exit> syncWithServer(const Options& options)
{
    const Expected<record::remote::Url> url = teamrecord::remoteUrl(options);
    if (!url)
        return url.failure();
    Expected<record::Record> local = history::open(options);
    if (!local)
        return local.failure();
    const Expected<record::remote::SyncReport> synced = record::remote::sync(*local, *url);
    if (!synced)
        return synced.failure();
    report::Line line;
    line.ok = true;
    line.message = QStringLiteral("Szinkronizálva (%1): feltöltve %2 esemény (új a szerveren: "
                                  "%3), letöltve %4 esemény. Szinkronizálatlan: %5.")
                       .arg(url->text())
                       .arg(synced->pushed)
                       .arg(synced->pushedNew)
                       .arg(synced->pulled)
                       .arg(synced->unsynced);
    line.keys = {{QStringLiteral("remote"), url->text()},
                 {QStringLiteral("pushed"), synced->pushed},
                 {QStringLiteral("pushedNew"), synced->pushedNew},
                 {QStringLiteral("pulled"), synced->pulled},
                 {QStringLiteral("unsynced"), synced->unsynced}};
    report::result(line);
    return Exit::Success;
}

} // namespace

namespace commands {

// clang-format off
CommandInfo historySync()
{
    return {"history sync", "history sync [--remote URL]",
            "az előzmények szinkronizálása a közös szerverrel",
            "Feltölti a gép még fel nem töltött eseményeit (és konfigurációikat) a közös "
            "előzmények PostgreSQL-szerverére, kötegenként egy tranzakcióban (amit a szerver "
            "már ismer, kimarad), majd letölti a többi gép új eseményeit a helyi előzményekbe. "
            "Kiírja, mennyi ment fel és le, és mennyi szinkronizálatlan maradt. A jelszót a "
            "PGPASSWORD változó vagy a jelszófájl (~/.pgpass, PGPASSFILE) adja. Ha nem sikerül, "
            "semmi sem vész el: a következő szinkronizálás folytatja.",
            {{"remote"}},
            {"remote", "pushed", "pushedNew", "pulled", "unsynced", "systemError"},
            "vexagrid-cli history sync --remote postgresql://szerelo@szerver.example/vexagrid",
            argchecks::nothing, syncWithServer};
}
// clang-format on

} // namespace commands

} // namespace cli
