#pragma once

#include "cli/options.h"
#include "core/failure.h"
#include "record/record.h"
#include "record/remote.h"

// The command line's side of the record and of the team's server: which record, which
// server, and the short sync at the end of a command that recorded.
namespace cli::teamrecord {

// The team's server: the URL of --remote, otherwise of VEXAGRID_RECORD_REMOTE; none when
// neither is set.
std::optional<QString> remoteText(const Options& options);
// The same as a URL; neither set is a usage failure.
Expected<record::remote::Url> remoteUrl(const Options& options);

// At the end of a command that recorded: when a server is set and --no-sync is not given, a
// sync of at most `budget`. Its failure is a note on stderr and never the command's exit
// status: the events wait for the next sync.
void syncAfterRecording(const Options& options, record::Record& record,
                        std::chrono::milliseconds budget = record::remote::kBriefSync);

} // namespace cli::teamrecord
