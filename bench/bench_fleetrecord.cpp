// What the record costs a fleet write: `vexagrid-cli write --verify` of one file to N paced
// modules with the record on, against the same with it off.
//
//   bench_fleetrecord [N] [--runs R]
//
// Starts N simulated modules (30) paced at the line's real speed and writes the sample into
// all of them at once, R times (5) with the record and R times without, in turns (on, off,
// then off, on) so that a change in the machine's load falls on both alike. The record is
// one file in a temporary folder that grows from run to run, as a user's does. Every module
// stores four events per run (identification, the write started and finished, the verify),
// each committed to the disk before the next step. Prints each run, the mean and spread of
// both, their ratio (goal <= 1.02) and the machine's load before and after.

#include "bench/fleetbench.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <cstdio>

using fleetbench::Sample;

namespace {

struct Figures
{
    double mean = 0;
    double deviation = 0; // the sample's standard deviation
    double low = 0;
    double high = 0;
};

Figures figuresOf(const std::vector<double>& values)
{
    Figures figures;
    if (values.empty())
        return figures;
    for (const double value : values)
        figures.mean += value / double(values.size());
    double squares = 0;
    for (const double value : values)
        squares += (value - figures.mean) * (value - figures.mean);
    if (values.size() > 1)
        figures.deviation = std::sqrt(squares / double(values.size() - 1));
    figures.low = *std::min_element(values.begin(), values.end());
    figures.high = *std::max_element(values.begin(), values.end());
    return figures;
}

void printFigures(const char* what, const Figures& figures)
{
    std::printf("  %-14s mean %.3f s, sd %.3f s, %.3f .. %.3f s\n", what, figures.mean,
                figures.deviation, figures.low, figures.high);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    int count = 30;
    int runs = 5;
    if (!fleetbench::parseArguments("bench_fleetrecord", app.arguments().mid(1), 1, count, runs))
        return 2;
    fleetbench::Fleet modules;
    if (!modules.start("bench_fleetrecord", count))
        return 1;

    const QString program = app.applicationDirPath() + QStringLiteral("/vexagrid-cli");
    const QString recordFile = modules.directory.filePath(QStringLiteral("record.sqlite"));
    const auto write = [&](bool recorded) {
        QStringList arguments{"write", "--verify", "--quiet", "--base", modules.defaults};
        arguments << "--port" << modules.ports.join(u',') << modules.file;
        arguments << (recorded ? QStringList{"--record", recordFile} : QStringList{"--no-record"});
        return fleetbench::runChild(program, arguments);
    };
    const QString loadBefore = fleetbench::loadAverage();
    std::vector<double> on;
    std::vector<double> off;
    for (int run = 0; run < runs; ++run) {
        Sample with;
        Sample without;
        if (run % 2 == 0) {
            with = write(true);
            without = write(false);
        } else {
            without = write(false);
            with = write(true);
        }
        if (with.exitCode != 0 || without.exitCode != 0) {
            std::fprintf(stderr, "bench_fleetrecord: vexagrid-cli failed (%d, %d)\n", with.exitCode,
                         without.exitCode);
            return 1;
        }
        std::printf("run %d: record on %.3f s (cpu %.3f s), off %.3f s (cpu %.3f s)\n", run + 1,
                    with.wallS, with.cpuS, without.wallS, without.cpuS);
        on.push_back(with.wallS);
        off.push_back(without.wallS);
    }
    const Figures withRecord = figuresOf(on);
    const Figures withoutRecord = figuresOf(off);
    std::printf("\nwrite --verify to %d paced modules, %d run(s) each\n", count, runs);
    printFigures("record on:", withRecord);
    printFigures("record off:", withoutRecord);
    std::printf("  on / off:      %.4f   (goal <= 1.02)\n", withRecord.mean / withoutRecord.mean);
    std::printf("  load average:  %s before, %s after\n", qPrintable(loadBefore),
                qPrintable(fleetbench::loadAverage()));
    return 0;
}
