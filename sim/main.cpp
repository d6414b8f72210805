// vexagrid-sim: the simulated VexaGrid-3 module on a virtual COM port, for people.
//
//   vexagrid-sim --port COM3 [--dosdevices DIR] [--state FILE] [--pace] [--fault NAME]
//
// It registers itself as "comN" in DIR, prints the COM name and the line
// VEXAGRID_DOSDEVICES=DIR to start the program with, logs each request on stderr and
// serves until Ctrl+C or SIGTERM, then removes its entry.

#include "sim/simmodule.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <memory>

#include <pthread.h>

namespace {

int fail(const QString& message)
{
    std::fprintf(stderr, "vexagrid-sim: %s\n", qPrintable(message));
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    // The serving thread inherits this mask, so the stopSignals reach sigwait() below only.
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
        QStringLiteral("Simulated VexaGrid-3 module on a virtual COM port.\n"
                       "Faults: %1")
            .arg(SimModule::faultNames().join(QStringLiteral(", "))));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("COM name to serve as (default COM3)."),
                                        QStringLiteral("COMn"), QStringLiteral("COM3"));
    const QCommandLineOption dirOption(
        QStringLiteral("dosdevices"),
        QStringLiteral("Device directory to register in (default: $VEXAGRID_DOSDEVICES, "
                       "otherwise a new temporary directory)."),
        QStringLiteral("DIR"));
    const QCommandLineOption stateOption(QStringLiteral("state"),
                                         QStringLiteral("Keep the module's configuration in FILE."),
                                         QStringLiteral("FILE"));
    const QCommandLineOption paceOption(QStringLiteral("pace"),
                                        QStringLiteral("Send at the line's speed (120 bytes/s "
                                                       "at 1200 baud)."));
    const QCommandLineOption faultOption(QStringLiteral("fault"),
                                         QStringLiteral("Misbehave on purpose."),
                                         QStringLiteral("NAME"), QStringLiteral("none"));
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
    parser.addOptions({portOption, dirOption, stateOption, paceOption, faultOption, delayOption,
                       idOption, pipeOption, sampleOption});
    parser.process(app);

    const auto fault = SimModule::faultFromName(parser.value(faultOption));
    if (!fault) {
        return fail(QStringLiteral("unknown fault \"%1\"; one of: %2")
                        .arg(parser.value(faultOption),
                             SimModule::faultNames().join(QStringLiteral(", "))));
    }
    bool delayOk = false;
    const int delay = parser.value(delayOption).toInt(&delayOk);
    if (!delayOk || delay < 0) {
        return fail(QStringLiteral("--delay wants milliseconds"));
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

    SimModule module;
    if (parser.isSet(sampleOption)) {
        module.setFields(SimModule::sampleFields());
    }
    if (parser.isSet(idOption)) {
        module.setIdentification(parser.value(idOption));
    }
    if (parser.isSet(pipeOption)) {
        module.setReadOutFormat(SimModule::ReadOutFormat::Pipe);
    }
    QString error;
    if (parser.isSet(stateOption) && !module.setStateFile(parser.value(stateOption), &error)) {
        return fail(QStringLiteral("state file %1: %2").arg(parser.value(stateOption), error));
    }
    module.setFault(*fault);
    module.setPaced(parser.isSet(paceOption));
    module.setReplyDelay(delay);

    if (!module.start(parser.value(portOption), directory, &error)) {
        return fail(error);
    }
    std::printf("%s\nVEXAGRID_DOSDEVICES=%s\n", qPrintable(module.comName()),
                qPrintable(QDir::toNativeSeparators(module.deviceDirectory())));
    std::fflush(stdout);

    int received = 0;
    sigwait(&stopSignals, &received);
    module.stop();
    return 0;
}
