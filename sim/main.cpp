// vexagrid-sim: simulated VexaGrid-3 modules on virtual COM ports, for people.
//
//   vexagrid-sim [--port COM3 ...] [--count N] [--dosdevices DIR]
//                [--state FILE | --state-dir DIR] [--pace] [--fault NAME]
//                [--fault-on COMn=NAME ...] [--alter-field N] ...
//
// Each module registers itself as "comN" in DIR and keeps a state of its own. The program
// prints one line per module with its COM name, then the line VEXAGRID_DOSDEVICES=DIR to
// start the program with, logs each request on stderr and serves until Ctrl+C or SIGTERM,
// then removes every entry.

#include "sim/simmodule.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QLoggingCategory>
#include <QSet>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

#include <pthread.h>

namespace {

// More modules than this from one process is a typing mistake rather than a test bench.
constexpr int kMaxModules = 30;

int fail(const QString& message)
{
    std::fprintf(stderr, "vexagrid-sim: %s\n", qPrintable(message));
    return 2;
}

QString faultList()
{
    return SimModule::faultNames().join(QStringLiteral(", "));
}

} // namespace

int main(int argc, char* argv[])
{
    // The serving threads inherit this mask, so the stopSignals reach sigwait() below only.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vexagrid-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulated VexaGrid-3 modules on virtual COM ports.\n"
                       "Faults: %1")
            .arg(faultList()));
    parser.addHelpOption();
    const QCommandLineOption portOption(
        QStringLiteral("port"),
        QStringLiteral("COM name to serve as (default COM3); repeat it for several modules, "
                       "or give the first of a --count row."),
        QStringLiteral("COMn"));
    const QCommandLineOption countOption(
        QStringLiteral("count"),
        QStringLiteral("Serve N modules (at most %1) on consecutive COM names from --port "
                       "(default COM3) upward.")
            .arg(kMaxModules),
        QStringLiteral("N"));
    const QCommandLineOption dirOption(
        QStringLiteral("dosdevices"),
        QStringLiteral("Device directory to register in (default: $VEXAGRID_DOSDEVICES, "
                       "otherwise a new temporary directory)."),
        QStringLiteral("DIR"));
    const QCommandLineOption stateOption(
        QStringLiteral("state"),
        QStringLiteral("Keep the module's configuration in FILE (one module only)."),
        QStringLiteral("FILE"));
    const QCommandLineOption stateDirOption(
        QStringLiteral("state-dir"),
        QStringLiteral("Keep each module's configuration in DIR/comN.state."),
        QStringLiteral("DIR"));
    const QCommandLineOption paceOption(QStringLiteral("pace"),
                                        QStringLiteral("Send at the line's speed (120 bytes/s "
                                                       "at 1200 baud)."));
    const QCommandLineOption faultOption(QStringLiteral("fault"),
                                         QStringLiteral("Every module misbehaves on purpose."),
                                         QStringLiteral("NAME"), QStringLiteral("none"));
    const QCommandLineOption faultOnOption(
        QStringLiteral("fault-on"),
        QStringLiteral("The module on COMn misbehaves this way instead (repeatable)."),
        QStringLiteral("COMn=NAME"));
    const QCommandLineOption alterOption(
        QStringLiteral("alter-field"),
        QStringLiteral("Field (1-%1, as in the read-out) that the store-altered fault "
                       "stores changed (default 4, the module name).")
            .arg(SimModule::kFieldCount),
        QStringLiteral("N"));
    const QCommandLineOption delayOption(QStringLiteral("delay"),
                                         QStringLiteral("Wait MS before every reply."),
                                         QStringLiteral("MS"), QStringLiteral("0"));
    const QCommandLineOption idOption(QStringLiteral("id"),
                                      QStringLiteral("Identification text (default "
                                                     "\"V_VEXAGRID-3 FW2.14\")."),
                                      QStringLiteral("TEXT"));
    const QCommandLineOption pipeOption(QStringLiteral("pipe"),
                                        QStringLiteral("Read-out fields separated by \"|\" "
                                                       "instead of CR LF."));
    const QCommandLineOption sampleOption(
        QStringLiteral("sample"),
        QStringLiteral("Start with a sample configuration instead of erased memory."));
    parser.addOptions({portOption, countOption, dirOption, stateOption, stateDirOption, paceOption,
                       faultOption, faultOnOption, alterOption, delayOption, idOption, pipeOption,
                       sampleOption});
    parser.process(app);

    const auto fault = SimModule::faultFromName(parser.value(faultOption));
    if (!fault) {
        return fail(QStringLiteral("unknown fault \"%1\"; one of: %2")
                        .arg(parser.value(faultOption), faultList()));
    }
    bool delayOk = false;
    const int delay = parser.value(delayOption).toInt(&delayOk);
    if (!delayOk || delay < 0) {
        return fail(QStringLiteral("--delay wants milliseconds"));
    }
    int alteredField = 0;
    if (parser.isSet(alterOption)) {
        bool ok = false;
        alteredField = parser.value(alterOption).toInt(&ok);
        if (!ok || alteredField < 1 || alteredField > SimModule::kFieldCount) {
            return fail(QStringLiteral("--alter-field wants a field number 1 ... %1")
                            .arg(SimModule::kFieldCount));
        }
    }

    // The COM numbers to serve, in the order given.
    QStringList ports = parser.values(portOption);
    if (ports.isEmpty()) {
        ports.append(QStringLiteral("COM3"));
    }
    QList<int> numbers;
    for (const QString& port : ports) {
        const int n = SimModule::comNumber(port);
        if (n == 0) {
            return fail(QStringLiteral("not a COM name: %1").arg(port));
        }
        numbers.append(n);
    }
    if (parser.isSet(countOption)) {
        bool ok = false;
        const int count = parser.value(countOption).toInt(&ok);
        if (!ok || count < 1 || count > kMaxModules) {
            return fail(QStringLiteral("--count wants 1 ... %1 modules").arg(kMaxModules));
        }
        if (numbers.size() > 1) {
            return fail(QStringLiteral("--count takes one --port, the first COM name of the row"));
        }
        for (int i = 1; i < count; ++i) {
            numbers.append(numbers.first() + i);
        }
    }
    if (numbers.size() > kMaxModules) {
        return fail(QStringLiteral("at most %1 modules").arg(kMaxModules));
    }
    QSet<int> served;
    for (const int n : numbers) {
        if (served.contains(n)) {
            return fail(QStringLiteral("COM%1 is named twice").arg(n));
        }
        served.insert(n);
    }

    std::map<int, SimModule::Fault> ownFaults;
    for (const QString& assignment : parser.values(faultOnOption)) {
        const qsizetype equals = assignment.indexOf(QLatin1Char('='));
        const int n = equals > 0 ? SimModule::comNumber(assignment.left(equals)) : 0;
        if (n == 0) {
            return fail(QStringLiteral("--fault-on wants COMn=NAME, not \"%1\"").arg(assignment));
        }
        if (!served.contains(n)) {
            return fail(QStringLiteral("--fault-on %1: no module on COM%2").arg(assignment).arg(n));
        }
        if (ownFaults.count(n) != 0) {
            return fail(QStringLiteral("--fault-on names COM%1 twice").arg(n));
        }
        const QString name = assignment.mid(equals + 1);
        const auto own = SimModule::faultFromName(name);
        if (!own) {
            return fail(QStringLiteral("unknown fault \"%1\"; one of: %2").arg(name, faultList()));
        }
        ownFaults[n] = *own;
    }

    if (parser.isSet(stateOption) && parser.isSet(stateDirOption)) {
        return fail(QStringLiteral("--state and --state-dir exclude each other"));
    }
    if (parser.isSet(stateOption) && numbers.size() > 1) {
        return fail(QStringLiteral("--state keeps one module; with %1 modules use --state-dir DIR")
                        .arg(numbers.size()));
    }
    const QString stateDirectory = parser.value(stateDirOption);
    if (!stateDirectory.isEmpty() && !QDir().mkpath(stateDirectory)) {
        return fail(QStringLiteral("cannot make %1").arg(stateDirectory));
    }

    // Never the user's own map: a directory of its own unless one is named.
    std::unique_ptr<QTemporaryDir> ownDirectory;
    QString directory = parser.value(dirOption);
    if (directory.isEmpty()) {
        directory = qEnvironmentVariable("VEXAGRID_DOSDEVICES");
    }
    if (directory.isEmpty()) {
        ownDirectory = std::make_unique<QTemporaryDir>(QDir::tempPath() +
                                                       QStringLiteral("/vexagrid-sim-XXXXXX"));
        if (!ownDirectory->isValid()) {
            return fail(QStringLiteral("cannot make a temporary directory"));
        }
        directory = ownDirectory->path();
    }

    QLoggingCategory::setFilterRules(QStringLiteral("vexagrid.sim.info=true"));
    qSetMessagePattern(QStringLiteral("%{time hh:mm:ss.zzz} %{message}"));

    // Declared after ownDirectory, so every module is stopped and its entry removed before
    // the directory goes, also when a later one fails to start.
    std::vector<std::unique_ptr<SimModule>> modules;
    for (const int n : numbers) {
        auto module = std::make_unique<SimModule>();
        if (parser.isSet(sampleOption)) {
            module->setFields(SimModule::sampleFields());
        }
        if (parser.isSet(idOption)) {
            module->setIdentification(parser.value(idOption));
        }
        if (parser.isSet(pipeOption)) {
            module->setReadOutFormat(SimModule::ReadOutFormat::Pipe);
        }
        QString stateFile = parser.value(stateOption);
        if (!stateDirectory.isEmpty()) {
            stateFile = stateDirectory + QStringLiteral("/com%1.state").arg(n);
        }
        QString error;
        if (!stateFile.isEmpty() && !module->setStateFile(stateFile, &error)) {
            return fail(QStringLiteral("state file %1: %2").arg(stateFile, error));
        }
        const auto own = ownFaults.find(n);
        module->setFault(own != ownFaults.end() ? own->second : *fault);
        module->setPaced(parser.isSet(paceOption));
        module->setReplyDelay(delay);
        if (alteredField > 0) {
            module->setAlteredField(alteredField);
        }
        if (!module->start(QStringLiteral("COM%1").arg(n), directory, &error)) {
            return fail(error);
        }
        modules.push_back(std::move(module));
    }
    for (const auto& module : modules) {
        std::printf("%s\n", qPrintable(module->comName()));
    }
    std::printf("VEXAGRID_DOSDEVICES=%s\n",
                qPrintable(QDir::toNativeSeparators(modules.front()->deviceDirectory())));
    std::fflush(stdout);

    int received = 0;
    sigwait(&stopSignals, &received);
    for (const auto& module : modules) {
        module->stop();
    }
    return 0;
}
