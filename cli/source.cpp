#include "cli/source.h"

#include "cli/modules.h"
#include "fleet/plan.h"

namespace cli {

Expected<Configuration> openAsTheWindowDoes(const QString& file, const QString& base)
{
    const Expected<QStringList> defaults = fleet::loadDefaults(base);
    if (!defaults)
        return defaults.failure();
    Configuration config = fleet::startState(*defaults);
    if (const Expected<void> opened = fleet::openFile(file, config); !opened)
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
    const Expected<QStringList> defaults = fleet::loadDefaults(options.base);
    if (!defaults)
        return defaults.failure();
    const Expected<fleet::Targets> targets = prepareTargets(options);
    if (!targets)
        return targets.failure();
    const QList<fleet::Result> results =
        fleet::runFleet(targets->modules, setupOf(options, *defaults), fleet::fetchTask);
    // A module that could not be read out is the command's result, an interrupt's too.
    const fleet::Result& read = results.first();
    if (!read.ok)
        return finish(results);
    return use({fleet::readOutState(*defaults, read.record), QString(), read.port,
                read.keys.value(QStringLiteral("identification")).toString()});
}

} // namespace cli
