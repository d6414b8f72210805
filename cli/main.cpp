// vexagrid-cli: the window program's exchanges with a module, from the command line and
// for many modules at once. The program is the vexagrid_cli library; this only starts it.
#include "cli/commands.h"
#include "cli/history.h"
#include "cli/interrupt.h"
#include "cli/teamrecord.h"
#include "core/programsettings.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLoggingCategory>

#include <memory>

namespace {

QtMessageHandler defaultHandler = nullptr;

// The offscreen platform of the sheet complains of a runtime folder it never uses; the
// user did nothing wrong, so the command line does not pass the complaint on.
void quietPlatform(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    if (defaultHandler)
        defaultHandler(type, context, message);
}

} // namespace

int main(int argc, char* argv[])
{
    // Only the configuration sheet needs fonts, and so a QGuiApplication; it shows no window,
    // so off Windows it needs no display either.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const Expected<cli::Parsed> parsed = cli::parse(arguments);
    const cli::CommandInfo* command = parsed && parsed->kind == cli::Parsed::Run
                                          ? cli::findCommand(parsed->options.name)
                                          : nullptr;
    const bool needsFonts = command && command->needsFonts;
#ifndef Q_OS_WIN
    if (needsFonts && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    if (needsFonts)
        defaultHandler = qInstallMessageHandler(quietPlatform);
    std::unique_ptr<QCoreApplication> app(needsFonts ? new QGuiApplication(argc, argv)
                                                     : new QCoreApplication(argc, argv));
    QCoreApplication::setApplicationName(QStringLiteral("vexagrid-cli"));
    QCoreApplication::setApplicationVersion(programVersion());
    // Each result line says what went wrong; the line's own diagnostics stay off unless
    // QT_LOGGING_RULES asks for them.
    QLoggingCategory::setFilterRules(QStringLiteral("vexagrid.serial*=false"));
    cli::interrupt::install();
    if (parsed && parsed->kind == cli::Parsed::Run)
        record::loadDrivers(cli::history::location(parsed->options),
                            cli::teamrecord::remoteText(parsed->options).has_value());
    return cli::main(QCoreApplication::arguments());
}
