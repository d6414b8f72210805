// history prune: old events removed from the record, but never a module's first or latest
// configurations, nor an event that is not finished. Without --yes it only says what it
// would remove.
#include "cli/argchecks.h"
#include "cli/commands.h"
#include "cli/history.h"
#include "cli/report.h"

namespace cli {

namespace {

Expected<void> checkPrune(const Options& options)
{
    if (const Expected<void> none = argchecks::nothing(options); !none)
        return none;
    if (options.keepLast < 1)
        return argchecks::usage(QStringLiteral("a history prune parancsnak kell a --keep-last N: "
                                               "modulonként hány legutóbbi konfiguráció marad"));
    return {};
}

QString pruned(const record::PruneReport& report)
{
    if (report.events == 0 && report.configurations == 0)
        return QStringLiteral("nincs törölhető esemény.");
    QString text = QStringLiteral("%1 esemény %2 modulból").arg(report.events).arg(report.modules);
    if (report.oldest.isValid())
        text += QStringLiteral(" (%1 – %2)")
                    .arg(history::localText(report.oldest), history::localText(report.newest));
    return text + QStringLiteral(", %1 konfiguráció.").arg(report.configurations);
}

Expected<Exit> prune(const Options& options)
{
    Expected<record::Record> record = history::open(options);
    if (!record)
        return record.failure();
    record::PruneRule rule;
    rule.keepLast = options.keepLast;
    if (options.olderThanDays > 0)
        rule.olderThanDays = options.olderThanDays;
    const record::PruneMode mode =
        options.yes ? record::PruneMode::Apply : record::PruneMode::DryRun;
    const Expected<record::PruneReport> done = record->prune(rule, mode);
    if (!done)
        return done.failure();
    report::Line line;
    line.ok = true;
    line.message =
        (options.yes ? QStringLiteral("Törölve: ") : QStringLiteral("Törölné: ")) + pruned(*done);
    if (!options.yes && done->events + done->configurations > 0)
        line.message += QStringLiteral(" A törléshez: --yes.");
    line.keys = {
        {QStringLiteral("removed"), options.yes},
        {QStringLiteral("events"), done->events},
        {QStringLiteral("modules"), done->modules},
        {QStringLiteral("configurations"), done->configurations},
        {QStringLiteral("oldest"),
         done->oldest.isValid() ? QJsonValue(record::timeText(done->oldest)) : QJsonValue()},
        {QStringLiteral("newest"),
         done->newest.isValid() ? QJsonValue(record::timeText(done->newest)) : QJsonValue()}};
    report::result(line);
    return Exit::Success;
}

} // namespace

namespace commands {

// clang-format off
CommandInfo historyPrune()
{
    return {"history prune", "history prune --keep-last N [--older-than NAP] [--yes]",
            "régi események törlése az előzményekből",
            "Törli a régi eseményeket, de modulonként sosem az első és a legutóbbi N "
            "konfigurációt, sem a folyamatban lévő vagy megszakadt eseményt, sem azt, amelyből "
            "visszaállítás történt. --older-than NAP: csak az ennél régebbieket. --yes nélkül "
            "csak kiírja, mit törölne.",
            {{"keep-last"}, {"older-than"}, {"yes"}},
            {"removed", "events", "modules", "configurations", "oldest", "newest"},
            "vexagrid-cli history prune --keep-last 5 --older-than 365 --yes",
            checkPrune, prune};
}
// clang-format on

} // namespace commands

} // namespace cli
