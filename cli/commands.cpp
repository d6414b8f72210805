#include "cli/commands.h"

#include "cli/configplan.h"
#include "cli/fleet.h"
#include "cli/interrupt.h"
#include "cli/moduletasks.h"
#include "cli/report.h"
#include "device/portmap.h"
#include "device/porttexts.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <QMap>
#include <QTime>

#include <unistd.h>

namespace cli {

namespace {

constexpr int kUsage = 2;

bool showProgress(const Options& options)
{
    return !options.quiet && ::isatty(STDERR_FILENO) == 1;
}

int portOrder(const QString& port)
{
    return PortMap::portNumber(port);
}

void sortByPort(QList<Result>& results)
{
    std::sort(results.begin(), results.end(), [](const Result& a, const Result& b) {
        return portOrder(a.port) < portOrder(b.port);
    });
}

// Prints every result in port order, then the modules an interrupt left unfinished.
int finish(QList<Result> results)
{
    sortByPort(results);
    QStringList unfinished;
    bool allOk = true;
    for (const Result& result : results) {
        report::result(result);
        allOk = allOk && result.ok;
        if (!result.finished)
            unfinished << result.port;
    }
    if (interrupt::requested() && !report::isJson()) {
        report::text(unfinished.isEmpty() ? QStringLiteral("Megszakítva.")
                                          : QStringLiteral("Megszakítva. Befejezetlen: %1")
                                                .arg(unfinished.join(QStringLiteral(", "))));
    }
    return allOk && !interrupt::requested() ? 0 : 1;
}

// --port all: every port that opens and answers the identification as a module.
QList<Target> findModules(const Options& options)
{
    QList<Target> candidates;
    for (const QString& port : PortMap::availablePorts())
        candidates.append({port, std::nullopt});
    const QList<Result> answers = runFleet(
        candidates, options.baud,
        [](Context& context) {
            context.progress->start(Phase::Identify);
            const conversation::Identification identification =
                conversation::identify(context.port, context.baud);
            Result result;
            result.ok = identification.isModule();
            result.details.insert(QStringLiteral("reply"), identification.reply);
            return result;
        },
        showProgress(options));
    QList<Target> modules;
    for (const Result& answer : answers) {
        if (!answer.ok)
            continue;
        conversation::Identification identification;
        identification.opened = true;
        identification.reply = answer.details.value(QStringLiteral("reply")).toString();
        modules.append({answer.port, identification});
    }
    return modules;
}

// The modules to work on; false when there are none (already reported).
bool resolveTargets(const Options& options, QList<Target>* targets)
{
    if (!options.allPorts) {
        for (const QString& port : options.ports)
            targets->append({port, std::nullopt});
        return true;
    }
    *targets = findModules(options);
    if (interrupt::requested()) {
        finish({});
        return false;
    }
    if (targets->isEmpty()) {
        report::failure(QStringLiteral("all"),
                        {QStringLiteral("no-device"),
                         QStringLiteral("Egyik porton sem található csatlakoztatott eszköz.")});
        return false;
    }
    return true;
}

// --- ports -------------------------------------------------------------------------------

int listPorts()
{
    for (const PortMap::PortState& state : PortMap::portStates()) {
        using Reason = PortMap::PortState::Reason;
        QString code;
        switch (state.reason) {
        case Reason::None:
            break;
        case Reason::Missing:
            code = QStringLiteral("missing");
            break;
        case Reason::InUse:
            code = QStringLiteral("in-use");
            break;
        case Reason::NoPermission:
            code = QStringLiteral("no-permission");
            break;
        case Reason::Other:
            code = QStringLiteral("other");
            break;
        }
        if (report::isJson()) {
            QJsonObject json{{QStringLiteral("port"), state.name},
                             {QStringLiteral("device"), state.device},
                             {QStringLiteral("ok"), state.opens},
                             {QStringLiteral("group"), state.group},
                             {QStringLiteral("description"), state.description},
                             {QStringLiteral("manufacturer"), state.manufacturer},
                             {QStringLiteral("serialNumber"), state.serialNumber}};
            if (!state.opens) {
                json.insert(QStringLiteral("error"), code);
                json.insert(QStringLiteral("message"), porttexts::hint(state));
            }
            report::object(json);
            continue;
        }
        // "COM5: /dev/ttyUSB0 (adapter), megnyitható" or the dialog's hint after the facts.
        QString line = QStringLiteral("%1: %2, ").arg(state.name, porttexts::facts(state));
        if (state.opens) {
            line += QStringLiteral("megnyitható");
        } else {
            line += QStringLiteral("nem nyitható meg: %1.").arg(porttexts::reason(state));
            const QString remedy = porttexts::remedy(state);
            if (!remedy.isEmpty())
                line += QLatin1Char(' ') + remedy;
        }
        report::text(line);
    }
    return 0;
}

// --- What write, diff and check send --------------------------------------------------------

struct Plans
{
    int exitCode = -1; // set when the command ends here
    QStringList defaults;
    QMap<QString, Plan> byPort; // with --each; otherwise the one plan under ""
};

Plans makePlans(const Options& options)
{
    Plans plans;
    const Defaults defaults = loadDefaults(options.base);
    if (defaults.failure) {
        report::failure(options.base, *defaults.failure);
        plans.exitCode = 1;
        return plans;
    }
    plans.defaults = defaults.lines;
    Configuration opened = startState(defaults.lines);
    if (std::optional<Failure> failure = openFile(options.file, opened)) {
        report::failure(options.file, *failure);
        plans.exitCode = 1;
        return plans;
    }
    if (options.each.isEmpty()) {
        plans.byPort.insert(QString(), prepare(opened, options.overrides));
        return plans;
    }
    const EachTable table = readEach(options.each);
    if (table.usageError) {
        report::usage(*table.usageError);
        plans.exitCode = kUsage;
        return plans;
    }
    if (table.failure) {
        report::failure(options.each, *table.failure);
        plans.exitCode = 1;
        return plans;
    }
    for (const EachRow& row : table.rows)
        plans.byPort.insert(row.port, prepare(opened, options.overrides + row.overrides));
    return plans;
}

Result refusedPlan(const QString& port, const Failure& failure)
{
    Result result;
    result.port = port;
    result.error = failure.code;
    result.message = failure.message;
    return result;
}

int check(const Options& options)
{
    const Plans plans = makePlans(options);
    if (plans.exitCode >= 0)
        return plans.exitCode;
    if (options.each.isEmpty()) {
        const Plan& plan = plans.byPort.first();
        if (plan.failure) {
            report::failure(options.file, *plan.failure);
            return 1;
        }
        const QString message = QStringLiteral("Rendben, betölthető.");
        if (report::isJson())
            report::object({{QStringLiteral("file"), options.file},
                            {QStringLiteral("ok"), true},
                            {QStringLiteral("message"), message}});
        else
            report::text(options.file + QStringLiteral(": ") + message);
        return 0;
    }
    QList<Result> results;
    for (auto it = plans.byPort.cbegin(); it != plans.byPort.cend(); ++it) {
        if (it->failure) {
            results << refusedPlan(it.key(), *it->failure);
        } else {
            Result result;
            result.port = it.key();
            result.ok = true;
            result.message = QStringLiteral("Rendben, betölthető.");
            results << result;
        }
    }
    return finish(results);
}

// write and diff: the plans first, so that a refused frame never reaches a module.
int sendOrCompare(const Options& options)
{
    const Plans plans = makePlans(options);
    if (plans.exitCode >= 0)
        return plans.exitCode;

    QList<Target> targets;
    QList<Result> refused;
    if (options.each.isEmpty()) {
        const Plan& plan = plans.byPort.first();
        if (plan.failure) {
            report::failure(options.file, *plan.failure);
            return 1;
        }
        if (!resolveTargets(options, &targets))
            return 1;
    } else {
        for (auto it = plans.byPort.cbegin(); it != plans.byPort.cend(); ++it) {
            if (it->failure)
                refused << refusedPlan(it.key(), *it->failure);
            else
                targets.append({it.key(), std::nullopt});
        }
    }
    const auto frameFor = [&plans](const QString& port) {
        return plans.byPort.contains(port) ? plans.byPort.value(port).frame
                                           : plans.byPort.value(QString()).frame;
    };

    if (!options.backupDir.isEmpty() && !QDir().mkpath(options.backupDir)) {
        report::failure(options.backupDir,
                        {QStringLiteral("backup-failed"),
                         QStringLiteral("A mentések könyvtára nem hozható létre, a modulokba "
                                        "nem került semmi.")});
        return 1;
    }

    Job job;
    if (options.command == Command::Write) {
        job = [&](Context& context) {
            WriteJob write;
            write.frame = frameFor(context.port);
            write.defaults = plans.defaults;
            write.backupDir = options.backupDir;
            write.verify = options.verify;
            return writeTask(context, write);
        };
    } else {
        job = [&](Context& context) { return diffTask(context, frameFor(context.port)); };
    }
    QList<Result> results = runFleet(targets, options.baud, job, showProgress(options));
    return finish(results + refused);
}

// --- read --------------------------------------------------------------------------------

// Where a port's read-out goes: a pattern with "{port}", a directory (given with a trailing
// "/" or existing), or for a single port a plain file.
QString outputFor(const QString& output, const QString& port)
{
    if (output.contains(QLatin1String("{port}"))) {
        QString path = output;
        return path.replace(QLatin1String("{port}"), port);
    }
    return QDir(output).filePath(port + QStringLiteral(".vgf"));
}

bool isDirectoryOutput(const QString& output)
{
    return output.endsWith(u'/') || QFileInfo(output).isDir();
}

int read(const Options& options)
{
    const Defaults defaults = loadDefaults(options.base);
    if (defaults.failure) {
        report::failure(options.base, *defaults.failure);
        return 1;
    }
    QList<Target> targets;
    if (!resolveTargets(options, &targets))
        return 1;
    const bool pattern = options.output.contains(QLatin1String("{port}"));
    const bool directory = !pattern && isDirectoryOutput(options.output);
    if (!pattern && !directory && targets.size() > 1) {
        report::usage(QStringLiteral("több porthoz könyvtár (-o KÖNYVTÁR/) vagy {port} minta "
                                     "kell, nem egy fájl: %1")
                          .arg(options.output));
        return kUsage;
    }
    if (directory && !QDir().mkpath(options.output)) {
        report::failure(options.output, {QStringLiteral("save-failed"),
                                         QStringLiteral("A könyvtár nem hozható létre.")});
        return 1;
    }
    const Job job = [&](Context& context) {
        const QString path =
            pattern || directory ? outputFor(options.output, context.port) : options.output;
        return readTask(context, defaults.lines, path);
    };
    return finish(runFleet(targets, options.baud, job, showProgress(options)));
}

// --- status ------------------------------------------------------------------------------

int status(const Options& options)
{
    QList<Target> targets;
    if (!resolveTargets(options, &targets))
        return 1;
    if (options.watchSeconds == 0)
        return finish(runFleet(
            targets, options.baud, [](Context& context) { return statusTask(context); },
            showProgress(options)));

    // One line per query as it comes; an interrupt is the way a watch ends.
    const int periodMs = options.watchSeconds * 1000;
    const Job watch = [periodMs](Context& context) {
        bool identified = context.identification.has_value();
        for (;;) {
            Result result = statusTask(context, identified);
            identified = identified || (result.error != QLatin1String("no-device") &&
                                        result.error != QLatin1String("open-failed"));
            result.port = context.port;
            const QString time = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
            result.details.insert(QStringLiteral("time"), time);
            result.message = time + u' ' + result.message;
            report::result(result);
            if (!interrupt::sleep(periodMs))
                return result;
        }
    };
    const QList<Result> last = runFleet(targets, options.baud, watch, false);
    for (const Result& result : last) {
        if (!result.ok)
            return 1;
    }
    return 0;
}

} // namespace

int run(const Options& options)
{
    report::setJson(options.json);
    switch (options.command) {
    case Command::Ports:
        return listPorts();
    case Command::Check:
        return check(options);
    case Command::Write:
    case Command::Diff:
        return sendOrCompare(options);
    case Command::Read:
        return read(options);
    case Command::Status:
        return status(options);
    case Command::Identify: {
        QList<Target> targets;
        if (!resolveTargets(options, &targets))
            return 1;
        return finish(runFleet(
            targets, options.baud, [](Context& context) { return identifyTask(context); },
            showProgress(options)));
    }
    }
    return kUsage;
}

} // namespace cli
