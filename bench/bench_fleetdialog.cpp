// The many-modules dialog writing and verifying paced modules, against the same for one.
//
//   bench_fleetdialog [N] [--shots DIR] [--sim-process] [--record FILE]
//
// Starts N simulated modules paced at the line's real speed, writes the sample into the
// first one from the dialog, then into all N at once, and prints the time ratio. Meanwhile a
// 10 ms timer on the GUI thread measures how late the event loop serves it: the longest
// stall is what a user would feel. With --shots, the dialog during the run and at its end
// are saved as PNG files in DIR. With --sim-process the modules are a vexagrid-sim process
// of their own, as a user's modules are not in the program; with --record the dialog keeps
// its exchanges in FILE, as the window does.

#include "app/fleetdialog.h"
#include "core/configcodec.h"
#include "core/configuration.h"
#include "fleet/recorder.h"
#include "sim/simmodule.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include <unistd.h>

namespace {

constexpr int kTickMs = 10;

struct Sample
{
    double wallS = 0;
    double worstStallMs = 0;
    double worstAtS = 0; // when, from the click
    bool ok = false;
};

// The dialog's run on the first `count` ports, timed; the event loop's lateness measured.
Sample runDialog(FleetDialog& dialog, int count, const QString& shots)
{
    auto* tree = dialog.findChild<QTreeWidget*>(QStringLiteral("ports"));
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        tree->topLevelItem(i)->setCheckState(0, i < count ? Qt::Checked : Qt::Unchecked);
    Sample sample;
    QElapsedTimer clock;
    QElapsedTimer sinceTick;
    QTimer tick;
    tick.setInterval(kTickMs);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const double late = double(sinceTick.nsecsElapsed()) / 1e6 - kTickMs;
        if (late > sample.worstStallMs) {
            sample.worstStallMs = late;
            sample.worstAtS = double(clock.nsecsElapsed()) / 1e9;
        }
        sinceTick.restart();
    });
    QTimer shot;
    shot.setSingleShot(true);
    QObject::connect(&shot, &QTimer::timeout, [&] {
        dialog.grab().save(shots + QStringLiteral("/fleet-running-%1.png").arg(count));
    });
    QEventLoop loop;
    QObject::connect(&dialog, &FleetDialog::runFinished, &loop, &QEventLoop::quit);
    clock.start();
    sinceTick.start();
    tick.start();
    if (!shots.isEmpty())
        shot.start(4000);
    dialog.findChild<QPushButton*>(QStringLiteral("start"))->click();
    loop.exec();
    sample.wallS = double(clock.nsecsElapsed()) / 1e9;
    if (!shots.isEmpty())
        dialog.grab().save(shots + QStringLiteral("/fleet-done-%1.png").arg(count));
    const QList<fleet::Result> results = dialog.results();
    sample.ok = results.size() == count &&
                std::all_of(results.cbegin(), results.cend(),
                            [](const fleet::Result& result) { return result.ok; });
    return sample;
}

bool startModules(int count, const QString& directory,
                  std::vector<std::unique_ptr<SimModule>>& modules)
{
    for (int i = 0; i < count; ++i) {
        auto module = std::make_unique<SimModule>();
        QString error;
        if (!module->start(QStringLiteral("COM%1").arg(3 + i), directory, &error)) {
            std::fprintf(stderr, "bench_fleetdialog: %s\n", qPrintable(error));
            return false;
        }
        module->setPaced(true);
        modules.push_back(std::move(module));
    }
    return true;
}

