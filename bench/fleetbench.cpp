#include "bench/fleetbench.h"

#include "core/configcodec.h"
#include "core/configuration.h"

#include <QElapsedTimer>
#include <QFile>

#include <cstdio>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fleetbench {

namespace {

double seconds(const timeval& time)
{
    return double(time.tv_sec) + double(time.tv_usec) / 1e6;
}

} // namespace

bool parseArguments(const char* bench, const QStringList& arguments, int least, int& count,
                    int& runs)
{
    QStringList args = arguments;
    const qsizetype at = args.indexOf(QStringLiteral("--runs"));
    if (at >= 0 && at + 1 < args.size()) {
        runs = args.at(at + 1).toInt();
        args.remove(at, 2);
    }
    if (!args.isEmpty())
        count = args.first().toInt();
    if (count < least || count > 30 || runs < 1) {
        std::fprintf(stderr, "%s: N in %d..30, --runs at least 1\n", bench, least);
        return false;
    }
    return true;
}

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

bool Fleet::start(const char* bench, int count)
{
    if (!directory.isValid())
        return false;
    const QString map = directory.path() + QStringLiteral("/dosdevices");
    qputenv("VEXAGRID_DOSDEVICES", QFile::encodeName(map));
    for (int i = 0; i < count; ++i) {
        auto module = std::make_unique<SimModule>();
        const QString port = QStringLiteral("COM%1").arg(3 + i);
        QString error;
        if (!module->start(port, map, &error)) {
            std::fprintf(stderr, "%s: %s: %s\n", bench, qPrintable(port), qPrintable(error));
            return false;
        }
        module->setPaced(true);
        modules.push_back(std::move(module));
        ports << port;
    }
    QStringList fields = SimModule::sampleFields();
    fields[10] = QStringLiteral("0"); // the range a file can hold (the analog page is disabled)
    Configuration config = Configuration::connected();
    defaults = QStringLiteral(VEXAGRID_DEFAULTS_FILE);
    static_cast<void>(config.load(configfile::readFile(defaults).valueOr({})));
    config.fillFromReadOut(fields);
    file = directory.filePath(QStringLiteral("fleet.vgf"));
    return bool(configfile::writeFile(file, config.lines()));
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLatin1(file.readLine()).section(u' ', 0, 2);
}

} // namespace fleetbench
