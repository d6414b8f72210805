#include "cli/commands.h"

#include "cli/fleet.h"
#include "cli/interrupt.h"
#include "cli/outputs.h"
#include "cli/plan.h"
#include "cli/report.h"
#include "cli/tasks.h"
#include "cli/views.h"
#include "core/fields.h"
#include "core/programsettings.h"
#include "device/outcomes.h"
#include "device/portmap.h"
#include "device/porttexts.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <QMutex>
#include <QTime>

#include <cstdio>

#ifdef Q_OS_WIN
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace cli {

namespace {

using messages::Code;

constexpr int kUsage = 2;
constexpr int kInterrupted = 130;

// Bars need a terminal that moves its cursor: none on a pipe, with TERM unset or "dumb".
bool showProgress(const Options& options)
{
    if (options.quiet || ::isatty(::fileno(stderr)) != 1)
        return false;
    const QByteArray term = qgetenv("TERM");
    return !term.isEmpty() && term != "dumb";
}

void sortByPort(QList<Result>& results)
{
    std::sort(results.begin(), results.end(), [](const Result& a, const Result& b) {
        return PortMap::portNumber(a.port) < PortMap::portNumber(b.port);
    });
}

report::Line runError(Code code, const QString& message, const QJsonObject& keys = {})
{
    report::Line line;
    line.error = code;
    line.message = message;
    line.keys = keys;
    return line;
}

// Prints every result in port order, then the modules an interrupt left unfinished, and
// says how the run ended.
int finish(QList<Result> results, const Options& options)
{
    sortByPort(results);
    QStringList unfinished;
    bool anyFailed = false;
    bool anyNotCompared = false;
    for (const Result& result : std::as_const(results)) {
        report::result(result);
        if (!result.ok) {
            anyFailed = true;
            anyNotCompared = anyNotCompared || result.error != Code::Differs;
        }
        if (!result.finished)
            unfinished << result.port;
    }
    if (interrupt::requested()) {
        report::error(
            runError(Code::Interrupted, unfinished.isEmpty()
                                            ? QStringLiteral("Megszakítva.")
                                            : QStringLiteral("Megszakítva. Befejezetlen: %1")
                                                  .arg(unfinished.join(QStringLiteral(", ")))));
        return kInterrupted;
    }
    if (options.command == Command::Diff)
        return anyNotCompared ? kUsage : anyFailed ? 1 : 0;
    return anyFailed ? 1 : 0;
}

} // namespace

// A VEXAGRID_DOSDEVICES that names no folder would quietly leave the machine's own ports
// in its place.
bool deviceMapUsable()
{
    const QString named = qEnvironmentVariable("VEXAGRID_DOSDEVICES");
    if (named.isEmpty())
        return true;
    const QFileInfo info(named);
    QString why;
    if (!info.exists())
        why = QStringLiteral("nem létezik");
    else if (!info.isDir())
        why = QStringLiteral("nem könyvtár");
    else if (!info.isReadable())
        why = QStringLiteral("nem olvasható");
    if (why.isEmpty())
        return true;
    report::Line line;
    line.error = Code::DeviceMapMissing;
    line.message = QStringLiteral("A VEXAGRID_DOSDEVICES könyvtár (%1) %2; a portok nem "
                                  "kereshetők.")
                       .arg(named, why);
    report::error(line);
    return false;
}

namespace {

// The modules a command works on, and the ports that could not be asked.
struct Targets
{
    QList<Target> modules;
    QList<Result> failures; // ports that exist but do not open: each a failed module
    bool stop = false;      // the run ends here (already reported)
};

// A port that exists but did not open, as a failed module.
Result openFailed(const PortMap::PortState& state)
{
    Result failed;
    failed.port = state.name;
    failed.error = Code::OpenFailed;
    failed.message = outcomes::openFailure(state);
    failed.keys.insert(QStringLiteral("reason"), porttexts::reasonCode(state));
    failed.keys.insert(QStringLiteral("systemError"), state.error);
    return failed;
}

// Every port that opens, asked who it is, in port order.
QList<conversation::Result> identifyAll(const QList<Target>& candidates, const Options& options)
{
    QList<conversation::Result> answers;
    QMutex mutex;
    runFleet(
        candidates, options.baud,
        [&](Context& context) {
            context.progress->start(Phase::Identify);
            const conversation::Result identification =
                conversation::identify(context.port, context.baud);
            const QMutexLocker lock(&mutex);
            answers << identification;
            Result result;
            result.ok = identification.ok();
            return result;
        },
        showProgress(options));
    std::sort(answers.begin(), answers.end(), [](const auto& a, const auto& b) {
        return PortMap::portNumber(a.port.name) < PortMap::portNumber(b.port.name);
    });
    return answers;
}

// --port all: every port that exists. One that does not open may well hold a module and is a
// failure; one that opens but does not answer as a module is none, and is named once.
Targets findModules(const Options& options)
{
    Targets targets;
    QList<Target> candidates;
    for (const PortMap::PortState& state : PortMap::portStates()) {
        if (state.opens)
            candidates.append({state.name, std::nullopt});
        else if (PortMap::worthAHint(state))
            targets.failures << openFailed(state);
    }
    QStringList passedOver;
    for (const conversation::Result& answer : identifyAll(candidates, options)) {
        const QString port = answer.port.name;
        if (answer.ok()) {
            targets.modules.append({port, answer});
        } else if (!answer.opened()) {
            Result failed;
            failed.port = port;
            const outcomes::Words words = outcomes::of(answer);
            failed.error = words.code;
            failed.message = words.line;
            addOpenFailure(failed.keys, answer);
            targets.failures << failed;
        } else {
            const QString why = answer.reply.isEmpty() ? QStringLiteral("nem válaszolt")
                                                       : QStringLiteral("ismeretlen válasz");
            passedOver << QStringLiteral("%1 (%2)").arg(port, why);
            Result none;
            none.port = port;
            none.error = Code::NoDevice;
            none.message = QStringLiteral("nem modul (%1)").arg(why);
            none.keys.insert(QStringLiteral("module"), false);
            if (report::isJson())
                report::result(none);
        }
    }
    if (!passedOver.isEmpty())
        report::note(QStringLiteral("nem modul: %1").arg(passedOver.join(QStringLiteral(", "))));
    if (interrupt::requested()) {
        finish(targets.failures, options);
        targets.stop = true;
    } else if (targets.modules.isEmpty()) {
        sortByPort(targets.failures);
        for (const Result& failed : std::as_const(targets.failures))
            report::result(failed);
        report::error(runError(Code::NoModules, QStringLiteral("Egyik porton sincs modul.")));
        targets.stop = true;
    }
    return targets;
}

Targets resolveTargets(const Options& options)
{
    if (options.allPorts)
        return findModules(options);
    Targets targets;
    for (const QString& port : options.ports)
        targets.modules.append({port, std::nullopt});
    return targets;
}

// --- ports -------------------------------------------------------------------------------

int listPorts(const Options&)
{
    if (!deviceMapUsable())
        return kUsage;
    const QList<PortMap::PortState> states = PortMap::portStates();
    if (states.isEmpty()) {
        report::Line none;
        none.ok = true;
        none.message = QStringLiteral("Nincs egyetlen soros port sem (COM1 ... COM32).");
        report::result(none);
        return 0;
    }
    for (const PortMap::PortState& state : states) {
        report::Line line;
        line.port = state.name;
        line.ok = state.opens;
        line.keys = {{QStringLiteral("device"), state.device},
                     {QStringLiteral("group"), state.group},
                     {QStringLiteral("description"), state.description},
                     {QStringLiteral("manufacturer"), state.manufacturer},
                     {QStringLiteral("serialNumber"), state.serialNumber}};
        // "/dev/ttyUSB0 (adapter), megnyitható" or why not, and what to do.
        line.message = porttexts::facts(state) + QStringLiteral(", ");
        if (state.opens) {
            line.message += QStringLiteral("megnyitható");
        } else {
            line.error = Code::OpenFailed;
            line.message += outcomes::openFailure(state);
            line.keys.insert(QStringLiteral("reason"), porttexts::reasonCode(state));
            line.keys.insert(QStringLiteral("systemError"), state.error);
        }
        report::result(line);
    }
    return 0;
}

// --- What write, diff and check send --------------------------------------------------------

// Every problem of the plan, then what it means: nothing was sent anywhere.
int refusePlans(const Plans& plans, const Options& options)
{
    for (const Problem& problem : plans.problems) {
        report::Line line;
        line.port = problem.port;
        line.error = problem.failure.code;
        line.message = problem.failure.message;
        if (problem.row > 0)
            line.keys.insert(QStringLiteral("row"), problem.row);
        report::error(line);
    }
    if (options.command != Command::Check)
        report::note(QStringLiteral("Egyik modullal sem történt semmi: előbb a fenti hibákat "
                                    "kell kijavítani."));
    return options.command == Command::Diff ? kUsage : plans.exitCode();
}

QString frameFor(const Plans& plans, const QString& port)
{
    return plans.byPort.contains(port) ? plans.byPort.value(port).frame
                                       : plans.byPort.value(QString()).frame;
}

Plans plansOf(const Options& options)
{
    return makePlans(options.files.value(0), options.base, options.overrides, options.each);
}

int check(const Options& options)
{
    const Plans plans = plansOf(options);
    if (!plans.ok())
        return refusePlans(plans, options);
    QList<Result> results;
    for (auto it = plans.byPort.cbegin(); it != plans.byPort.cend(); ++it) {
        Result result;
        result.port = it.key();
        result.ok = true;
        result.message = it.key().isEmpty()
                             ? QStringLiteral("%1: Rendben, betölthető.").arg(options.files.first())
                             : QStringLiteral("Rendben, betölthető.");
        result.keys.insert(QStringLiteral("file"), options.files.first());
        if (plans.lineOf.contains(it.key()))
            result.keys.insert(QStringLiteral("row"), plans.lineOf.value(it.key()));
        results << result;
    }
    return finish(results, options);
}

// write and diff: the whole plan first, so that a refused frame never reaches a module.
int sendOrCompare(const Options& options)
{
    const Plans plans = plansOf(options);
    if (!plans.ok())
        return refusePlans(plans, options);
    if (!options.backupDir.isEmpty()) {
        if (const std::optional<Failure> failure = outputs::ensureFolder(options.backupDir)) {
            report::error(
                runError(Code::BackupFailed,
                         failure->message + QStringLiteral(" A modulokba nem került semmi.")));
            return 1;
        }
    }
    if (!deviceMapUsable())
        return kUsage;

    Targets targets;
    if (options.each.isEmpty()) {
        targets = resolveTargets(options);
        if (targets.stop)
            return interrupt::requested() ? kInterrupted : 1;
    } else {
        for (auto it = plans.byPort.cbegin(); it != plans.byPort.cend(); ++it)
            targets.modules.append({it.key(), std::nullopt});
    }

    Job job;
    if (options.command == Command::Write) {
        job = [&](Context& context) {
            WriteJob write;
            write.frame = frameFor(plans, context.port);
            write.defaults = plans.defaults;
            write.backupDir = options.backupDir;
            write.verify = options.verify;
            return writeTask(context, write);
        };
    } else {
        job = [&](Context& context) {
            return diffTask(context, {frameFor(plans, context.port), options.all, options.pin});
        };
    }
    QList<Result> results = runFleet(targets.modules, options.baud, job, showProgress(options));
    for (Result& result : results) {
        result.keys.insert(QStringLiteral("file"), options.files.first());
        if (plans.lineOf.contains(result.port))
            result.keys.insert(QStringLiteral("row"), plans.lineOf.value(result.port));
    }
    return finish(results + targets.failures, options);
}

// --- read --------------------------------------------------------------------------------

// Where a port's read-out goes: "-" (standard output), a pattern with "{port}", a folder
// (given with a trailing "/" or existing), or for a single port a plain file.
QString outputFor(const QString& output, const QString& port)
{
    if (output == QLatin1String("-"))
        return output;
    if (output.contains(QLatin1String("{port}"))) {
        QString path = output;
        return path.replace(QLatin1String("{port}"), port);
    }
    if (output.endsWith(u'/') || QFileInfo(output).isDir())
        return QDir(output).filePath(port + QStringLiteral(".vgf"));
    return output;
}

int read(const Options& options)
{
    const Defaults defaults = loadDefaults(options.base);
    if (defaults.failure) {
        report::error(runError(defaults.failure->code, defaults.failure->message));
        return 1;
    }
    const bool perPort = options.output.contains(QLatin1String("{port}")) ||
                         options.output.endsWith(u'/') || QFileInfo(options.output).isDir();
    // The folder form is made sure of before any port is asked.
    if (perPort && !options.output.contains(QLatin1String("{port}"))) {
        if (const std::optional<Failure> failure = outputs::ensureFolder(options.output)) {
            report::error(
                runError(Code::OutputFailed,
                         failure->message + QStringLiteral(" Semmi sem lett kiolvasva.")));
            return 1;
        }
    }
    if (!deviceMapUsable())
        return kUsage;
    Targets targets = resolveTargets(options);
    if (targets.stop)
        return interrupt::requested() ? kInterrupted : 1;
    if (!perPort && targets.modules.size() > 1) {
        report::usage(QStringLiteral("több modulhoz könyvtár (-o KÖNYVTÁR/) vagy {port} minta "
                                     "kell, nem egy fájl: %1")
                          .arg(options.output));
        return kUsage;
    }
    // Every file is made sure of before any read-out is asked for.
    bool writable = true;
    for (const Target& target : std::as_const(targets.modules)) {
        const QString path = outputFor(options.output, target.port);
        if (path == QLatin1String("-"))
            continue;
        if (const std::optional<Failure> failure = outputs::ensureFile(path)) {
            report::error(runError(Code::OutputFailed, failure->message));
            writable = false;
        }
    }
    if (!writable) {
        report::note(QStringLiteral("Semmi sem lett kiolvasva."));
        return 1;
    }
    const Job job = [&](Context& context) {
        return readTask(context, defaults.lines, outputFor(options.output, context.port));
    };
    QList<Result> results = runFleet(targets.modules, options.baud, job, showProgress(options));
    if (options.output == QLatin1String("-")) {
        // The configuration is the standard output; what happened goes beside it.
        for (const Result& result : std::as_const(results)) {
            if (!result.content.isEmpty()) {
                std::fwrite(result.content.constData(), 1, size_t(result.content.size()), stdout);
                std::fflush(stdout);
            }
        }
        report::setStreams(stderr, stderr);
    }
    return finish(results + targets.failures, options);
}

// --- identify, status --------------------------------------------------------------------

int identify(const Options& options)
{
    if (!deviceMapUsable())
        return kUsage;
    Targets targets = resolveTargets(options);
    if (targets.stop)
        return interrupt::requested() ? kInterrupted : 1;
    const QList<Result> results = runFleet(
        targets.modules, options.baud, [](Context& context) { return identifyTask(context); },
        showProgress(options));
    return finish(results + targets.failures, options);
}

int status(const Options& options)
{
    if (!deviceMapUsable())
        return kUsage;
    Targets targets = resolveTargets(options);
    if (targets.stop)
        return interrupt::requested() ? kInterrupted : 1;
    if (options.watchSeconds == 0)
        return finish(runFleet(
                          targets.modules, options.baud,
                          [](Context& context) { return statusTask(context); },
                          showProgress(options)) +
                          targets.failures,
                      options);

    // One line per query as it comes; an interrupt is the way a watch ends.
    for (const Result& failed : std::as_const(targets.failures))
        report::result(failed);
    const int periodMs = options.watchSeconds * 1000;
    const Job watch = [periodMs](Context& context) {
        bool identified = context.identification.has_value();
        for (;;) {
            Result result = statusTask(context, identified);
            identified =
                identified || (result.error != Code::NoDevice && result.error != Code::OpenFailed);
            result.port = context.port;
            const QString time = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
            result.keys.insert(QStringLiteral("time"), time);
            result.message = time + u' ' + result.message;
            report::result(result);
            if (!interrupt::sleep(periodMs))
                return result;
        }
    };
    const QList<Result> last = runFleet(targets.modules, options.baud, watch, false);
    for (const Result& result : last) {
        if (!result.ok)
            return 1;
    }
    return targets.failures.isEmpty() ? 0 : 1;
}

int completion(const Options&)
{
    report::text(bashCompletion());
    return 0;
}

// --- The command line's problems, command by command -------------------------------------

QString needsPorts(const Options& options)
{
    if (options.ports.isEmpty() && !options.allPorts)
        return QStringLiteral("hiányzik a port: --port COM3 (vagy lista, vagy all)");
    return QString();
}

QString files(const Options& options, int count, const char* what)
{
    if (options.files.size() < count)
        return QStringLiteral("a(z) %1 parancsnak kell %2")
            .arg(options.name, QString::fromUtf8(what));
    if (options.files.size() > count)
        return QStringLiteral("fölösleges argumentum: %1").arg(options.files.at(count));
    return QString();
}

QString checkNothing(const Options& options)
{
    return files(options, 0, "");
}

QString checkPorts(const Options& options)
{
    if (const QString problem = files(options, 0, ""); !problem.isEmpty())
        return problem;
    return needsPorts(options);
}

QString checkRead(const Options& options)
{
    if (const QString problem = checkPorts(options); !problem.isEmpty())
        return problem;
    if (options.output.isEmpty())
        return QStringLiteral("a read parancsnak kell a kimenet: -o FÁJL, -o KÖNYVTÁR/ vagy -o -");
    if (options.output == QLatin1String("-") && (options.allPorts || options.ports.size() != 1))
        return QStringLiteral("-o - (a szabványos kimenet) csak egy porttal használható");
    if (options.ports.size() > 1 && !options.output.contains(QLatin1String("{port}")) &&
        !options.output.endsWith(u'/') && !QFileInfo(options.output).isDir())
        return QStringLiteral("több porthoz könyvtár (-o KÖNYVTÁR/) vagy {port} minta kell, nem "
                              "egy fájl: %1")
            .arg(options.output);
    return QString();
}

QString checkSendFiles(const Options& options)
{
    if (const QString problem = files(options, 1, "egy konfigurációs fájl"); !problem.isEmpty())
        return problem;
    if (options.each.isEmpty())
        return needsPorts(options);
    return QString();
}

QString onePort(const Options& options)
{
    if (options.allPorts || options.ports.size() > 1)
        return QStringLiteral("a(z) %1 parancs egy modullal dolgozik: --port COM3")
            .arg(options.name);
    return QString();
}

// A file, or one module.
QString checkSource(const Options& options)
{
    if (options.files.size() > 1)
        return QStringLiteral("fölösleges argumentum: %1").arg(options.files.at(1));
    if (options.files.isEmpty() == options.ports.isEmpty() && !options.allPorts)
        return QStringLiteral("a(z) %1 parancsnak egy fájl vagy egy --port kell (a kettő közül "
                              "az egyik)")
            .arg(options.name);
    if (!options.files.isEmpty() && (options.allPorts || !options.ports.isEmpty()))
        return QStringLiteral("a(z) %1 parancsnak egy fájl vagy egy --port kell, nem mindkettő")
            .arg(options.name);
    return onePort(options);
}

QString checkSheet(const Options& options)
{
    if (const QString problem = checkSource(options); !problem.isEmpty())
        return problem;
    if (options.output.isEmpty())
        return QStringLiteral("a sheet parancsnak kell a kimenet: -o lap.pdf");
    return QString();
}

// diff --port P FILE, diff --each CSV FILE, or diff A B.
QString checkDiff(const Options& options)
{
    if (options.files.size() == 2) {
        if (options.usesPorts())
            return QStringLiteral("két fájl összevetéséhez nem kell --port vagy --each");
        return QString();
    }
    if (options.files.size() > 2)
        return QStringLiteral("fölösleges argumentum: %1").arg(options.files.at(2));
    return checkSendFiles(options);
}

int diff(const Options& options)
{
    return options.files.size() == 2 ? diffFiles(options) : sendOrCompare(options);
}

QString checkSend(const Options& options)
{
    return checkSendFiles(options);
}

QString checkFile(const Options& options)
{
    return files(options, 1, "egy konfigurációs fájl");
}

// clang-format off
const QList<CommandInfo> kCommands{
    {Command::Ports, "ports", "ports",
     "a létező COM portok: eszköz, adapter, és hogy megnyitható-e",
     "Minden létező COM port (COM1 ... COM32): az eszköz, az adapter leírása, gyártója és "
     "sorozatszáma, és hogy megnyitható-e; ha nem, miért (foglalt, nincs jogosultság), és mi "
     "a teendő.",
     {},
     {"device", "description", "manufacturer", "serialNumber", "group", "reason", "systemError"},
     "vexagrid-cli ports", listPorts, checkNothing},
    {Command::Identify, "identify", "identify --port P [--baud N]",
     "a modul azonosítója",
     "Az azonosítás (\"~|\"): amit a modul magáról mond. --port all: minden port, amelyen modul "
     "válaszol; a meg nem nyitható portok is sort kapnak.",
     {{"port"}, {"baud"}},
     {"identification", "module", "reason", "systemError"},
     "vexagrid-cli identify --port all", identify, checkPorts},
    {Command::Read, "read", "read --port P -o KIMENET [--base FÁJL] [--baud N]",
     "kiolvasás és mentés konfigurációs fájlba",
     "Kiolvassa a modult, és elmenti, ahogy az ablakos program Mentése: az alapértékek fájlja "
     "után a kiolvasott értékekkel. A kimenet előre ellenőrizve: a hiányzó könyvtárak "
     "létrejönnek, és ha nem írható, a modulhoz nem fordul.",
     {{"port"}, {"baud"}, {"output", "egy portnál FÁJL; több portnál KÖNYVTÁR/ (KÖNYVTÁR/COM3.vgf) vagy minta {port}-tal (modul-{port}.vgf); - : a szabványos kimenet (egy port)"}, {"base"}},
     {"identification", "module", "file", "m_id", "m_nev", "reason", "systemError"},
     "vexagrid-cli read --port COM3,COM4 -o kiolvasott/", read, checkRead},
    {Command::Write, "write", "write (--port P | --each CSV) [--set NÉV=ÉRTÉK]... [--verify] [--backup KÖNYVTÁR] [--base FÁJL] FÁJL",
     "a fájl betöltése a modulba (mint Megnyitás, majd Betöltés)",
     "Megnyitja a fájlt, ahogy az ablakos program (az alapértékek fájlja után), alkalmazza a "
     "felülírásokat, és lefuttatja a betöltés ellenőrzéseit. Az egész tervet (a fájlt, minden "
     "--set-et, a táblázat minden sorát) előre ellenőrzi: ha bármi hibás, egyik modulba sem ír.",
     {{"port"}, {"baud"}, {"set"}, {"each"}, {"verify"}, {"backup"}, {"base"}},
     {"identification", "module", "file", "row", "backup", "bytesSent", "verified", "differences", "reason", "systemError"},
     "vexagrid-cli write --each modulok.csv --verify --backup mentesek/ alap.vgf", sendOrCompare, checkSend},
    {Command::Diff, "diff", "diff (--port P | --each CSV) [--set NÉV=ÉRTÉK]... [--all] [--pin] [--base FÁJL] FÁJL  |  diff [--all] [--pin] A.vgf B.vgf",
     "a modul tartalma ugyanaz-e, mint amit a write küldene; vagy két fájl",
     "Kiolvassa a modult, és a mezők feliratai szerint összeveti azzal, amit a write küldene; "
     "két fájlt ugyanígy vet össze egymással. A telefonszámok sorai olvashatóan; amit a "
     "VexaGrid-3 nem használ, külön sorban, nem számít eltérésnek (--all: az is). Kilépési "
     "kód: 0 egyezik, 1 eltér, 2 nem hasonlítható össze (vagy hibás a parancssor).",
     {{"port"}, {"baud"}, {"set"}, {"each"}, {"base"}, {"all", "a VexaGrid-3 által nem használt mezők is számítanak"}, {"pin"}},
     {"identification", "module", "file", "row", "differences", "reason", "systemError"},
     "vexagrid-cli diff --port COM3 alap.vgf", diff, checkDiff},
    {Command::Check, "check", "check [--set NÉV=ÉRTÉK]... [--each CSV] [--base FÁJL] FÁJL",
     "a fájl és a felülírások ellenőrzése modul nélkül",
     "Ugyanaz az ellenőrzés, mint a write előtt, modul nélkül.",
     {{"set"}, {"each"}, {"base"}},
     {"file", "row"},
     "vexagrid-cli check --set m_nev=\"Szivattyu 1\" alap.vgf", check, checkFile},
    {Command::Status, "status", "status --port P [--watch MP]",
     "térerő, fázisok, kimenetek, firmware-verzió",
     "Az állapot lekérdezése (\"~[\"), ahogy az ablakos program mutatja a VexaGrid-3-ét.",
     {{"port"}, {"baud"}, {"watch"}},
     {"identification", "module", "time", "signal", "signalLow", "phaseR", "phaseS", "phaseT", "output1", "output2", "firmware", "reason", "systemError"},
     "vexagrid-cli status --port COM3 --watch 2", status, checkPorts},
    {Command::Show, "show", "show (FÁJL | --port P) [--all] [--pin] [--base FÁJL]",
     "a konfiguráció olvashatóan: fájlból vagy a modulból",
     "A konfiguráció az ablak feliratai és csoportjai szerint, a telefonszámok sorai "
     "olvashatóan; csak amit a VexaGrid-3 használ (--all: a többi is, jelölve). A PIN-kód "
     "****, hacsak nincs --pin. --json: egy objektum objektumnevek szerint (felirat, lap, "
     "érték), a telefonszámok sorai kibontva.",
     {{"port", "egy modul kiolvasása (mint a read)"}, {"baud"}, {"base"}, {"all", "a VexaGrid-3 által nem használt mezők is, jelölve"}, {"pin"}},
     {"file", "identification", "module", "reason", "systemError"},
     "vexagrid-cli show alap.vgf", show, checkSource},
    {Command::Sheet, "sheet", "sheet (FÁJL | --port P) -o LAP.pdf [--pin] [--base FÁJL]",
     "konfigurációs lap PDF-ben, átadáshoz",
     "Egy A4-es oldal (ha a szövegek kívánják, kettő) a modul nevével és azonosítójával, a "
     "dátummal, az általános beállításokkal, a telefonszámok táblájával (RING, SMS, T S R, "
     "kimenet), a bemenetekkel, a kimenetekkel és az aktiváló parancsokkal. A PIN-kód csak "
     "--pin esetén kerül a lapra.",
     {{"port", "egy modul kiolvasása (mint a read)"}, {"baud"}, {"base"}, {"output", "a PDF fájl"}, {"pin"}},
     {"file", "pages", "identification", "module", "reason", "systemError"},
     "vexagrid-cli sheet alap.vgf -o lap.pdf", sheet, checkSheet},
    {Command::Completion, "completion", "completion",
     "bash kiegészítés a parancsokhoz, kapcsolókhoz és mezőnevekhez",
     "Kiírja a bash kiegészítő szkriptet (a csomag telepíti).",
     {},
     {},
     "vexagrid-cli completion > ~/.local/share/bash-completion/completions/vexagrid-cli", completion, checkNothing},
};
// clang-format on

QString wrapped(const QString& text, int indent, int width = 92)
{
    QStringList lines;
    QString line;
    for (const QString& word : text.split(u' ', Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && line.size() + 1 + word.size() > width - indent) {
            lines << line;
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    if (!line.isEmpty())
        lines << line;
    return lines.join(u'\n' + QString(indent, u' '));
}

QString optionLine(const OptionInfo& option, const char* help)
{
    QString head = QStringLiteral("  ");
    if (option.shortName)
        head += QStringLiteral("-%1, ").arg(QLatin1Char(option.shortName));
    head += QStringLiteral("--") + QLatin1String(option.name);
    if (option.value)
        head += u' ' + QString::fromUtf8(option.value);
    const QString text = QString::fromUtf8(help ? help : option.help);
    constexpr int kColumn = 24;
    if (head.size() >= kColumn - 1)
        return head + u'\n' + QString(kColumn, u' ') + wrapped(text, kColumn);
    return head.leftJustified(kColumn, u' ') + wrapped(text, kColumn);
}

QString exitCodes()
{
    return QStringLiteral(
        "Kilépési kód: 0 minden modul sikerült (diff: egyezik), 1 valamelyik nem sikerült vagy "
        "a tervet az ellenőrzés nem engedi (diff: eltér), 2 hibás a parancssor vagy a "
        "táblázat (diff: nem hasonlítható össze), 130 Ctrl+C.");
}

} // namespace

bool CommandInfo::takes(const QString& option) const
{
    if (option == QLatin1String("json") || option == QLatin1String("quiet") ||
        option == QLatin1String("help"))
        return true;
    for (const CommandOption& own : options) {
        if (option == QLatin1String(own.name))
            return true;
    }
    return false;
}

const QList<CommandInfo>& commandTable()
{
    return kCommands;
}

const CommandInfo* findCommand(const QString& name)
{
    for (const CommandInfo& command : kCommands) {
        if (name == QLatin1String(command.name))
            return &command;
    }
    return nullptr;
}

QStringList commandNames()
{
    QStringList names;
    for (const CommandInfo& command : kCommands)
        names << QLatin1String(command.name);
    return names;
}

QString generalHelp()
{
    QString text = QStringLiteral(
        "Használat: vexagrid-cli PARANCS [KAPCSOLÓK]\n"
        "\n"
        "VexaGrid-3 modulok beállítása soros porton, ablak nélkül: akár sok modulé egyszerre,\n"
        "mindegyiké a saját szálán, ugyanazokkal a szabályokkal, mint az ablakos programban.\n"
        "\n"
        "Parancsok:\n");
    for (const CommandInfo& command : kCommands)
        text += QStringLiteral("  %1%2\n")
                    .arg(QString::fromLatin1(command.name).leftJustified(12, u' '),
                         QString::fromUtf8(command.summary));
    text += QStringLiteral("\nMinden parancsnál:\n");
    for (const char* name : {"json", "quiet", "help"})
        text += optionLine(*findOption(QLatin1String(name)), nullptr) + u'\n';
    text += optionLine(*findOption(QStringLiteral("version")), nullptr) + u'\n';
    text += QStringLiteral("\nA parancsok kapcsolói és példái: vexagrid-cli help PARANCS\n"
                           "(vagy vexagrid-cli PARANCS --help).\n\n");
    text += wrapped(exitCodes(), 0) + u'\n';
    return text;
}

QString commandHelp(const CommandInfo& command)
{
    QString text = QStringLiteral("Használat: vexagrid-cli %1\n\n%2\n")
                       .arg(QString::fromUtf8(command.synopsis),
                            wrapped(QString::fromUtf8(command.description), 0));
    text += QStringLiteral("\nKapcsolók:\n");
    for (const CommandOption& own : command.options)
        text += optionLine(*findOption(QLatin1String(own.name)), own.help) + u'\n';
    for (const char* name : {"json", "quiet", "help"})
        text += optionLine(*findOption(QLatin1String(name)), nullptr) + u'\n';
    text += QStringLiteral("\nPélda:\n  %1\n").arg(QString::fromUtf8(command.example));
    return text;
}

QString bashCompletion()
{
    QStringList names = fields::allEdits() + fields::allBoxes() + fields::allRadios();
    names << kProviderName;
    QString cases;
    for (const CommandInfo& command : kCommands) {
        QStringList words;
        for (const CommandOption& own : command.options)
            words << QStringLiteral("--") + QLatin1String(own.name);
        words << QStringLiteral("--json") << QStringLiteral("--quiet") << QStringLiteral("--help");
        cases += QStringLiteral("        %1) options=\"%2\" ;;\n")
                     .arg(QLatin1String(command.name), words.join(u' '));
    }
    QString ports;
    for (int n = PortMap::kFirstPort; n <= PortMap::kLastPort; ++n)
        ports += QStringLiteral("COM%1 ").arg(n);
    QString rates;
    for (const qint32 rate : baudRates())
        rates += QString::number(rate) + u' ';
    return QStringLiteral(
               "# bash completion for vexagrid-cli (vexagrid-cli completion prints it)\n"
               "_vexagrid_cli()\n"
               "{\n"
               "    local cur prev command options i\n"
               "    cur=${COMP_WORDS[COMP_CWORD]}\n"
               "    prev=${COMP_WORDS[COMP_CWORD-1]}\n"
               "    command=\n"
               "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
               "        case ${COMP_WORDS[i]} in\n"
               "        -*) ;;\n"
               "        *) command=${COMP_WORDS[i]}; break ;;\n"
               "        esac\n"
               "    done\n"
               "    case $prev in\n"
               "    --port) COMPREPLY=($(compgen -W \"all %1\" -- \"$cur\")); return ;;\n"
               "    --baud) COMPREPLY=($(compgen -W \"%2\" -- \"$cur\")); return ;;\n"
               "    --set) compopt -o nospace 2>/dev/null\n"
               "        COMPREPLY=($(compgen -S = -W \"%3\" -- \"$cur\")); return ;;\n"
               "    --watch) return ;;\n"
               "    -o|--output|--base|--each|--backup) COMPREPLY=($(compgen -f -- \"$cur\")); "
               "return ;;\n"
               "    esac\n"
               "    if [ -z \"$command\" ]; then\n"
               "        COMPREPLY=($(compgen -W \"%4 help --help --version\" -- \"$cur\"))\n"
               "        return\n"
               "    fi\n"
               "    case $command in\n"
               "%5"
               "        help) COMPREPLY=($(compgen -W \"%4\" -- \"$cur\")); return ;;\n"
               "        *) options= ;;\n"
               "    esac\n"
               "    if [[ $cur == -* ]]; then\n"
               "        COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
               "    else\n"
               "        COMPREPLY=($(compgen -f -- \"$cur\"))\n"
               "    fi\n"
               "}\n"
               "complete -F _vexagrid_cli vexagrid-cli\n")
        .arg(ports.trimmed(), rates.trimmed(), names.join(u' '), commandNames().join(u' '), cases);
}

int run(const Options& options)
{
    const CommandInfo* info = findCommand(options.name);
    if (!info)
        return kUsage;
    report::begin(options.name, info->keys, options.json);
    return info->run(options);
}

int main(const QStringList& arguments)
{
    const Parsed parsed = parse(arguments);
    switch (parsed.kind) {
    case Parsed::Help: {
        const CommandInfo* command = findCommand(parsed.helpFor);
        report::text((command ? commandHelp(*command) : generalHelp()).chopped(1));
        return 0;
    }
    case Parsed::Version:
        report::text(QStringLiteral("vexagrid-cli %1").arg(programVersion()));
        return 0;
    case Parsed::Usage:
        report::usage(parsed.error);
        return kUsage;
    case Parsed::Run:
        break;
    }
    return run(parsed.options);
}

} // namespace cli
