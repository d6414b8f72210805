// diff: a module compared with what a write of the file would send, or two files compared
// with each other, field by field under the window's captions.
#include "cli/argchecks.h"
#include "cli/commands.h"
#include "cli/report.h"
#include "cli/sending.h"
#include "cli/source.h"
#include "core/downloadframe.h"

namespace cli {

namespace {

// diff --port P FILE, diff --each CSV FILE, or diff A B.
Expected<void> checkDiff(const Options& options)
{
    if (options.files.size() == 2) {
        if (options.usesPorts())
            return argchecks::usage(
                QStringLiteral("két fájl összevetéséhez nem kell --port vagy --each"));
        return {};
    }
    if (options.files.size() > 2)
        return argchecks::usage(
            QStringLiteral("fölösleges argumentum: %1").arg(options.files.at(2)));
    return argchecks::sendFiles(options);
}

// The record a write of the configuration would send, as a read-out gives it back.
QStringList recordOf(const Configuration& config)
{
    QStringList record = frame::slotTexts(config.values());
    for (QString& field : record) {
        while (field.endsWith(u' '))
            field.chop(1);
    }
    return record;
}

// diff A B: two files compared as diff --port compares a module with a file; a file that
// cannot be opened leaves nothing to compare.
Expected<Exit> diffFiles(const Options& options)
{
    const QString& left = options.files.at(0);
    const QString& right = options.files.at(1);
    Expected<Configuration> a = openAsTheWindowDoes(left, options.base);
    Expected<Configuration> b = a ? openAsTheWindowDoes(right, options.base) : a;
    if (!b) {
        report::failure(b.failure());
        return exitFor(b.failure(), Goal::Comparison);
    }
    const Differences found =
        differences(recordOf(*a), recordOf(*b), {QString(), options.all, options.pin},
                    QStringLiteral("az elsőben"), QStringLiteral("a másodikban"));
    Result line;
    line.ok = found.used == 0;
    line.error = line.ok ? messages::Code::None : messages::Code::Differs;
    line.message =
        QStringLiteral("%1 és %2: ").arg(left, right) +
        (line.ok ? QStringLiteral("Egyezik.") : QStringLiteral("Eltér (%1 mező):").arg(found.used));
    line.more = found.lines;
    line.keys.insert(QStringLiteral("file"), left);
    line.keys.insert(QStringLiteral("differences"), found.list);
    report::result(line);
    return exitFor(QList<Result>{line}, Goal::Comparison);
}

Expected<Exit> compare(const Options& options)
{
    if (options.files.size() == 2)
        return diffFiles(options);
    const Plans plans = plansOf(options);
    if (!plans.ok())
        return refuse(plans, Goal::Comparison);
    return sendPlanned(
        options, plans,
        [&](Context& context, const QString& frame) {
            return diffTask(context, {frame, options.all, options.pin});
        },
        Goal::Comparison);
}

} // namespace

namespace commands {

// clang-format off
CommandInfo diff()
{
    return {"diff", "diff (--port P | --each CSV) [--set NÉV=ÉRTÉK]... [--all] [--pin] [--base FÁJL] FÁJL  |  diff [--all] [--pin] A.vgf B.vgf",
            "a modul tartalma ugyanaz-e, mint amit a write küldene; vagy két fájl",
            "Kiolvassa a modult, és a mezők feliratai szerint összeveti azzal, amit a write küldene; "
            "két fájlt ugyanígy vet össze egymással. A telefonszámok sorai olvashatóan; amit a "
            "VexaGrid-3 nem használ, külön sorban, nem számít eltérésnek (--all: az is). Kilépési "
            "kód: 0 egyezik, 1 eltér, 2 nem hasonlítható össze (vagy hibás a parancssor).",
            {{"port"}, {"baud"}, {"set"}, {"each"}, {"base"}, {"all", "a VexaGrid-3 által nem használt mezők is számítanak"}, {"pin"}},
            {"identification", "module", "file", "row", "differences", "reason", "systemError"},
            "vexagrid-cli diff --port COM3 alap.vgf",
            checkDiff, compare};
}
// clang-format on

} // namespace commands

} // namespace cli
