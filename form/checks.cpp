#include "form/checks.h"

#include "form/bindings.h"
#include "form/messagebox.h"
#include "ui_mainwindow.h"

#include <QLineEdit>

namespace checks {

namespace {

// Set from the moment a check refuses a field until its box has closed: focusing the
// refused field is itself a departure from the field the user was in. Quiet sets it too.
int silenced = 0;

} // namespace

Quiet::Quiet()
{
    ++silenced;
}

Quiet::~Quiet()
{
    --silenced;
}

void run(fieldchecks::Group group, Ui::MainWindow& ui, QWidget* window)
{
    if (silenced > 0 || messagebox::isShowing())
        return;
    Configuration config = bindings::take(ui);
    const Expected<void> checked = fieldchecks::check(group, config);
    bindings::put(config, ui);
    if (checked)
        return;
    const fieldchecks::Refusal refusal = fieldchecks::Refusal::of(checked.failure());
    auto* edit = ui.centralWidget->findChild<QLineEdit*>(refusal.field);
    if (!edit)
        return;
    const Quiet quietWhileRefusing;
    edit->clear();
    edit->setFocus();
    messagebox::warning(window, refusal.title, refusal.text);
}

} // namespace checks
