// vexagrid-artwork: draws the program's pictures and typesets its manual.
//
//   vexagrid-artwork icons DIR           the menu, dialog and window icons (resources/img)
//   vexagrid-artwork appicon SIZE FILE   the desktop icon, SIZE × SIZE pixels
//   vexagrid-artwork picture FILE        the module picture (i_vg-3.dll, a PNG)
//   vexagrid-artwork manual HTML FILE    the manual (vexagrid-help.pdf)

#include "icons.h"
#include "manual.h"
#include "modulepicture.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>

#include <cstdio>

namespace {

int fail(const QString& message)
{
    std::fprintf(stderr, "vexagrid-artwork: %s\n", qPrintable(message));
    return 1;
}

// The files are written under their final names by the build; a PNG called ".dll" needs
// the format named, since Qt would otherwise guess it from the suffix.
bool savePng(const QImage& image, const QString& path)
{
    const QString dir = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(dir))
        return false;
    QImageWriter writer(path, "png");
    return writer.write(image);
}

} // namespace

int main(int argc, char* argv[])
{
    // Text needs a QGuiApplication, and a drawing tool has no window to show.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vexagrid-artwork"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Draws the VexaGrid-3 program's icons and module picture, and typesets "
                       "its manual."));
    parser.addHelpOption();
    QCommandLineOption versionOption(QStringLiteral("program-version"),
                                     QStringLiteral("Program version on the manual's title page."),
                                     QStringLiteral("version"), QStringLiteral("1.03"));
    parser.addOption(versionOption);
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("icons DIR | appicon SIZE FILE | picture FILE | "
                                                "manual HTML FILE"));
    parser.process(app);

    const QStringList args = parser.positionalArguments();
    const QString command = args.value(0);

    if (command == QLatin1String("icons") && args.size() == 2) {
        QString error;
        if (!icons::writeAll(args[1], &error))
            return fail(QStringLiteral("cannot write %1").arg(error));
        return 0;
    }
    if (command == QLatin1String("appicon") && args.size() == 3) {
        bool ok = false;
        const int size = args[1].toInt(&ok);
        if (!ok || size < 16 || size > 1024)
            return fail(QStringLiteral("bad icon size %1").arg(args[1]));
        if (!savePng(icons::applicationIcon(size), args[2]))
            return fail(QStringLiteral("cannot write %1").arg(args[2]));
        return 0;
    }
    if (command == QLatin1String("picture") && args.size() == 2) {
        if (!savePng(modulepicture::render(), args[1]))
            return fail(QStringLiteral("cannot write %1").arg(args[1]));
        return 0;
    }
    if (command == QLatin1String("manual") && args.size() == 3) {
        QString error;
        if (!QDir().mkpath(QFileInfo(args[2]).absolutePath()))
            return fail(QStringLiteral("cannot write %1").arg(args[2]));
        if (!manual::render(args[1], args[2], parser.value(versionOption), &error))
            return fail(error);
        return 0;
    }

    std::fprintf(stderr, "%s", qPrintable(parser.helpText()));
    return 2;
}
