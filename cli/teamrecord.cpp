#include "cli/teamrecord.h"

#include "cli/argchecks.h"
#include "cli/report.h"

namespace cli::teamrecord {

std::optional<QString> remoteText(const Options& options)
{
    if (!options.remote.trimmed().isEmpty())
        return options.remote.trimmed();
    return record::remote::urlFromEnvironment();
}

Expected<record::remote::Url> remoteUrl(const Options& options)
{
    const std::optional<QString> text = remoteText(options);
    if (!text)
        return argchecks::usage(QStringLiteral("nincs megadva a közös előzmények szervere: "
                                               "--remote URL vagy VEXAGRID_RECORD_REMOTE"));
    return record::remote::parseUrl(*text);
}

void syncAfterRecording(const Options& options, record::Record& record,
                        std::chrono::milliseconds budget)
{
    if (options.noSync || !remoteText(options))
        return;
    const Expected<record::remote::Url> url = remoteUrl(options);
    Expected<record::remote::SyncReport> synced =
        url ? record::remote::syncBriefly(record, *url, budget)
            : Expected<record::remote::SyncReport>(url.failure());
    if (!synced)
        report::note(QStringLiteral("A közös előzmények szinkronizálása most nem sikerült, "
                                    "később pótolható (vexagrid-cli history sync): %1")
                         .arg(messages::oneLine(synced.failure().message)));
    else if (synced->unsynced > 0)
        report::note(record::remote::unsyncedText(synced->unsynced));
}

} // namespace cli::teamrecord