// The same modules in a vexagrid-sim process beside this program, registered once it says so.
bool startSimProcess(int count, const QString& directory, QProcess& sim)
{
    sim.setProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/vexagrid-sim"));
    sim.setArguments({QStringLiteral("--port"), QStringLiteral("COM3"), QStringLiteral("--count"),
                      QString::number(count), QStringLiteral("--pace"),
                      QStringLiteral("--dosdevices"), directory});
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Thirty paced lines cost the simulator a context switch per byte, about a core at the
    // moment the thirty frames start; real modules take none of the computer's time. At the
    // lowest priority it still keeps the line's pace (it waits far more than it works), and
    // what the timer measures is the program, not the stand-in for the hardware.
    sim.setChildProcessModifier([] { static_cast<void>(::nice(19)); });
    sim.start();
    const QString last = directory + QStringLiteral("/com%1").arg(2 + count);
    for (int i = 0; i < 100 && sim.state() != QProcess::NotRunning; ++i) {
        if (QFileInfo::exists(last))
            return true;
        sim.waitForReadyRead(100);
    }
    std::fprintf(stderr, "bench_fleetdialog: vexagrid-sim did not register COM%d\n", 2 + count);
    return false;
}

QString takeOption(QStringList& args, const QString& name, bool withValue)
{
    const qsizetype at = args.indexOf(name);
    if (at < 0 || (withValue && at + 1 >= args.size()))
        return {};
    const QString value = withValue ? args.at(at + 1) : name;
    args.remove(at, withValue ? 2 : 1);
    return value;
}

QString sampleFile(const QString& folder)
{
    const QString defaults = QStringLiteral(VEXAGRID_DEFAULTS_FILE);
    Configuration config = Configuration::connected();
    static_cast<void>(config.load(configfile::readFile(defaults).valueOr({})));
    QStringList fields = SimModule::sampleFields();
    fields[10] = QStringLiteral("0"); // the range a file can hold
    config.fillFromReadOut(fields);
    const QString file = folder + QStringLiteral("/fleet.vgf");
    return configfile::writeFile(file, config.lines()) ? file : QString();
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const QString shots = takeOption(args, QStringLiteral("--shots"), true);
    const bool simProcess = !takeOption(args, QStringLiteral("--sim-process"), false).isEmpty();
    const QString recordFile = takeOption(args, QStringLiteral("--record"), true);
    const int count = args.isEmpty() ? 30 : args.first().toInt();
    if (count < 2 || count > 30) {
        std::fprintf(stderr, "bench_fleetdialog: N in 2..30\n");
        return 2;
    }
    QTemporaryDir directory;
    const QString devices = directory.path() + QStringLiteral("/dosdevices");
    qputenv("VEXAGRID_DOSDEVICES", QFile::encodeName(devices));
    std::vector<std::unique_ptr<SimModule>> modules;
    QProcess sim;
    const QString file = sampleFile(directory.path());
    if (!directory.isValid() || file.isEmpty() || !QDir().mkpath(devices) ||
        !(simProcess ? startSimProcess(count, devices, sim)
                     : startModules(count, devices, modules)))
        return 1;
    QDir::setCurrent(QFileInfo(QStringLiteral(VEXAGRID_DEFAULTS_FILE)).absolutePath());

    const record::Location location =
        recordFile.isEmpty() ? record::Location::off() : record::Location::file(recordFile);
    record::loadDrivers(location, false);
    fleet::Recorder recorder(location, fleet::Recorder::Writes::Yes);
    FleetDialog dialog({}, recorder);
    dialog.findChild<QLineEdit*>(QStringLiteral("file"))->setText(file);
    dialog.show();
    const Sample one = runDialog(dialog, 1, shots);
    const Sample all = runDialog(dialog, count, shots);
    if (!one.ok || !all.ok) {
        std::fprintf(stderr, "bench_fleetdialog: a module was not written\n");
        return 1;
    }
    std::printf("write + verify from the dialog, paced modules%s%s\n",
                simProcess ? ", in a process of their own" : ", in this process",
                recordFile.isEmpty() ? ", record off" : ", recorded");
    std::printf("  1 module %.2f s, %d modules %.2f s\n", one.wallS, count, all.wallS);
    std::printf("  time, %d modules / 1 module:     %.3f   (goal <= 1.05)\n", count,
                all.wallS / one.wallS);
    std::printf("  longest GUI-thread stall:        %.1f ms at %.2f s (goal <= 50 ms; 1 module: "
                "%.1f ms)\n",
                all.worstStallMs, all.worstAtS, one.worstStallMs);
    if (simProcess) {
        sim.terminate();
        sim.waitForFinished(5000);
    }
    return 0;
}
