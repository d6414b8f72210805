#include "app/configfiles.h"

#include "core/configcodec.h"
#include "core/configuration.h"
#include "core/fieldrules.h"
#include "core/maker.h"
#include "core/messages.h"
#include "core/programsettings.h"
#include "core/runtimefiles.h"
#include "form/bindings.h"
#include "form/formcontext.h"
#include "form/messagebox.h"
#include "form/statusbar.h"
#include "ui_mainwindow.h"

#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSaveFile>
#include <QStatusBar>

namespace configfiles {

namespace {

// The open dialog. Its filter "All Files (*.*)" means every file, as it does on Windows;
// elsewhere "*.*" matches only names with a point, and a configuration saved without an
// extension could not be picked. There the dialog's own list is told to show every file
// under that filter (so the toolkit's dialog is used rather than the desktop's, whose list
// cannot be reached). Null when the user cancels.
QString askFileToOpen(QWidget* parent)
{
    const QString allFiles = QStringLiteral("All Files (*.*)");
    QFileDialog dialog(parent, QStringLiteral("Fájl megnyitása"), QStringLiteral("."),
                       QStringLiteral("VexaGrid Files (*.vgf);;") + allFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
#ifndef Q_OS_WIN
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog, allFiles](const QString& filter) {
                         if (filter != allFiles)
                             return;
                         if (auto* model = dialog.findChild<QFileSystemModel*>())
                             model->setNameFilters({QStringLiteral("*")});
                     });
#endif
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

void showTooShort(FormContext& context)
{
    messagebox::warning(context.window, messages::kFileError,
                        messages::fileTooShort(context.settings.filePath));
}

void load(FormContext& context, bool isDefaults)
{
    ProgramSettings& settings = context.settings;
    context.ui.tabWidget->setCurrentIndex(0);

    const QString path = isDefaults ? runtimefiles::locate(settings.filePath) : settings.filePath;
    const Expected<QStringList> read = configfile::readFile(path);
    if (!read && read.failure().code == messages::Code::FileMissing) {
        if (!isDefaults)
            messagebox::critical(context.window, messages::kFileError, messages::kFileMissing);
        return;
    }
    // A file that is there but cannot be read gets the box of one too short, as it always
    // has; the log says which it was.
    if (!read)
        qCWarning(lcFiles).noquote() << read.failure().message;
    const QStringList lines = read.valueOr(QStringList());
    Configuration config = bindings::take(context.ui);
    if (const Expected<void> loaded = config.load(lines); !loaded) {
        if (read)
            qCWarning(lcFiles).noquote() << path + QStringLiteral(": ") + loaded.failure().message;
        if (!isDefaults)
            showTooShort(context);
        return;
    }
    bindings::put(config, context.ui);

    if (isDefaults) {
        if (lines.size() > configfile::kLinkTextLine)
            settings.linkText = lines.at(configfile::kLinkTextLine);
        if (lines.size() > configfile::kAboutTextLine)
            settings.aboutText = lines.at(configfile::kAboutTextLine);
        QStatusBar* bar = context.ui.statusBar;
        bar->removeWidget(context.linkLabel);
        delete context.linkLabel;
        context.linkLabel = statusbar::insertLinkLabel(bar, settings.linkText);
    }

    settings.fileTitle = configfile::fileTitle(settings.filePath);
    settings.downloadText = QString();
    context.fileLabel->setText(settings.fileTitle);
}

} // namespace

void save(FormContext& context)
{
    context.ui.tabWidget->setCurrentIndex(0);
    const QString path =
        QFileDialog::getSaveFileName(context.window, QStringLiteral("Fájl mentése"),
                                     QStringLiteral("."), QStringLiteral("VexaGrid Files (*.vgf)"));
    if (path.isEmpty())
        return;

    // The old file is replaced only by a complete new one: a failed save must never
    // leave a truncated configuration behind, nor be reported as a success.
    if (const Expected<void> saved =
            configfile::writeFile(path, bindings::take(context.ui).lines());
        !saved) {
        qCWarning(lcFiles).noquote() << saved.failure().message;
        messagebox::critical(context.window, messages::kFileError,
                             QStringLiteral("A fájl mentése nem sikerült."));
        return;
    }

    context.settings.filePath = path;
    context.settings.fileTitle = configfile::fileTitle(path);
    context.fileLabel->setText(context.settings.fileTitle);
    messagebox::information(context.window, QStringLiteral("Mentés"),
                            QStringLiteral("Sikeres mentés."));
}

void open(FormContext& context)
{
    context.settings.filePath = askFileToOpen(context.window);
    if (context.settings.filePath.isNull())
        return;
    load(context, false);
}

void newFile(FormContext& context)
{
    context.settings.fileTitle = messages::kDefaultsFile;
    context.settings.filePath = messages::kDefaultsFile;
    load(context, true);
}

} // namespace configfiles
