#pragma once

#include "sim/simmodule.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <vector>

// What the fleet benchmarks share: paced simulated modules, the sample file they write, and
// vexagrid-cli run as a child whose own time and memory are measured.
namespace fleetbench {

struct Sample
{
    double wallS = 0;
    double cpuS = 0;
    double maxRssMiB = 0;
    int exitCode = -1;
};

// "[N] [--runs R]": the modules' count, from `least` to 30, and the runs, at least one;
// `count` and `runs` hold the defaults. False, with a message naming `bench`, for others.
bool parseArguments(const char* bench, const QStringList& arguments, int least, int& count,
                    int& runs);

// Runs the program with stdout and stderr on /dev/null; its own rusage, not ours.
Sample runChild(const QString& program, const QStringList& arguments);

// `count` modules paced at the line's speed from COM3 on, in a temporary device map that
// VEXAGRID_DOSDEVICES names, and the simulated module's sample as a configuration file.
struct Fleet
{
    QTemporaryDir directory;
    std::vector<std::unique_ptr<SimModule>> modules;
    QStringList ports;
    QString defaults;
    QString file;

    // False, with a message naming `bench`, when a module or the file cannot be made.
    bool start(const char* bench, int count);
};

// The machine's load averages (1, 5 and 15 minutes) as /proc/loadavg gives them.
QString loadAverage();

} // namespace fleetbench
