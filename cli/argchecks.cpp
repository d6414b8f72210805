#include "cli/argchecks.h"

namespace cli::argchecks {

namespace {

Expected<void> needsPorts(const Options& options)
{
    if (options.ports.isEmpty() && !options.allPorts)
        return usage(QStringLiteral("hiányzik a port: --port COM3 (vagy lista, vagy all)"));
    return {};
}

} // namespace

Failure usage(const QString& message)
{
    return {messages::Code::Usage, message};
}

Expected<void> files(const Options& options, int count, const char* what)
{
    if (options.files.size() < count)
        return usage(QStringLiteral("a(z) %1 parancsnak kell %2")
                         .arg(options.name, QString::fromUtf8(what)));
    if (options.files.size() > count)
        return usage(QStringLiteral("fölösleges argumentum: %1").arg(options.files.at(count)));
    return {};
}

Expected<void> nothing(const Options& options)
{
    return files(options, 0, "");
}

Expected<void> ports(const Options& options)
{
    if (const Expected<void> none = nothing(options); !none)
        return none;
    return needsPorts(options);
}

Expected<void> sendFiles(const Options& options)
{
    if (const Expected<void> one = files(options, 1, "egy konfigurációs fájl"); !one)
        return one;
    if (options.each.isEmpty())
        return needsPorts(options);
    return {};
}

Expected<void> source(const Options& options)
{
    if (options.files.size() > 1)
        return usage(QStringLiteral("fölösleges argumentum: %1").arg(options.files.at(1)));
    if (options.files.isEmpty() == options.ports.isEmpty() && !options.allPorts)
        return usage(QStringLiteral("a(z) %1 parancsnak egy fájl vagy egy --port kell (a kettő "
                                    "közül az egyik)")
                         .arg(options.name));
    if (!options.files.isEmpty() && (options.allPorts || !options.ports.isEmpty()))
        return usage(QStringLiteral("a(z) %1 parancsnak egy fájl vagy egy --port kell, nem "
                                    "mindkettő")
                         .arg(options.name));
    if (options.allPorts || options.ports.size() > 1)
        return usage(
            QStringLiteral("a(z) %1 parancs egy modullal dolgozik: --port COM3").arg(options.name));
    return {};
}

} // namespace cli::argchecks
