// diff: a module compared with what a write of the file would send, or two files compared
// with each other, field by field under the window's captions.
#include "cli/argchecks.h"
#include "cli/commands.h"
#include "cli/configview.h"
#include "cli/report.h"
#include "cli/sending.h"
#include "cli/source.h"

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
    return configview::compare(*a, *b, options,
                               {QStringLiteral("%1 és %2: ").arg(left, right),
                                QStringLiteral("az elsőben"), QStringLiteral("a másodikban"),
                                QJsonObject{{QStringLiteral("file"), left}}});
}

Expected<Exit> compare(const Options& options)
{
    if (options.files.size() == 2)
        return diffFiles(options);
    const fleet::Plans plans = plansOf(options);
    if (!plans.ok())
        return refuse(plans, Goal::Comparison);
    return sendPlanned(
        options, plans,
        [&](fleet::Context& context) {
            return fleet::diffTask(context,
                                   {plans.frameFor(context.port), options.all, options.pin});
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
