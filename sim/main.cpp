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

// The options, in the order --help lists them. A description's %1 is the entry's number.
const struct OptionEntry
{
    const char* name;
    const char* valueName; // nullptr for a switch
    const char* defaultValue;
    const char* description;
    int number;
} OptionTable[] = {
    {"port", "COMn", "",
     "COM name to serve as (default COM3); repeat it for several modules, or give the first "
     "of a --count row.",
     0},
    {"count", "N", "",
     "Serve N modules (at most %1) on consecutive COM names from --port (default COM3) "
     "upward.",
     kMaxModules},
    {"dosdevices", "DIR", "",
     "Device directory to register in (default: $VEXAGRID_DOSDEVICES, otherwise a new "
     "temporary directory).",
     0},
    {"state", "FILE", "", "Keep the module's configuration in FILE (one module only).", 0},
    {"state-dir", "DIR", "", "Keep each module's configuration in DIR/comN.state.", 0},
    {"pace", nullptr, "", "Send at the line's speed (120 bytes/s at 1200 baud).", 0},
    {"fault", "NAME", "none", "Every module misbehaves on purpose.", 0},
    {"fault-on", "COMn=NAME", "", "The module on COMn misbehaves this way instead (repeatable).",
     0},
    {"alter-field", "N", "",
     "Field (1-%1, as in the read-out) that the store-altered fault stores changed (default "
     "4, the module name).",
     SimModule::kFieldCount},
    {"delay", "MS", "0", "Wait MS before every reply.", 0},
    {"id", "TEXT", "", "Identification text (default \"V_VEXAGRID-3 FW2.14\").", 0},
    {"pipe", nullptr, "", "Read-out fields separated by \"|\" instead of CR LF.", 0},
    {"sample", nullptr, "", "Start with a sample configuration instead of erased memory.", 0},
};

// What vexagrid-sim is asked to do, checked before any module starts.
struct Plan
{
    SimModule::Fault fault = SimModule::Fault::None;
    int delay = 0;
    int alteredField = 0;                        // 0: the module's own default
    QList<int> numbers;                          // the COM numbers to serve, in the order given
    std::map<int, SimModule::Fault> ownFaults;   // by --fault-on
    QString stateDirectory;                      // by --state-dir
    QString directory;                           // where the entries go
    std::unique_ptr<QTemporaryDir> ownDirectory; // when none was named
};

int fail(const QString& message)
{
    std::fprintf(stderr, "vexagrid-sim: %s\n", qPrintable(message));
    return 2;
}

bool refused(QString* problem, const QString& why)
{
    *problem = why;
    return false;
}

QString faultList()
{
    return SimModule::faultNames().join(QStringLiteral(", "));
}

QString value(const QCommandLineParser& parser, const char* option)
{
    return parser.value(QString::fromLatin1(option));
}

bool isSet(const QCommandLineParser& parser, const char* option)
{
    return parser.isSet(QString::fromLatin1(option));
}

void describe(QCommandLineParser& parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Simulated VexaGrid-3 modules on virtual COM ports.\n"
                       "Faults: %1")
            .arg(faultList()));
    parser.addHelpOption();
    for (const OptionEntry& entry : OptionTable) {
        QString description = QString::fromUtf8(entry.description);
        if (entry.number != 0) {
            description = description.arg(entry.number);
        }
        parser.addOption(
            QCommandLineOption(QString::fromLatin1(entry.name), description,
                               entry.valueName ? QString::fromLatin1(entry.valueName) : QString(),
                               QString::fromLatin1(entry.defaultValue)));
    }
}

// --fault, --delay and --alter-field.
bool readBehaviour(const QCommandLineParser& parser, Plan& plan, QString* problem)
{
    const auto fault = SimModule::faultFromName(value(parser, "fault"));
    if (!fault) {
        return refused(problem, QStringLiteral("unknown fault \"%1\"; one of: %2")
                                    .arg(value(parser, "fault"), faultList()));
    }
    plan.fault = *fault;
    bool ok = false;
    plan.delay = value(parser, "delay").toInt(&ok);
    if (!ok || plan.delay < 0) {
        return refused(problem, QStringLiteral("--delay wants milliseconds"));
    }
    if (isSet(parser, "alter-field")) {
        plan.alteredField = value(parser, "alter-field").toInt(&ok);
        if (!ok || plan.alteredField < 1 || plan.alteredField > SimModule::kFieldCount) {
            return refused(problem, QStringLiteral("--alter-field wants a field number 1 ... %1")
                                        .arg(SimModule::kFieldCount));
        }
    }
    return true;
}

// The COM numbers to serve: every --port in the order given, or a --count row from one.
bool readPorts(const QCommandLineParser& parser, Plan& plan, QString* problem)
{
    QStringList ports = parser.values(QStringLiteral("port"));
    if (ports.isEmpty()) {
        ports.append(QStringLiteral("COM3"));
    }
    for (const QString& port : ports) {
        const int n = SimModule::comNumber(port);
        if (n == 0) {
            return refused(problem, QStringLiteral("not a COM name: %1").arg(port));
        }
        plan.numbers.append(n);
    }
    if (isSet(parser, "count")) {
        bool ok = false;
        const int count = value(parser, "count").toInt(&ok);
        if (!ok || count < 1 || count > kMaxModules) {
            return refused(problem,
                           QStringLiteral("--count wants 1 ... %1 modules").arg(kMaxModules));
        }
        if (plan.numbers.size() > 1) {
            return refused(
                problem, QStringLiteral("--count takes one --port, the first COM name of the row"));
        }
        for (int i = 1; i < count; ++i) {
            plan.numbers.append(plan.numbers.first() + i);
        }
    }
    if (plan.numbers.size() > kMaxModules) {
        return refused(problem, QStringLiteral("at most %1 modules").arg(kMaxModules));
    }
    QSet<int> served;
    for (const int n : plan.numbers) {
        if (served.contains(n)) {
            return refused(problem, QStringLiteral("COM%1 is named twice").arg(n));
        }
        served.insert(n);
    }
    return true;
}

