// vexagrid-cli: the window program's exchanges with a module, from the command line and
// for many modules at once. The program is the vexagrid_cli library; this only starts it.
#include "cli/commands.h"
#include "cli/interrupt.h"
#include "core/programsettings.h"

#include <QCoreApplication>
#include <QLoggingCategory>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vexagrid-cli"));
    QCoreApplication::setApplicationVersion(programVersion());
    // Each result line says what went wrong; the line's own diagnostics stay off unless
    // QT_LOGGING_RULES asks for them.
    QLoggingCategory::setFilterRules(QStringLiteral("vexagrid.serial*=false"));
    cli::interrupt::install();
    return cli::main(QCoreApplication::arguments());
}
