#include "cli/source.h"

#include "cli/interrupt.h"
#include "cli/modules.h"
#include "cli/plan.h"
#include "cli/report.h"

namespace cli {

Expected<Configuration> openAsTheWindowDoes(const QString& file, const QString& base)
{
    const Expected<QStringList> defaults = loadDefaults(base);
    if (!defaults)
        return defaults.failure();
    Configuration config = startState(*defaults);
    if (const Expected<void> opened = openFile(file, config); !opened)
        return opened.failure();
    return config;
}

Expected<Exit> withSource(const Options& options,
                          const std::function<Expected<Exit>(const Source& source)>& use)
{
    if (!options.files.isEmpty()) {
        const QString& file = options.files.first();
        const Expected<Configuration> opened = openAsTheWindowDoes(file, options.base);
        if (!opened)
            return opened.failure();
        return use({*opened, file, QString(), QString()});
    }
    const Expected<QStringList> defaults = loadDefaults(options.base);
    if (!defaults)
        return defaults.failure();
    const Expected<Targets> targets = prepareTargets(options);
    if (!targets)
        return targets.failure();
    const Result read =
        runFleet(targets->modules, options.baud, fetchTask, interrupt::flag()).first();
    if (!read.ok) {
        report::result(read);
        return exitFor(QList<Result>{read});
    }
    return use({readOutState(*defaults, read.record), QString(), read.port,
                read.keys.value(QStringLiteral("identification")).toString()});
}

} // namespace cli
