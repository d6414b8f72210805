#include "cli/progressbars.h"

#include "cli/interrupt.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#ifdef Q_OS_WIN
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace cli::progressbars {

namespace {

constexpr int kBarWidth = 30;

void put(const QByteArray& out)
{
    std::fwrite(out.constData(), 1, size_t(out.size()), stderr);
    std::fflush(stderr);
}

QString barOf(const Running& module)
{
    const Progress& progress = *module.progress;
    const Phase phase = Phase(progress.phase.load());
    // A failed module's bar shows how far it got, and that it failed.
    const int maximum = progress.maximum;
    const int value = std::min(int(progress.value), maximum);
    const int filled = maximum > 0 ? value * kBarWidth / maximum : 0;
    QString line = QStringLiteral("%1 %2 [%3%4]")
                       .arg(module.port, -6)
                       .arg(phaseName(phase), -11)
                       .arg(QString(filled, u'#'), QString(kBarWidth - filled, u'.'));
    if (maximum > 0)
        line += QStringLiteral(" %1%").arg(value * 100 / maximum, 3);
    if (interrupt::requested() && phase != Phase::Done && phase != Phase::Failed)
        line += QStringLiteral(" leállítás...");
    return line;
}

} // namespace

bool wanted(bool quiet)
{
    if (quiet || ::isatty(::fileno(stderr)) != 1)
        return false;
    const QByteArray term = qgetenv("TERM");
    return !term.isEmpty() && term != "dumb";
}

Monitor onStderr()
{
    // How many lines the bars stand on, to go back up over them.
    auto drawn = std::make_shared<int>(0);
    return [drawn](const QList<Running>& modules, bool done) {
        QByteArray out;
        if (*drawn > 0)
            out += "\x1b[" + QByteArray::number(*drawn) + "A";
        if (done) {
            if (*drawn > 0)
                put(out + "\r\x1b[J");
            *drawn = 0;
            return;
        }
        for (const Running& module : modules)
            out += "\r\x1b[2K" + barOf(module).toUtf8() + "\n";
        *drawn = int(modules.size());
        put(out);
    };
}

} // namespace cli::progressbars
