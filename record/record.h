#pragma once

#include "core/failure.h"
#include "record/event.h"
#include "record/location.h"

#include <QIODevice>

#include <memory>
#include <optional>

// The record: every exchange with every module, from the window and from the command line,
// in one SQLite file (record/location.h says which). A write's event is stored as started
// before its first byte goes out and finished after; a finished event is never changed; a
// started event whose program ended without finishing it is marked interrupted by the next
// program that opens the record. Only pruning deletes.
namespace record {

// How pruning treats a module's history. Kept, always:
//  - every event that is not finished (started or interrupted);
//  - per module (m_id), among its finished events that show its configuration (a read-out,
//    backup or verify that read one, a write or restore that succeeded; Record's "module's
//    configuration" events), the first one ever and the last `keepLast`;
//  - an event that a restore names as its source.
// Removed: every other finished event (identifications, status queries, failed writes,
// configurations in between) started before `olderThanDays` days before `now` (with no
// limit, any age), and then every configuration no event names any more. An event's place in
// its module's order is its start time (then its id).
struct PruneRule
{
    int keepLast = 1;
    std::optional<int> olderThanDays;
    QDateTime now = QDateTime::currentDateTimeUtc();
};

// What pruning removed (or, for a dry run, would remove).
struct PruneReport
{
    qint64 events = 0;
    qint64 modules = 0; // modules that lose events
    qint64 configurations = 0;
    QDateTime oldest; // the removed events' start times; invalid when none
    QDateTime newest;
};

enum class PruneMode { DryRun, Apply };

// A bundle's contents: what was written, or what was read and how much of it was new here.
struct BundleCounts
{
    qint64 events = 0;
    qint64 configurations = 0;
    qint64 newEvents = 0;
    qint64 newConfigurations = 0;
};

// One connection to the record. It belongs to the thread that opened it: each thread that
// records opens its own (they may be many at once, in one program or in several).
class Record
{
public:
    // Opens the record at `path`, making it (and its folder) when missing, user-only;
    // upgrades an older record; marks interrupted every started event whose program is gone.
    // A file that is no record, or a record of a newer program, is refused untouched.
    static Expected<Record> open(const QString& path,
                                 const Identity& identity = Identity::ofThisProcess());

    Record(Record&& other) noexcept;
    Record& operator=(Record&& other) noexcept;
    ~Record();

    QString path() const;

    // --- Storing ---------------------------------------------------------------------------

    // Can events be stored? One tiny committed write: a plan checks this before it touches
    // any module.
    Expected<void> probe();
    // Stores the event as started, committed (on the disk) when it returns: a write calls this
    // before its first byte, and does not start when it fails. Fills the id, the start time
    // (when unset), the operator, the host and the version.
    Expected<void> start(Event& event);
    // Stores the started event's outcome: finished from now on. The configuration (when
    // given), status, differences, identification, firmware and module id are taken as they
    // are now; a configuration stored at the start stays when none is given.
    Expected<void> finish(Event& event);
    // The same for several events at once, in one transaction (one wait for the disk): all of
    // them, or none.
    Expected<void> start(QList<Event>& events);
    Expected<void> finish(QList<Event>& events);
    // Stores a finished event in one step (a read-out, a status query, an identification).
    Expected<void> add(Event& event);
    // The same for several at once, in one transaction: all of them, or none.
    Expected<void> add(QList<Event>& events);

    // --- Questions -------------------------------------------------------------------------

    // Newest first.
    Expected<QList<Event>> events(const EventFilter& filter) const;
    Expected<qint64> count(const EventFilter& filter) const;
    // By its id or a unique prefix of at least 6 characters. An ambiguous prefix fails with
    // AmbiguousEvent and the candidates' ids in details "candidates"; none, NoSuchEvent.
    Expected<Event> event(const QString& idOrPrefix) const;
    Expected<StoredConfiguration> configuration(const QString& hash) const;
    // The event that showed the module's configuration as it stood at `at`: its latest
    // finished read-out, backup or verify that read one, or successful write or restore,
    // started at or before `at`. None when the record has none.
    Expected<std::optional<Event>> moduleConfigurationAt(const QString& moduleId,
                                                         const QDateTime& at) const;
    // The same just before `event`: what the module held before a write, for its "how many
    // fields changed" and for a diff against one event.
    Expected<std::optional<Event>> previousConfiguration(const Event& event) const;
    // Every module the record knows, once, by m_id.
    Expected<QList<Module>> modules() const;
    // The modules whose latest configuration holds `text` in a field (ASCII letters in either
    // case).
    Expected<QList<Module>> modulesHolding(const QString& text) const;

    // --- Upkeep ----------------------------------------------------------------------------

    Expected<PruneReport> prune(const PruneRule& rule, PruneMode mode);

    // Every settled event started at or after `since` (every one when invalid) with the
    // configurations they name, as a bundle (record/bundle.h says its form).
    Expected<BundleCounts> exportBundle(QIODevice& out, const QDateTime& since = {}) const;
    Expected<BundleCounts> exportBundle(const QString& file, const QDateTime& since = {}) const;
    // Reads a bundle from another machine into the record, whole or not at all: events and
    // configurations already here are left as they are.
    Expected<BundleCounts> importBundle(QIODevice& in);
    Expected<BundleCounts> importBundle(const QString& file);

    // Stores settled events made elsewhere with the configurations they name, in one
    // transaction, leaving those already here alone (a bundle, or a team's server). The
    // configurations are taken by content: their hashes and names are computed here.
    // `toPush`: the events join this machine's unpushed ones (a bundle's do; the server's
    // own do not).
    Expected<BundleCounts> insertSettled(const QList<QByteArray>& configurations,
                                         const QList<Event>& events, bool toPush);

    // --- For a team's server ---------------------------------------------------------------

    // Settled events the server may not have yet (this machine's own, and those a bundle
    // brought), in the order they settled here or came (so this machine's own oldest first),
    // with the configurations they name: one batch to push.
    Expected<QList<Event>> unpushed(int limit) const;
    // How many of them are waiting: what "unsynced" means to the user.
    Expected<qint64> unpushedCount() const;
    // The server has these now.
    Expected<void> markPushed(const QStringList& ids);

    // A value this record keeps for itself (where a pull stopped, which server this is); none
    // when never set.
    Expected<std::optional<QString>> setting(const QString& key) const;
    Expected<void> setSetting(const QString& key, const QString& value);

private:
    struct Private;
    explicit Record(std::unique_ptr<Private> d);
    std::unique_ptr<Private> d;
};

} // namespace record
