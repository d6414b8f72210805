// history diff: two recorded configurations compared as diff compares two files; one event
// alone against the module's configuration before it.
#include "cli/argchecks.h"
#include "cli/commands.h"
#include "cli/configview.h"
#include "cli/history.h"
#include "cli/report.h"

namespace cli {

namespace {

Expected<void> checkDiff(const Options& options)
{
    if (options.files.isEmpty())
        return argchecks::usage(QStringLiteral("a history diff parancsnak kell egy vagy két "
                                               "esemény"));
    if (options.files.size() > 2)
        return argchecks::usage(
            QStringLiteral("fölösleges argumentum: %1").arg(options.files.at(2)));
    return {};
}

struct Pair
{
    record::Event left;
    record::Event right;
};

// The two events: as named, or the module's configuration before the one named.
Expected<Pair> pairOf(const record::Record& record, const Options& options)
{
    Expected<record::Event> first = record.event(options.files.at(0));
    if (!first)
        return first.failure();
    if (options.files.size() == 2) {
        Expected<record::Event> second = record.event(options.files.at(1));
        if (!second)
            return second.failure();
        return Pair{*first, *second};
    }
    const Expected<std::optional<record::Event>> before = record.previousConfiguration(*first);
    if (!before)
        return before.failure();
    if (!*before)
        return Failure(messages::Code::NoSuchEvent,
                       QStringLiteral("A(z) %1 esemény előtt nincs rögzítve a modul "
                                      "konfigurációja: adjon meg két eseményt.")
                           .arg(history::shortId(first->id)),
                       QJsonObject{{QStringLiteral("event"), first->id}});
    return Pair{**before, *first};
}

// A comparison that cannot be made ends as diff's does: said, exit 2.
Exit cannotCompare(const Failure& failure)
{
    report::failure(failure);
    return exitFor(failure, Goal::Comparison);
}

Expected<Exit> compareEvents(const Options& options)
{
    const Expected<record::Record> record = history::open(options);
    if (!record)
        return cannotCompare(record.failure());
    const Expected<Pair> pair = pairOf(*record, options);
    if (!pair)
        return cannotCompare(pair.failure());
    history::Configurations configurations(*record, options);
    const Expected<Configuration> left = configurations.of(pair->left);
    const Expected<Configuration> right = left ? configurations.of(pair->right) : left;
    if (!right)
        return cannotCompare(right.failure());
    const bool alone = options.files.size() == 1;
    const QString leftId = history::shortId(pair->left.id);
    const QString rightId = history::shortId(pair->right.id);
    return configview::compare(
        *left, *right, options,
        {alone ? QStringLiteral("%1 (előtte: %2): ").arg(rightId, leftId)
               : QStringLiteral("%1 és %2: ").arg(leftId, rightId),
         alone ? QStringLiteral("előtte") : QStringLiteral("az elsőben"),
         alone ? QStringLiteral("utána") : QStringLiteral("a másodikban"),
         QJsonObject{{QStringLiteral("event"), alone ? pair->right.id : pair->left.id},
                     {QStringLiteral("against"), alone ? pair->left.id : pair->right.id}}});
}

} // namespace

namespace commands {

// clang-format off
CommandInfo historyDiff()
{
    return {"history diff", "history diff [--all] [--pin] ESEMÉNY [ESEMÉNY2]",
            "két rögzített konfiguráció összevetése, ahogy a diff két fájlt",
            "Két esemény konfigurációját a mezők feliratai szerint veti össze, ahogy a diff A B két "
            "fájlt; egy eseménynél a modul előtte rögzített konfigurációjával. Kilépési kód: 0 "
            "egyezik, 1 eltér, 2 nem hasonlítható össze (nincs ilyen esemény, nincs mivel, vagy "
            "hibás a parancssor).",
            {{"base"}, {"all", "a VexaGrid-3 által nem használt mezők is számítanak"}, {"pin"}},
            {"event", "against", "differences", "candidates"},
            "vexagrid-cli history diff 3f2a9c",
            checkDiff, compareEvents};
}
// clang-format on

} // namespace commands

} // namespace cli
