#pragma once

#include "cli/options.h"
#include "core/configuration.h"
#include "core/failure.h"
#include "record/record.h"

#include <QHash>

#include <optional>

// The record as the command line's history commands see it: which record the command line
// names, and the words its events and modules are shown in.
namespace cli::history {

// --no-record, --record FILE, or else VEXAGRID_RECORD: the one place the command line decides
// which record it uses.
record::Location location(const Options& options);
// That record, opened. Turned off, it is a usage failure: there is nothing to ask.
Expected<record::Record> open(const Options& options);

// How a command's exchanges need the record.
enum class Need {
    // A write or a restore: not started unless its events can be stored.
    Required,
    // A read-out, a status query or an identification: goes on without them, with a warning.
    Optional,
};
// The record a command's exchanges go into, opened and proven writable before any module is
// touched; none when the record is turned off, or (Optional) when it cannot be written, which
// a warning on stderr then says. Required, a record that cannot be written is the failure
// that stops the plan.
Expected<std::optional<record::Record>> forExchanges(const Options& options, Need need);

// An event named on the command line and the configuration it recorded; a failure for an
// event that recorded none.
struct Recorded
{
    record::Event event;
    record::StoredConfiguration configuration;
};
Expected<Recorded> recordedConfiguration(const Options& options, const QString& idOrPrefix);

// The first 8 characters of an event's id: how lines begin with it, as commits' do.
QString shortId(const QString& id);
// A time of the record in local time, to the second ("2026-03-01 09:15:00"); "" for none.
QString localText(const QDateTime& time);
// What became of an event, in a few words ("rendben", "megszakadt", "hiba: ...").
QString outcomeText(const record::Event& event);
// The code of an event's outcome ("" is none).
messages::Code outcomeCode(const record::Event& event);

// The configurations of events, each read from the record once, opened as the window opens
// a file (on the defaults file, as `show` does).
class Configurations
{
public:
    Configurations(const record::Record& record, const Options& options);

    // The event's configuration; a failure names an event that stored none.
    Expected<Configuration> of(const record::Event& event);
    // The module's name (m_nev) as the event found it, or as the module's configuration
    // before it had it; "" when the record has neither.
    QString nameOf(const record::Event& event);
    // How many fields of `event`'s configuration differ from the module's configuration
    // before it; none when either is not recorded.
    std::optional<int> changedFields(const record::Event& event);

private:
    Expected<record::StoredConfiguration> stored(const QString& hash);

    const record::Record& m_record;
    const Options& m_options;
    std::optional<QStringList> m_defaults;
    QHash<QString, record::StoredConfiguration> m_stored;
    QHash<QString, QString> m_names; // by module id, for events without a configuration
};

// A module's line for `history modules` and `history search`, and its JSON keys.
void printModules(const QList<record::Module>& modules);
QStringList moduleKeys();

} // namespace cli::history
