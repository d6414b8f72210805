// history: the record's events, newest first, one line each beginning with the event's short
// id; narrowed by module, port, operation, outcome, time, operator and host.
#include "cli/history.h"
#include "cli/argchecks.h"
#include "cli/commands.h"
#include "cli/report.h"
#include "cli/teamrecord.h"
#include "record/bundle.h"

namespace cli {

namespace {

Expected<void> checkHistory(const Options& options)
{
    if (const Expected<void> none = argchecks::nothing(options); !none)
        return none;
    if (options.allPorts || options.ports.size() > 1)
        return argchecks::usage(QStringLiteral("a history egy portot vesz: --port COM3"));
    if (!options.operation.isEmpty() && !record::operationNamed(options.operation)) {
        QStringList names;
        for (const record::Operation operation : record::allOperations())
            names << record::operationName(operation);
        return argchecks::usage(QStringLiteral("ismeretlen művelet: --op %1 (lehet: %2)")
                                    .arg(options.operation, names.join(QStringLiteral(", "))));
    }
    return {};
}

record::EventFilter filterOf(const Options& options)
{
    record::EventFilter filter;
    filter.moduleId = options.moduleId;
    filter.port = options.ports.value(0);
    filter.operation = record::operationNamed(options.operation);
    filter.failedOnly = options.failedOnly;
    filter.since = options.since.toUTC();
    filter.until = options.until.toUTC();
    filter.operatorName = options.operatorName;
    filter.host = options.host;
    filter.limit = options.limit;
    return filter;
}

bool changesFields(const record::Event& event)
{
    return (event.operation == record::Operation::Write ||
            event.operation == record::Operation::Restore) &&
           event.succeeded();
}

void printEvent(const record::Event& event, history::Configurations& configurations)
{
    const QString name = configurations.nameOf(event);
    QJsonValue changed;
    QString changedText;
    if (changesFields(event)) {
        if (const std::optional<int> count = configurations.changedFields(event)) {
            changed = *count;
            changedText = QStringLiteral(", %1 mező változott").arg(*count);
        }
    }
    report::Line line;
    line.port = event.port;
    line.ok = event.succeeded();
    line.error = history::outcomeCode(event);
    line.keys = {{QStringLiteral("event"), record::bundle::eventJson(event)},
                 {QStringLiteral("name"), name},
                 {QStringLiteral("changed"), changed}};
    if (report::isJson()) {
        line.message = event.message;
        report::result(line);
        return;
    }
    QString module = event.moduleId.isEmpty() ? QStringLiteral("-") : event.moduleId;
    if (!name.isEmpty())
        module += u' ' + name;
    QString text = QStringLiteral("%1  %2  %3@%4  %5  %6  %7  %8")
                       .arg(history::shortId(event.id), history::localText(event.startedAt),
                            event.operatorName, event.host,
                            record::operationName(event.operation).leftJustified(8, u' '),
                            event.port.leftJustified(5, u' '), module, history::outcomeText(event));
    report::text(text + changedText);
}

Expected<Exit> listEvents(const Options& options)
{
    const Expected<record::Record> record = history::open(options);
    if (!record)
        return record.failure();
    const Expected<QList<record::Event>> events = record->events(filterOf(options));
    if (!events)
        return events.failure();
    history::Configurations configurations(*record, options);
    for (const record::Event& event : *events)
        printEvent(event, configurations);
    if (events->isEmpty())
        report::note(QStringLiteral("Nincs ilyen esemény az előzményekben."));
    // With a team's server, what this machine has not handed over yet.
    if (teamrecord::remoteText(options)) {
        if (const Expected<qint64> waiting = record->unpushedCount(); waiting && *waiting > 0)
            report::note(
                QStringLiteral("Szinkronizálatlan: %1 esemény (history sync).").arg(*waiting));
    }
    return Exit::Success;
}

} // namespace

namespace commands {

// clang-format off
CommandInfo history()
{
    return {"history", "history [--module AZONOSÍTÓ] [--port P] [--op MŰVELET] [--failed] [--since IDŐ] [--until IDŐ] [--operator NÉV] [--host GÉP] [--limit N]",
            "az előzmények: minden csere minden modullal, a legújabb elöl",
            "Az előzmények eseményei, a legújabb elöl, eseményenként egy sor: az esemény rövid "
            "azonosítója (az első 8 karaktere), a helyi idő, kezelő@gép, a művelet, a port, a modul "
            "azonosítója és neve, az eredmény, és írásnál hány mező változott a modul előző "
            "konfigurációjához képest. Az időket helyi időben kell megadni (2026-03-01 vagy "
            "2026-03-01T08:30). A többi parancs: history show, diff, export, modules, search, "
            "prune, export-bundle, import-bundle, sync, init-remote (vexagrid-cli help history show ...)."
            " A --remote szerverrel azt is kiírja, hány esemény szinkronizálatlan.",
            {{"module"}, {"port", "csak ezen a porton (egy port: COM3)"}, {"op"}, {"failed"}, {"since"}, {"until"}, {"operator"}, {"host"}, {"limit"}, {"remote"}},
            {"event", "name", "changed"},
            "vexagrid-cli history --module 0101 --since 2026-03-01",
            checkHistory, listEvents};
}
// clang-format on

} // namespace commands

} // namespace cli