// --fault-on COMn=NAME, for modules that are served.
bool readOwnFaults(const QCommandLineParser& parser, Plan& plan, QString* problem)
{
    for (const QString& assignment : parser.values(QStringLiteral("fault-on"))) {
        const qsizetype equals = assignment.indexOf(QLatin1Char('='));
        const int n = equals > 0 ? SimModule::comNumber(assignment.left(equals)) : 0;
        if (n == 0) {
            return refused(
                problem, QStringLiteral("--fault-on wants COMn=NAME, not \"%1\"").arg(assignment));
        }
        if (!plan.numbers.contains(n)) {
            return refused(
                problem,
                QStringLiteral("--fault-on %1: no module on COM%2").arg(assignment).arg(n));
        }
        if (plan.ownFaults.count(n) != 0) {
            return refused(problem, QStringLiteral("--fault-on names COM%1 twice").arg(n));
        }
        const QString name = assignment.mid(equals + 1);
        const auto own = SimModule::faultFromName(name);
        if (!own) {
            return refused(
                problem, QStringLiteral("unknown fault \"%1\"; one of: %2").arg(name, faultList()));
        }
        plan.ownFaults[n] = *own;
    }
    return true;
}

// --state for one module or --state-dir for any number.
bool readState(const QCommandLineParser& parser, Plan& plan, QString* problem)
{
    if (isSet(parser, "state") && isSet(parser, "state-dir")) {
        return refused(problem, QStringLiteral("--state and --state-dir exclude each other"));
    }
    if (isSet(parser, "state") && plan.numbers.size() > 1) {
        return refused(problem,
                       QStringLiteral("--state keeps one module; with %1 modules use --state-dir "
                                      "DIR")
                           .arg(plan.numbers.size()));
    }
    plan.stateDirectory = value(parser, "state-dir");
    if (!plan.stateDirectory.isEmpty() && !QDir().mkpath(plan.stateDirectory)) {
        return refused(problem, QStringLiteral("cannot make %1").arg(plan.stateDirectory));
    }
    return true;
}

// Never the user's own map: a directory of its own unless one is named.
bool chooseDirectory(const QCommandLineParser& parser, Plan& plan, QString* problem)
{
    plan.directory = value(parser, "dosdevices");
    if (plan.directory.isEmpty()) {
        plan.directory = qEnvironmentVariable("VEXAGRID_DOSDEVICES");
    }
    if (plan.directory.isEmpty()) {
        plan.ownDirectory = std::make_unique<QTemporaryDir>(QDir::tempPath() +
                                                            QStringLiteral("/vexagrid-sim-XXXXXX"));
        if (!plan.ownDirectory->isValid()) {
            return refused(problem, QStringLiteral("cannot make a temporary directory"));
        }
        plan.directory = plan.ownDirectory->path();
    }
    return true;
}

// The module on COMn as the command line sets it up, before it starts.
bool setUp(SimModule& module, int n, const QCommandLineParser& parser, const Plan& plan,
           QString* problem)
{
    if (isSet(parser, "sample")) {
        module.setFields(SimModule::sampleFields());
    }
    if (isSet(parser, "id")) {
        module.setIdentification(value(parser, "id"));
    }
    if (isSet(parser, "pipe")) {
        module.setReadOutFormat(SimModule::ReadOutFormat::Pipe);
    }
    QString stateFile = value(parser, "state");
    if (!plan.stateDirectory.isEmpty()) {
        stateFile = plan.stateDirectory + QStringLiteral("/com%1.state").arg(n);
    }
    QString error;
    if (!stateFile.isEmpty() && !module.setStateFile(stateFile, &error)) {
        return refused(problem, QStringLiteral("state file %1: %2").arg(stateFile, error));
    }
    const auto own = plan.ownFaults.find(n);
    module.setFault(own != plan.ownFaults.end() ? own->second : plan.fault);
    module.setPaced(isSet(parser, "pace"));
    module.setReplyDelay(plan.delay);
    if (plan.alteredField > 0) {
        module.setAlteredField(plan.alteredField);
    }
    return true;
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
    describe(parser);
    parser.process(app);

    Plan plan;
    QString problem;
    if (!readBehaviour(parser, plan, &problem) || !readPorts(parser, plan, &problem) ||
        !readOwnFaults(parser, plan, &problem) || !readState(parser, plan, &problem) ||
        !chooseDirectory(parser, plan, &problem)) {
        return fail(problem);
    }
    QLoggingCategory::setFilterRules(QStringLiteral("vexagrid.sim.info=true"));
    qSetMessagePattern(QStringLiteral("%{time hh:mm:ss.zzz} %{message}"));

    // Declared after the plan and its own directory, so every module is stopped and its
    // entry removed before the directory goes, also when a later one fails to start.
    std::vector<std::unique_ptr<SimModule>> modules;
    for (const int n : plan.numbers) {
        auto module = std::make_unique<SimModule>();
        if (!setUp(*module, n, parser, plan, &problem) ||
            !module->start(QStringLiteral("COM%1").arg(n), plan.directory, &problem)) {
            return fail(problem);
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
