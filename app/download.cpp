#include "app/download.h"

#include "app/dload.h"
#include "core/downloadframe.h"
#include "core/fieldrules.h"
#include "core/formorder.h"
#include "core/programsettings.h"
#include "form/checks.h"
#include "form/formcontext.h"
#include "form/messagebox.h"
#include "ui_mainwindow.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

namespace download {

namespace {

const QString errorTitle = QStringLiteral("Hiba");
const QString separatorText = QStringLiteral("A | karakter nem használható!");

template <class T> T* field(Ui::MainWindow& ui, const QString& name)
{
    return ui.centralWidget->findChild<T*>(name);
}

// The tab page that holds `widget`, or -1.
int pageOf(Ui::MainWindow& ui, const QWidget* widget)
{
    for (int page = 0; page < ui.tabWidget->count(); ++page) {
        if (ui.tabWidget->widget(page)->isAncestorOf(widget))
            return page;
    }
    return -1;
}

// Shows why the download stops at `edit` and leaves the user in it. (The field checks
// stay quiet while the box is open, so the box taking the focus from the field starts
// no second message.)
void refuse(FormContext& context, QLineEdit* edit, const QString& text)
{
    Ui::MainWindow& ui = context.ui;
    const int page = pageOf(ui, edit);
    if (page >= 0)
        ui.tabWidget->setCurrentIndex(page);
    // A field the layout hides cannot take the focus; the box has to do.
    if (edit->isVisible())
        edit->setFocus();
    messagebox::critical(context.window, errorTitle, text);
    context.settings.downloadText = QString();
}

// The line edits the module needs filled, group by group in form order. The telephone
// numbers may stay empty.
const QStringList& requiredCandidates()
{
    static const QStringList names = formorder::generalEdits() + formorder::analogEdits() +
                                     formorder::inputEdits() + formorder::outputEdits() +
                                     formorder::activateEdits();
    return names;
}

// The first empty field that the module needs: enabled, and shown on its page whichever
// page is in front. A disabled page, a disabled field (the SMS centre of a listed
// provider) and a field the layout hides are not needed.
QLineEdit* firstMissing(Ui::MainWindow& ui)
{
    for (const QString& name : requiredCandidates()) {
        QLineEdit* edit = field<QLineEdit>(ui, name);
        if (!edit || !edit->text().isEmpty() || !edit->isEnabled())
            continue;
        const int page = pageOf(ui, edit);
        if (page >= 0 && edit->isVisibleTo(ui.tabWidget->widget(page)))
            return edit;
    }
    return nullptr;
}

// Texts that would not reach the module intact, hidden fields included: they are sent
// too. The field checks refuse such texts when they are typed, but a configuration file
// can still bring them in. A separator would split its field in two and shift every
// later field; a character above U+00FF has no byte on the line.
bool refuseUnsendable(FormContext& context)
{
    const QChar separator = QChar::fromLatin1(context.settings.downloadSeparator);
    QStringList names = requiredCandidates();
    for (const QString& name : formorder::telEdits()) {
        if (!name.startsWith(QLatin1String("tplus_")))
            names << name;
    }
    for (const QString& name : std::as_const(names)) {
        QLineEdit* edit = field<QLineEdit>(context.ui, name);
        if (!edit)
            continue;
        if (fieldrules::hasSeparator(edit->text(), separator)) {
            refuse(context, edit, separatorText);
            return true;
        }
        if (!fieldrules::isLatin1(edit->text())) {
            refuse(context, edit, QStringLiteral("Ékezetek nem használhatóak!"));
            return true;
        }
    }
    return false;
}

// Columns 5 and 6 belong to modules with more phases, and so does column 4 while the
// layout hides it. A file or a read-out can still check such a box; left checked, it
// would add its bit to the row's code character, and with columns 3, 4 and 7 that
// character is the separator itself. Unchecking runs the grid rule (check_cbs), which
// may lock the row's RING and SMS boxes; those are read afterwards.
void clearForeignColumns(Ui::MainWindow& ui)
{
    for (const QString& name : formorder::telBoxes()) {
        QCheckBox* box = field<QCheckBox>(ui, name);
        int row = 0;
        int column = 0;
        if (!box || !checks::gridPosition(box, &row, &column))
            continue;
        if (column == 5 || column == 6 || (column == 4 && box->isHidden()))
            box->setChecked(false);
    }
}

frame::FormValues formValues(Ui::MainWindow& ui)
{
    frame::FormValues values;
    for (const QString& name : frame::textFieldNames()) {
        if (const QLineEdit* edit = field<QLineEdit>(ui, name))
            values.text.insert(name, edit->text());
    }
    for (const QString& name : formorder::telBoxes()) {
        if (const QCheckBox* box = field<QCheckBox>(ui, name))
            values.boxes.append({box->property("group").toString(), box->isChecked()});
    }
    for (const QString& name : formorder::allRadios()) {
        if (const QRadioButton* radio = field<QRadioButton>(ui, name))
            values.radios.append({name, radio->isChecked()});
    }
    const QRadioButton* monostable[] = {ui.b1, ui.b2, ui.b3, ui.b4};
    for (int n = 0; n < 4; ++n)
        values.b[n] = monostable[n]->isChecked();
    values.max15 = ui.max_be_15->isChecked();
    return values;
}

} // namespace

void run(FormContext& context)
{
    Ui::MainWindow& ui = context.ui;
    ProgramSettings& settings = context.settings;
    ui.tabWidget->setCurrentIndex(0);
    settings.downloadText = QString();

    if (QLineEdit* missing = firstMissing(ui)) {
        refuse(context, missing, QStringLiteral("Minden beviteli mezõ kitöltése kötelezõ!"));
        return;
    }
    if (refuseUnsendable(context))
        return;

    clearForeignColumns(ui);
    settings.downloadText =
        frame::build(formValues(ui), QChar::fromLatin1(settings.downloadSeparator));
    // build() gives nothing rather than a frame the module would read shifted.
    if (settings.downloadText.isEmpty()) {
        messagebox::critical(context.window, errorTitle, separatorText);
        return;
    }

    const ProgramSettings copy = settings;
    dload dialog(copy, context.window);
    dialog.exec();
}

} // namespace download
