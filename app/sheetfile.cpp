#include "app/sheetfile.h"

#include "core/configuration.h"
#include "core/messages.h"
#include "core/programsettings.h"
#include "form/bindings.h"
#include "form/formcontext.h"
#include "form/messagebox.h"
#include "sheet/sheet.h"
#include "ui_mainwindow.h"

#include <QCheckBox>
#include <QDate>
#include <QFileDialog>
#include <QGridLayout>

namespace sheetfile {

namespace {

// The save dialog with one more question below it: whether the PIN goes on the sheet. The
// toolkit's own dialog, whose layout takes the box.
QString askFile(QWidget* parent, bool* pin)
{
    QFileDialog dialog(parent, QStringLiteral("Konfigurációs lap mentése"), QStringLiteral("."),
                       QStringLiteral("PDF Files (*.pdf)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    auto* withPin = new QCheckBox(QStringLiteral("A PIN-kód is kerüljön a lapra"), &dialog);
    withPin->setObjectName(QStringLiteral("sheetPin"));
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(withPin, grid->rowCount(), 0, 1, grid->columnCount());
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    *pin = withPin->isChecked();
    return dialog.selectedFiles().value(0);
}

} // namespace

void save(FormContext& context)
{
    bool pin = false;
    const QString path = askFile(context.window, &pin);
    if (path.isEmpty())
        return;

    const ProgramSettings& settings = context.settings;
    sheet::Source source;
    // The header names where the values came from: the file the user opened or saved, and
    // the module when one is connected.
    if (!settings.filePath.isEmpty() && settings.filePath != messages::kDefaultsFile)
        source.file = settings.filePath;
    if (DeviceKind(settings.deviceKind) != DeviceKind::Unknown)
        source.identification = settings.deviceId.trimmed();
    source.date = QDate::currentDate();
    source.pin = pin;

    const Expected<int> written = sheet::write(bindings::take(context.ui).values(), source, path);
    if (!written) {
        messagebox::critical(context.window, messages::kFileError,
                             QStringLiteral("A konfigurációs lap mentése nem sikerült (%1).")
                                 .arg(written.failure().message));
        return;
    }
    messagebox::information(context.window, QStringLiteral("Mentés"),
                            QStringLiteral("A konfigurációs lap elkészült."));
}

} // namespace sheetfile
