// history show: a recorded event and its configuration as show prints a file; or a module's
// configuration as it stood at a time.
#include "cli/argchecks.h"
#include "cli/commands.h"
#include "cli/configview.h"
#include "cli/history.h"
#include "cli/report.h"
#include "record/bundle.h"

#include <QJsonDocument>

namespace cli {

namespace {

Expected<void> checkShow(const Options& options)
{
    if (options.moduleId.isEmpty()) {
        if (options.at.isValid())
            return argchecks::usage(QStringLiteral("az --at csak a --module mellett használható"));
        return argchecks::files(options, 1,
                                "egy esemény (az azonosítója vagy legalább 6 "
                                "karakteres eleje) vagy --module AZONOSÍTÓ");
    }
    if (!options.files.isEmpty())
        return argchecks::usage(
            QStringLiteral("egy esemény vagy --module AZONOSÍTÓ kell, nem mindkettő"));
    return {};
}

// The event the command line names: by its id, or the module's at a time.
Expected<record::Event> eventNamed(const record::Record& record, const Options& options)
{
    if (options.moduleId.isEmpty())
        return record.event(options.files.first());
    const QDateTime at = options.at.isValid() ? options.at : QDateTime::currentDateTime();
    const Expected<std::optional<record::Event>> found =
        record.moduleConfigurationAt(options.moduleId, at.toUTC());
    if (!found)
        return found.failure();
    if (!*found)
        return Failure(messages::Code::NoSuchEvent,
                       QStringLiteral("A(z) %1 modul konfigurációja %2 nincs az előzményekben.")
                           .arg(options.moduleId,
                                options.at.isValid()
                                    ? QStringLiteral("ekkor (%1)").arg(history::localText(at))
                                    : QStringLiteral("még")),
                       QJsonObject{{QStringLiteral("module"), options.moduleId}});
    return **found;
}

QStringList headingOf(const record::Event& event, const QString& name)
{
    QStringList heading{QStringLiteral("Esemény: %1 (%2, %3, %4, %5@%6)")
                            .arg(event.id, record::operationName(event.operation),
                                 history::localText(event.startedAt), event.port,
                                 event.operatorName, event.host),
                        QStringLiteral("Modul: %1")
                            .arg(event.moduleId.isEmpty() ? QStringLiteral("-") : event.moduleId)};
    if (!name.isEmpty())
        heading.last() += u' ' + name;
    if (!event.identification.isEmpty())
        heading.last() += QStringLiteral(" (%1)").arg(event.identification);
    heading << QStringLiteral("Eredmény: %1").arg(history::outcomeText(event));
    if (!event.sourceEvent.isEmpty())
        heading << QStringLiteral("Forrás: %1").arg(event.sourceEvent);
    return heading;
}

void printJson(const record::Event& event, const QJsonValue& configuration)
{
    const QJsonObject shown{{QStringLiteral("event"), record::bundle::eventJson(event)},
                            {QStringLiteral("configuration"), configuration}};
    report::text(QString::fromUtf8(QJsonDocument(shown).toJson(QJsonDocument::Indented)).trimmed());
}

// An event that stored no configuration (an identification, a status query, a failure): what
// it did store.
Exit showWithout(const record::Event& event, const QString& name, const Options& options)
{
    if (options.json) {
        printJson(event, QJsonValue());
        return Exit::Success;
    }
    for (const QString& line : headingOf(event, name))
        report::text(line);
    if (event.status.isObject())
        report::text(
            QStringLiteral("Állapot: %1")
                .arg(QString::fromUtf8(
                    QJsonDocument(event.status.toObject()).toJson(QJsonDocument::Compact))));
    report::text(QStringLiteral("Nincs rögzített konfiguráció."));
    return Exit::Success;
}

Expected<Exit> showEvent(const Options& options)
{
    const Expected<record::Record> record = history::open(options);
    if (!record)
        return record.failure();
    const Expected<record::Event> event = eventNamed(*record, options);
    if (!event)
        return event.failure();
    history::Configurations configurations(*record, options);
    if (event->configurationHash.isEmpty())
        return showWithout(*event, configurations.nameOf(*event), options);
    const Expected<Configuration> config = configurations.of(*event);
    if (!config)
        return config.failure();
    if (options.json) {
        printJson(*event, configview::json(*config, options));
        return Exit::Success;
    }
    configview::print(*config, options, headingOf(*event, configurations.nameOf(*event)));
    return Exit::Success;
}

} // namespace

namespace commands {

// clang-format off
CommandInfo historyShow()
{
    return {"history show", "history show (ESEMÉNY | --module AZONOSÍTÓ [--at IDŐ]) [--all] [--pin]",
            "egy esemény és a konfigurációja, ahogy a show mutatja",
            "Az esemény adatai, és a konfiguráció, amelyet kiolvasott vagy küldött, ahogy a show "
            "egy fájlt mutat. Az ESEMÉNY az azonosítója vagy annak legalább 6 karakteres eleje; ha "
            "több esemény kezdődik így, felsorolja őket (kilépési kód 2). --module: a modul "
            "konfigurációja, ahogy most (vagy --at IDŐ-kor, helyi időben) állt. --json: egy "
            "objektum, event és configuration kulccsal.",
            {{"module", "a modul konfigurációja egy eseményazonosító helyett"}, {"at"}, {"base"}, {"all", "a VexaGrid-3 által nem használt mezők is, jelölve"}, {"pin"}},
            {"event", "candidates"},
            "vexagrid-cli history show 3f2a9c",
            checkShow, showEvent};
}
// clang-format on

} // namespace commands

} // namespace cli
