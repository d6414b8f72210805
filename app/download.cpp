#include "app/download.h"

#include "app/dload.h"
#include "core/configuration.h"
#include "core/fieldchecks.h"
#include "core/programsettings.h"
#include "form/bindings.h"
#include "form/checks.h"
#include "form/formcontext.h"
#include "form/messagebox.h"
#include "ui_mainwindow.h"

#include <QLineEdit>

#include <optional>

namespace download {

namespace {

// Shows why the download stops and leaves the user in the field. The field keeps its
// text, so the user sees what is wrong; its own check empties it when it is left.
void refuse(FormContext& context, const fieldchecks::Refusal& refusal)
{
    Ui::MainWindow& ui = context.ui;
    {
        // Focusing the field leaves the one the user was in; that is no departure of the
        // user's, and its check must not put a second box before this one.
        const checks::Quiet quiet;
        const fields::Field* field = fields::find(refusal.field);
        auto* edit = field ? ui.centralWidget->findChild<QLineEdit*>(refusal.field) : nullptr;
        if (edit) {
            ui.tabWidget->setCurrentIndex(fields::pageOf(*field));
            // A field the layout hides cannot take the focus; the box has to do.
            if (edit->isVisible())
                edit->setFocus();
        }
        messagebox::critical(context.window, refusal.title, refusal.text);
    }
    context.settings.downloadText = QString();
}

} // namespace

bool prepare(FormContext& context)
{
    Ui::MainWindow& ui = context.ui;
    ProgramSettings& settings = context.settings;
    ui.tabWidget->setCurrentIndex(0);
    settings.downloadText = QString();

    Configuration config = bindings::take(ui);
    const Expected<QString> frame =
        fieldchecks::prepareDownload(config, QChar::fromLatin1(settings.downloadSeparator));
    const bool unsendable = !frame && frame.failure().code == messages::Code::Unsendable;
    if (!frame && !unsendable) {
        refuse(context, fieldchecks::Refusal::of(frame.failure()));
        return false;
    }
    // The columns this module lacks were cleared; the grid shows it.
    bindings::put(config, ui);
    if (unsendable) {
        const fieldchecks::Refusal refusal = fieldchecks::Refusal::of(frame.failure());
        messagebox::critical(context.window, refusal.title, refusal.text);
        return false;
    }
    settings.downloadText = *frame;
    return true;
}

void run(FormContext& context)
{
    if (!prepare(context))
        return;
    const ProgramSettings copy = context.settings;
    dload dialog(copy, context.window);
    dialog.exec();
}

} // namespace download
