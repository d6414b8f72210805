// vexagrid-cli: the window program's exchanges with a module, from the command line and
// for many modules at once.
#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/options.h"
#include "cli/report.h"
#include "core/programsettings.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vexagrid-cli"));
    QCoreApplication::setApplicationVersion(programVersion());
    // Each result line says what went wrong; the line's own diagnostics stay off unless
    // QT_LOGGING_RULES asks for them.
    QLoggingCategory::setFilterRules(QStringLiteral("vexagrid.serial*=false"));

    const cli::Parsed parsed = cli::parse(QCoreApplication::arguments());
    switch (parsed.kind) {
    case cli::Parsed::Help:
        std::fputs(cli::helpText().toUtf8().constData(), stdout);
        return 0;
    case cli::Parsed::Version:
        std::printf("vexagrid-cli %s\n", qPrintable(programVersion()));
        return 0;
    case cli::Parsed::Usage:
        cli::report::usage(parsed.error);
        return 2;
    case cli::Parsed::Run:
        break;
    }
    cli::interrupt::install();
    return cli::run(parsed.options);
}
