// vexagrid-cli writing to a fleet of modules at once, against the same for one module.
//
//   bench_fleet [N] [--runs R]
//
// Starts N simulated modules paced at the line's real speed (120 bytes/s at 1200 baud) and
// runs `vexagrid-cli write --verify` on one of them, then on all N at once, R times each.
// Each module's work is mostly waiting for the line (the verify's read-out alone is about
// 8 s), so running the modules side by side should cost hardly more than one. Prints the
// time ratio, the program's CPU time as a share of wall time per module, and its peak
// memory growth per module, read from the child's own resource usage.

#include "core/configcodec.h"
#include "core/configuration.h"
#include "sim/simmodule.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Sample
{
    double wallS = 0;
    double cpuS = 0;
    double maxRssMiB = 0;
    int exitCode = -1;
};

double seconds(const timeval& time)
{
    return double(time.tv_sec) + double(time.tv_usec) / 1e6;
}

// Runs the program with stdout and stderr on /dev/null; its own rusage, not ours.
Sample runChild(const QString& program, const QStringList& arguments)
{
    std::vector<QByteArray> storage;
    storage.push_back(QFile::encodeName(program));
    for (const QString& argument : arguments)
        storage.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& item : storage)
        argv.push_back(item.data());
    argv.push_back(nullptr);

    Sample sample;
    QElapsedTimer timer;
    timer.start();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage = {};
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid)
        return sample;
    sample.wallS = double(timer.nsecsElapsed()) / 1e9;
    sample.cpuS = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    sample.maxRssMiB = double(usage.ru_maxrss) / 1024.0; // KiB on Linux
    sample.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return sample;
}

QStringList sampleFields()
{
    QStringList fields = SimModule::sampleFields();
    fields[10] = QStringLiteral("0"); // the range a file can hold (the analog page is disabled)
    return fields;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    int runs = 1;
    const qsizetype at = args.indexOf(QStringLiteral("--runs"));
    if (at >= 0 && at + 1 < args.size()) {
        runs = args.at(at + 1).toInt();
        args.remove(at, 2);
    }
    const int count = args.isEmpty() ? 8 : args.first().toInt();
    if (count < 2 || count > 30 || runs < 1) {
        std::fprintf(stderr, "bench_fleet: N in 2..30, --runs at least 1\n");
        return 2;
    }

    QTemporaryDir directory;
    if (!directory.isValid())
        return 1;
    qputenv("VEXAGRID_DOSDEVICES", QFile::encodeName(directory.path() + "/dosdevices"));
    std::vector<std::unique_ptr<SimModule>> modules;
    QStringList ports;
    for (int i = 0; i < count; ++i) {
        auto module = std::make_unique<SimModule>();
        const QString port = QStringLiteral("COM%1").arg(3 + i);
        QString error;
        if (!module->start(port, directory.path() + "/dosdevices", &error)) {
            std::fprintf(stderr, "bench_fleet: %s: %s\n", qPrintable(port), qPrintable(error));
            return 1;
        }
        module->setPaced(true);
        modules.push_back(std::move(module));
        ports << port;
    }

    const QString defaults = QStringLiteral(VEXAGRID_DEFAULTS_FILE);
    Configuration config = Configuration::connected();
    static_cast<void>(config.load(configfile::readFile(defaults).valueOr({})));
    config.fillFromReadOut(sampleFields());
    const QString file = directory.filePath(QStringLiteral("fleet.vgf"));
    if (!configfile::writeFile(file, config.lines()))
        return 1;

    const QString program = app.applicationDirPath() + QStringLiteral("/vexagrid-cli");
    const auto write = [&](const QStringList& targets) {
        return runChild(program, {"write", "--verify", "--quiet", "--base", defaults, "--port",
                                  targets.join(u','), file});
    };

    Sample one;
    Sample fleet;
    for (int run = 0; run < runs; ++run) {
        const Sample single = write({ports.first()});
        const Sample all = write(ports);
        if (single.exitCode != 0 || all.exitCode != 0) {
            std::fprintf(stderr, "bench_fleet: vexagrid-cli failed (%d, %d)\n", single.exitCode,
                         all.exitCode);
            return 1;
        }
        std::printf("run %d: 1 module %.2f s (cpu %.3f s, %.1f MiB), %d modules %.2f s "
                    "(cpu %.3f s, %.1f MiB)\n",
                    run + 1, single.wallS, single.cpuS, single.maxRssMiB, count, all.wallS,
                    all.cpuS, all.maxRssMiB);
        one.wallS += single.wallS / runs;
        one.cpuS += single.cpuS / runs;
        one.maxRssMiB = std::max(one.maxRssMiB, single.maxRssMiB);
        fleet.wallS += all.wallS / runs;
        fleet.cpuS += all.cpuS / runs;
        fleet.maxRssMiB = std::max(fleet.maxRssMiB, all.maxRssMiB);
    }

    const double ratio = fleet.wallS / one.wallS;
    const double cpuShare = 100.0 * fleet.cpuS / fleet.wallS / count;
    const double cpuShareOne = 100.0 * one.cpuS / one.wallS;
    const double memoryPerModule = (fleet.maxRssMiB - one.maxRssMiB) / (count - 1);
    std::printf("\nwrite --verify, paced modules, %d run(s)\n", runs);
    std::printf("  time, %d modules / 1 module:      %.3f   (goal <= 1.15)\n", count, ratio);
    std::printf("  CPU / wall per module:            %.2f %%  (1 module: %.2f %%; goal <= 2 %%)\n",
                cpuShare, cpuShareOne);
    std::printf("  peak memory growth per module:    %.2f MiB (goal < 2 MiB)\n", memoryPerModule);
    return 0;
}
