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

#include "bench/fleetbench.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>

using fleetbench::Sample;

namespace {

void add(Sample& total, const Sample& one, int runs)
{
    total.wallS += one.wallS / runs;
    total.cpuS += one.cpuS / runs;
    total.maxRssMiB = std::max(total.maxRssMiB, one.maxRssMiB);
}

void printFigures(const Sample& one, const Sample& fleet, int count, int runs)
{
    const double ratio = fleet.wallS / one.wallS;
    const double cpuShare = 100.0 * fleet.cpuS / fleet.wallS / count;
    const double cpuShareOne = 100.0 * one.cpuS / one.wallS;
    const double memoryPerModule = (fleet.maxRssMiB - one.maxRssMiB) / (count - 1);
    std::printf("\nwrite --verify, paced modules, %d run(s)\n", runs);
    std::printf("  time, %d modules / 1 module:      %.3f   (goal <= 1.15)\n", count, ratio);
    std::printf("  CPU / wall per module:            %.2f %%  (1 module: %.2f %%; goal <= 2 %%)\n",
                cpuShare, cpuShareOne);
    std::printf("  peak memory growth per module:    %.2f MiB (goal < 2 MiB)\n", memoryPerModule);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    int count = 8;
    int runs = 1;
    if (!fleetbench::parseArguments("bench_fleet", app.arguments().mid(1), 2, count, runs))
        return 2;
    fleetbench::Fleet modules;
    if (!modules.start("bench_fleet", count))
        return 1;
    // A record of its own: the simulated modules stay out of the user's history.
    qputenv("VEXAGRID_RECORD", QFile::encodeName(modules.directory.filePath("record.sqlite")));
    const QStringList& ports = modules.ports;

    const QString program = app.applicationDirPath() + QStringLiteral("/vexagrid-cli");
    const auto write = [&](const QStringList& targets) {
        return fleetbench::runChild(program,
                                    {"write", "--verify", "--quiet", "--base", modules.defaults,
                                     "--port", targets.join(u','), modules.file});
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
        add(one, single, runs);
        add(fleet, all, runs);
    }
    printFigures(one, fleet, count, runs);
    return 0;
}
