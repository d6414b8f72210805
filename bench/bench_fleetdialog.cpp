// The many-modules dialog writing and verifying paced modules, against the same for one.
//
//   bench_fleetdialog [N] [--shots DIR]
//
// Starts N simulated modules paced at the line's real speed, writes the sample into the
// first one from the dialog, then into all N at once, and prints the time ratio. Meanwhile a
// 10 ms timer on the GUI thread measures how late the event loop serves it: the longest
// stall is what a user would feel. With --shots, the dialog during the run and at its end
// are saved as PNG files in DIR.

#include "app/fleetdialog.h"
#include "core/configcodec.h"
#include "core/configuration.h"
#include "sim/simmodule.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

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
    QString shots;
    if (const qsizetype at = args.indexOf(QStringLiteral("--shots"));
        at >= 0 && at + 1 < args.size()) {
        shots = args.at(at + 1);
        args.remove(at, 2);
    }
    const int count = args.isEmpty() ? 30 : args.first().toInt();
    if (count < 2 || count > 30) {
        std::fprintf(stderr, "bench_fleetdialog: N in 2..30\n");
        return 2;
    }
    QTemporaryDir directory;
    const QString devices = directory.path() + QStringLiteral("/dosdevices");
    qputenv("VEXAGRID_DOSDEVICES", QFile::encodeName(devices));
    std::vector<std::unique_ptr<SimModule>> modules;
    const QString file = sampleFile(directory.path());
    if (!directory.isValid() || !startModules(count, devices, modules) || file.isEmpty())
        return 1;
    QDir::setCurrent(QFileInfo(QStringLiteral(VEXAGRID_DEFAULTS_FILE)).absolutePath());

    FleetDialog dialog({}, fleet::Observer::none());
    dialog.findChild<QLineEdit*>(QStringLiteral("file"))->setText(file);
    dialog.show();
    const Sample one = runDialog(dialog, 1, shots);
    const Sample all = runDialog(dialog, count, shots);
    if (!one.ok || !all.ok) {
        std::fprintf(stderr, "bench_fleetdialog: a module was not written\n");
        return 1;
    }
    std::printf("write + verify from the dialog, paced modules\n");
    std::printf("  1 module %.2f s, %d modules %.2f s\n", one.wallS, count, all.wallS);
    std::printf("  time, %d modules / 1 module:     %.3f   (goal <= 1.05)\n", count,
                all.wallS / one.wallS);
    std::printf("  longest GUI-thread stall:        %.1f ms at %.2f s (goal <= 50 ms; 1 module: "
                "%.1f ms)\n",
                all.worstStallMs, all.worstAtS, one.worstStallMs);
    return 0;
}
