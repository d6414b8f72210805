#include "app/configfiles.h"

#include "core/configcodec.h"
#include "core/fieldrules.h"
#include "core/formorder.h"
#include "core/maker.h"
#include "core/programsettings.h"
#include "core/runtimefiles.h"
#include "form/formcontext.h"
#include "form/messagebox.h"
#include "form/statusbar.h"
#include "ui_mainwindow.h"

#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSaveFile>
#include <QStatusBar>

namespace configfiles {

namespace {

const QString defaultsName = QStringLiteral("defval_vg.dll");
const QString fileError = QStringLiteral("File hiba");

template <class T> T* field(FormContext& context, const QString& name)
{
    return context.ui.centralWidget->findChild<T*>(name);
}

// The 172 values in file order: line edits, then check boxes, then radio buttons.
QStringList formValues(FormContext& context)
{
    QStringList lines;
    for (const QString& name : formorder::allEdits())
        lines << field<QLineEdit>(context, name)->text();
    for (const QString& name : formorder::allBoxes())
        lines << QLatin1String(field<QCheckBox>(context, name)->isChecked() ? "1" : "0");
    for (const QString& name : formorder::allRadios())
        lines << QLatin1String(field<QRadioButton>(context, name)->isChecked() ? "1" : "0");
    return lines;
}

void fillForm(FormContext& context, const QStringList& lines)
{
    int line = 0;
    for (const QString& name : formorder::allEdits()) {
        auto* edit = field<QLineEdit>(context, name);
        const QString& value = lines.at(line++);
        edit->clear();
        // A field the current layout disables keeps no value of its own, but for the
        // fixed "+" signs and the SMS centre, whose provider is chosen from the list.
        if (edit->isEnabled() || value == QLatin1String("+") || edit == context.ui.smskp)
            edit->setText(value);
    }
    for (const QString& name : formorder::allBoxes()) {
        auto* box = field<QCheckBox>(context, name);
        box->setChecked(lines.at(line++) == QLatin1String("1") && box->isEnabled());
    }
    // Within an exclusive group, unchecking the checked button does nothing and
    // checking one unchecks the others: a row with no "1" keeps its choice.
    for (const QString& name : formorder::allRadios()) {
        auto* radio = field<QRadioButton>(context, name);
        radio->setChecked(lines.at(line++) == QLatin1String("1") && radio->isEnabled());
    }
}

void showTooShort(FormContext& context)
{
    messagebox::warning(
        context.window, fileError,
        QStringLiteral("A kiválasztott file \"%1\" nem nyitható meg a jelenlegi verzióval.\n"
                       "Kérem töltse le a legújabb verziót a '%2' oldalról,\n"
                       "majd töltse be a 'defval_vg.dll' fájlt!")
            .arg(configfile::fileTitle(context.settings.filePath), maker::webSite));
}

void load(FormContext& context, bool isDefaults)
{
    ProgramSettings& settings = context.settings;
    context.ui.tabWidget->setCurrentIndex(0);

    const QString path = isDefaults ? runtimefiles::locate(settings.filePath) : settings.filePath;
    if (!QFileInfo::exists(path)) {
        if (!isDefaults)
            messagebox::critical(context.window, fileError,
                                 QStringLiteral("A kiválasztott fájl nem létezik."));
        return;
    }

    // An unreadable file reads as an empty one: too short, like an older format.
    QFile file(path);
    const QStringList lines =
        configfile::decodeLines(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
    file.close();
    if (!configfile::hasAllValues(lines)) {
        if (!isDefaults)
            showTooShort(context);
        return;
    }

    fillForm(context, lines);

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
    context.ui.smskp_combo->setCurrentIndex(
        fieldrules::providerIndexForNumber(context.ui.smskp->text()));
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
    QSaveFile file(path);
    const QByteArray content = configfile::encode(formValues(context));
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() ||
        !file.commit()) {
        file.cancelWriting();
        messagebox::critical(context.window, fileError,
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
    context.settings.filePath = QFileDialog::getOpenFileName(
        context.window, QStringLiteral("Fájl megnyitása"), QStringLiteral("."),
        QStringLiteral("VexaGrid Files (*.vgf);;All Files (*.*)"));
    if (context.settings.filePath.isNull())
        return;
    load(context, false);
}

void newFile(FormContext& context)
{
    context.settings.fileTitle = defaultsName;
    context.settings.filePath = defaultsName;
    load(context, true);
}

} // namespace configfiles
