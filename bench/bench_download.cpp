// A whole download through the dialog and its worker, against the line's own time.
//
//   bench_download [--runs N]
//
// Starts the simulated module paced at 1200 baud in a temporary device directory and runs
// the download dialog on a regular 952-character frame, timing each run from the dialog's
// construction to its outcome. On a real line the 955 bytes out need about 8 s; a pty passes
// what the program writes at once, so here the frame costs only the worker's own time (one
// write, one drain and one queued bar update per byte) plus the module's paced replies.

#include "app/dload.h"
#include "core/programsettings.h"
#include "sim/simmodule.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QLabel>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// Ends `loop` when `widget` becomes enabled.
class EnabledWatch : public QObject
{
public:
    EnabledWatch(QWidget* widget, QEventLoop* loop) : m_widget(widget), m_loop(loop)
    {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_widget && event->type() == QEvent::EnabledChange && m_widget->isEnabled())
            m_loop->quit();
        return false;
    }

private:
    QWidget* m_widget;
    QEventLoop* m_loop;
};

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("vexagrid.serial.debug=false"));
    int runs = 3;
    const QStringList args = app.arguments();
    const qsizetype at = args.indexOf(QStringLiteral("--runs"));
    if (at > 0 && at + 1 < args.size())
        runs = args.at(at + 1).toInt();
    if (runs <= 0) {
        std::fprintf(stderr, "bench_download: --runs wants a positive count\n");
        return 2;
    }

    QTemporaryDir directory;
    qputenv("VEXAGRID_DOSDEVICES", QFile::encodeName(directory.path()));
    SimModule module;
    QString error;
    if (!directory.isValid() || !module.start(QStringLiteral("COM3"), directory.path(), &error)) {
        std::fprintf(stderr, "bench_download: %s\n", qPrintable(error));
        return 1;
    }
    module.setPaced(true);

    ProgramSettings settings;
    settings.port = QStringLiteral("COM3");
    for (const QString& field : SimModule::sampleFields())
        settings.downloadText += field.leftJustified(SimModule::kFieldWidth, u' ') + u'|';
    const qsizetype bytes = 2 + settings.downloadText.size() + 1;
    const double lineMs = double(bytes) * 10.0 * 1000.0 / 1200.0;

    std::printf("bench_download: %lld bytes out at 1200 baud 8-N-1 need %.1f ms on the line\n",
                static_cast<long long>(bytes), lineMs);
    double total = 0;
    for (int run = 1; run <= runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        dload dialog(settings);
        auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        // The outcome is shown together with the enabled button box: wait for that change.
        QEventLoop loop;
        EnabledWatch watch(buttons, &loop);
        loop.exec();
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        total += ms;
        const QString outcome = dialog.findChild<QLabel*>(QStringLiteral("kiiras"))->text();
        std::printf("run %d: %9.1f ms  (%.3f of the line)  %s\n", run, ms, ms / lineMs,
                    qPrintable(outcome.section(u'\n', 0, 0)));
    }
    std::printf("mean:  %9.1f ms\n", total / runs);
    module.stop();
    return 0;
}
