#include "cli/history.h"

#include "cli/configview.h"
#include "cli/report.h"
#include "fleet/plan.h"
#include "fleet/tasks.h"

namespace cli::history {

using messages::Code;

record::Location location(const Options& options)
{
    if (options.noRecord)
        return record::Location::off();
    if (!options.recordFile.isEmpty())
        return record::Location::file(options.recordFile);
    return record::locationFromEnvironment();
}

Expected<record::Record> open(const Options& options)
{
    const record::Location where = location(options);
    if (where.isOff())
        return Failure(Code::Usage, QStringLiteral("az előzmények ki vannak kapcsolva "
                                                   "(--no-record vagy VEXAGRID_RECORD=off)"));
    return record::Record::open(where.path);
}

Expected<std::optional<record::Record>> forExchanges(const Options& options, Need need)
{
    const record::Location where = location(options);
    if (where.isOff())
        return std::optional<record::Record>();
    Expected<record::Record> opened = record::Record::open(where.path);
    Expected<void> writable = opened ? opened->probe() : Expected<void>(opened.failure());
    if (writable)
        return std::optional<record::Record>(std::move(*opened));
    Failure failure = writable.failure();
    if (need == Need::Required) {
        failure.message += QStringLiteral(" A modulhoz nem fordult: ami nem kerülhet az "
                                          "előzményekbe, azt nem írja.");
        return failure;
    }
    report::note(QStringLiteral("Figyelmeztetés: %1 Ez a csere nem kerül az előzményekbe.")
                     .arg(messages::oneLine(failure.message)));
    return std::optional<record::Record>();
}

QString shortId(const QString& id)
{
    return id.left(8);
}

QString localText(const QDateTime& time)
{
    return time.isValid() ? time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                          : QString();
}

QString outcomeText(const record::Event& event)
{
    switch (event.state) {
    case record::State::Started:
        return QStringLiteral("folyamatban");
    case record::State::Interrupted:
        return QStringLiteral("megszakadt");
    case record::State::Finished:
        break;
    }
    if (event.outcome.isEmpty())
        return QStringLiteral("rendben");
    return QStringLiteral("hiba: %1")
        .arg(messages::oneLine(event.message.isEmpty() ? event.outcome : event.message));
}

messages::Code outcomeCode(const record::Event& event)
{
    for (const Code code : messages::allCodes()) {
        if (messages::codeName(code) == event.outcome)
            return code;
    }
    return event.state == record::State::Interrupted ? Code::Abandoned : Code::None;
}

Configurations::Configurations(const record::Record& record, const Options& options)
    : m_record(record), m_options(options)
{
}

Expected<record::StoredConfiguration> Configurations::stored(const QString& hash)
{
    if (const auto found = m_stored.constFind(hash); found != m_stored.constEnd())
        return *found;
    Expected<record::StoredConfiguration> read = m_record.configuration(hash);
    if (read)
        m_stored.insert(hash, *read);
    return read;
}

Expected<Configuration> Configurations::of(const record::Event& event)
{
    if (event.configurationHash.isEmpty())
        return Failure(Code::NoSuchEvent,
                       QStringLiteral("A(z) %1 esemény (%2) nem rögzített konfigurációt.")
                           .arg(shortId(event.id), record::operationName(event.operation)),
                       QJsonObject{{QStringLiteral("event"), event.id}});
    if (!m_defaults) {
        Expected<QStringList> defaults = fleet::loadDefaults(m_options.base);
        if (!defaults)
            return defaults.failure();
        m_defaults = *defaults;
    }
    const Expected<record::StoredConfiguration> content = stored(event.configurationHash);
    if (!content)
        return content.failure();
    Configuration config = fleet::startState(*m_defaults);
    // The record took only what a configuration file may hold.
    static_cast<void>(config.load(content->lines()));
    return config;
}

QString Configurations::nameOf(const record::Event& event)
{
    if (!event.configurationHash.isEmpty()) {
        const Expected<record::StoredConfiguration> content = stored(event.configurationHash);
        return content ? content->name : QString();
    }
    if (event.moduleId.isEmpty())
        return QString();
    if (const auto known = m_names.constFind(event.moduleId); known != m_names.constEnd())
        return *known;
    QString name;
    const Expected<std::optional<record::Event>> before =
        m_record.moduleConfigurationAt(event.moduleId, event.startedAt);
    if (before && *before)
        name = nameOf(**before);
    m_names.insert(event.moduleId, name);
    return name;
}

std::optional<int> Configurations::changedFields(const record::Event& event)
{
    const Expected<std::optional<record::Event>> before = m_record.previousConfiguration(event);
    if (!before || !*before)
        return std::nullopt;
    const Expected<Configuration> was = of(**before);
    const Expected<Configuration> is = was ? of(event) : was;
    if (!is)
        return std::nullopt;
    return configview::countDifferences(*was, *is, m_options);
}

QStringList moduleKeys()
{
    return {QStringLiteral("module"),       QStringLiteral("name"),
            QStringLiteral("firmware"),     QStringLiteral("lastSeen"),
            QStringLiteral("host"),         QStringLiteral("operator"),
            QStringLiteral("event"),        QStringLiteral("configurationEvent"),
            QStringLiteral("configuration")};
}

namespace {

QJsonValue textOrNull(const QString& text)
{
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

report::Line moduleLine(const record::Module& module, int nameWidth)
{
    report::Line line;
    line.ok = true;
    line.port = module.lastPort;
    line.message =
        QStringLiteral("%1  %2  fw %3  utoljára %4, %5, %6@%7  konfiguráció: %8")
            .arg(module.moduleId, module.name.leftJustified(nameWidth, u' '),
                 module.firmware.isEmpty() ? QStringLiteral("?") : module.firmware,
                 localText(module.lastSeenAt), module.lastPort, module.lastOperator,
                 module.lastHost,
                 module.configurationEventId.isEmpty() ? QStringLiteral("nincs")
                                                       : shortId(module.configurationEventId));
    line.keys = {{QStringLiteral("module"), module.moduleId},
                 {QStringLiteral("name"), textOrNull(module.name)},
                 {QStringLiteral("firmware"), textOrNull(module.firmware)},
                 {QStringLiteral("lastSeen"), record::timeText(module.lastSeenAt)},
                 {QStringLiteral("host"), module.lastHost},
                 {QStringLiteral("operator"), module.lastOperator},
                 {QStringLiteral("event"), module.lastEventId},
                 {QStringLiteral("configurationEvent"), textOrNull(module.configurationEventId)},
                 {QStringLiteral("configuration"), textOrNull(module.configurationHash)}};
    return line;
}

} // namespace

void printModules(const QList<record::Module>& modules)
{
    int width = 0;
    for (const record::Module& module : modules)
        width = qMax(width, int(module.name.size()));
    for (const record::Module& module : modules) {
        report::Line line = moduleLine(module, width);
        // The module, not a port, begins a text line: the port is where it was last seen.
        if (!report::isJson()) {
            report::text(line.message);
            continue;
        }
        report::result(line);
    }
}

Expected<Recorded> recordedConfiguration(const Options& options, const QString& idOrPrefix)
{
    const Expected<record::Record> record = open(options);
    if (!record)
        return record.failure();
    const Expected<record::Event> event = record->event(idOrPrefix);
    if (!event)
        return event.failure();
    if (event->configurationHash.isEmpty())
        return Configurations(*record, options).of(*event).failure();
    const Expected<record::StoredConfiguration> stored =
        record->configuration(event->configurationHash);
    if (!stored)
        return stored.failure();
    return Recorded{*event, *stored};
}

} // namespace cli::history
