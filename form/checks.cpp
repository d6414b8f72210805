#include "form/checks.h"

#include "core/fieldchecks.h"
#include "core/fieldrules.h"
#include "core/formorder.h"
#include "form/bindings.h"
#include "form/messagebox.h"
#include "ui_mainwindow.h"

#include <QCheckBox>
#include <QLineEdit>

namespace checks {

namespace {

// Set from the moment a check refuses a field until its box has closed: focusing the
// refused field is itself a departure from the field the user was in. quiet() sets it too.
int silenced = 0;

void run(fieldchecks::Group group, Ui::MainWindow& ui, QWidget* window)
{
    if (silenced > 0 || messagebox::isShowing())
        return;
    Configuration config = bindings::take(ui);
    const QString idBefore = config.text(QStringLiteral("m_id"));
    const std::optional<fieldchecks::Refusal> refusal = fieldchecks::check(group, config);
    // The walk zero-fills the module's identifier on its way.
    if (config.text(QStringLiteral("m_id")) != idBefore)
        ui.m_id->setText(config.text(QStringLiteral("m_id")));
    if (!refusal)
        return;
    auto* edit = ui.centralWidget->findChild<QLineEdit*>(refusal->field);
    if (!edit)
        return;
    const Quiet quietWhileRefusing;
    edit->clear();
    edit->setFocus();
    messagebox::warning(window, refusal->title, refusal->text);
}

} // namespace

Quiet::Quiet()
{
    ++silenced;
}

Quiet::~Quiet()
{
    --silenced;
}

void general(Ui::MainWindow& ui, QWidget* window)
{
    run(fieldchecks::Group::General, ui, window);
}

void telephone(Ui::MainWindow& ui, QWidget* window)
{
    run(fieldchecks::Group::Telephone, ui, window);
}

void inputs(Ui::MainWindow& ui, QWidget* window)
{
    run(fieldchecks::Group::Inputs, ui, window);
}

void outputs(Ui::MainWindow& ui, QWidget* window)
{
    run(fieldchecks::Group::Outputs, ui, window);
}

void activation(Ui::MainWindow& ui, QWidget* window)
{
    run(fieldchecks::Group::Activation, ui, window);
}

void selectProvider(Ui::MainWindow& ui)
{
    if (ui.smskp_combo->currentIndex() == fieldrules::kCustomProvider) {
        ui.smskp->setEnabled(true);
        ui.smskp->setFocus();
        return;
    }
    ui.smskp->setEnabled(false);
    ui.smskp->setText(fieldrules::providerNumber(ui.smskp_combo->currentIndex()));
}

void permissionBoxes(Ui::MainWindow& ui)
{
    const Configuration config = bindings::take(ui);
    // Unchecking a box below re-enters this function through its state change; the RING
    // and SMS boxes never count, so the nested run finds the same rows active.
    for (int row = 1; row <= 8; ++row) {
        auto* ring = ui.g_tel->findChild<QCheckBox*>(formorder::gridBox(row, 7));
        auto* sms = ui.g_tel->findChild<QCheckBox*>(formorder::gridBox(row, 8));
        if (!ring || !sms)
            continue;
        if (config.isRowActive(row)) {
            ring->setEnabled(true);
            sms->setEnabled(true);
        } else {
            ring->setChecked(false);
            sms->setChecked(false);
            ring->setEnabled(false);
            sms->setEnabled(false);
        }
    }
}

} // namespace checks
