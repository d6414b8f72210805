// history init-remote: the team's record made, or brought up to date, on its server.
#include "cli/argchecks.h"
#include "cli/commands.h"
#include "cli/report.h"
#include "cli/teamrecord.h"

namespace cli {

namespace {

Expected<void> oneUrlAtMost(const Options& options)
{
    if (options.files.size() > 1)
        return argchecks::usage(
            QStringLiteral("fölösleges argumentum: %1").arg(options.files.at(1)));
    return {};
}

Expected<Exit> initServer(const Options& options)
{
    const Expected<record::remote::Url> url = options.files.isEmpty()
                                                  ? teamrecord::remoteUrl(options)
                                                  : record::remote::parseUrl(options.files.first());
    if (!url)
        return url.failure();
    if (auto made = record::remote::initRemote(*url); !made)
        return made.failure();
    report::Line line;
    line.ok = true;
    line.message = QStringLiteral("A közös előzmények készen állnak (%1, %2. formátum).")
                       .arg(url->text())
                       .arg(record::remote::kVersion);
    line.keys = {{QStringLiteral("remote"), url->text()},
                 {QStringLiteral("version"), record::remote::kVersion}};
    report::result(line);
    return Exit::Success;
}

} // namespace

namespace commands {

// clang-format off
CommandInfo historyInitRemote()
{
    return {"history init-remote", "history init-remote [URL]",
            "a közös előzmények táblái a szerveren",
            "Létrehozza (vagy frissíti) a közös előzmények tábláit a PostgreSQL-szerveren, a "
            "vexagrid sémában; az adatbázis tulajdonosaként futtassa, egyszer. URL nélkül a "
            "--remote vagy a VEXAGRID_RECORD_REMOTE címét használja. Újabb programmal létrehozott "
            "előzményekhez nem nyúl.",
            {{"remote"}},
            {"remote", "version", "systemError"},
            "vexagrid-cli history init-remote postgresql://vexagrid@szerver.example/vexagrid",
            oneUrlAtMost, initServer};
}
// clang-format on

} // namespace commands

} // namespace cli
