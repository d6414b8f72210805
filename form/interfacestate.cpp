#include "form/interfacestate.h"

#include "core/configuration.h"
#include "form/checks.h"
#include "ui_mainwindow.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>

namespace interfacestate {

namespace {

const QString kLockedStyle =
    QStringLiteral("color: rgb(255,255,255); background-color: rgb(180,180,180);");

} // namespace

void unlock(Ui::MainWindow& ui)
{
    ui.tabWidget->setEnabled(true);
    ui.g_allapot->setEnabled(true);
    const auto buttons = ui.centralWidget->findChildren<QPushButton*>();
    for (QPushButton* button : buttons)
        button->setEnabled(true);
    ui.download_gomb->setStyleSheet(
        QStringLiteral("color: rgb(255,255,255); background-color: rgb(191,0,0);"));
    ui.verify_gomb->setStyleSheet(
        QStringLiteral("color: rgb(255,255,255); background-color: rgb(0,128,0);"));
    ui.upload_gomb->setStyleSheet(
        QStringLiteral("color: rgb(255,255,255); background-color: rgb(255,128,0);"));
    ui.allapot_gomb->setStyleSheet(
        QStringLiteral("color: rgb(255,255,255); background-color: rgb(0,170,127);"));
    ui.actionOpen->setEnabled(true);
    ui.actionSave->setEnabled(true);
    ui.menuDevice->setEnabled(true);
}

void lock(Ui::MainWindow& ui)
{
    ui.tabWidget->setEnabled(false);
    ui.g_allapot->setEnabled(false);
    // The port button stays usable and keeps its colour: a module can always be
    // connected.
    const auto buttons = ui.centralWidget->findChildren<QPushButton*>();
    for (QPushButton* button : buttons) {
        if (button == ui.port_gomb)
            continue;
        button->setStyleSheet(kLockedStyle);
        button->setEnabled(false);
    }
    ui.actionOpen->setEnabled(false);
    ui.actionSave->setEnabled(false);
    ui.menuDevice->setEnabled(false);
}

void applyVexaGridLayout(Ui::MainWindow& ui)
{
    ui.tabWidget->setTabEnabled(1, false);

    // The module has three phase columns; columns 4-6 of the grid are not its own.
    const auto boxes = ui.g_tel->findChildren<QCheckBox*>();
    for (QCheckBox* box : boxes) {
        if (Configuration::hiddenFields().contains(box->objectName())) {
            box->hide();
            box->setChecked(false);
        }
    }
    checks::permissionBoxes(ui);

    // Outputs 3 and 4 do not exist on this module. A row whose choice was one of them
    // falls back to "none", so the form never holds, and never sends, an output the
    // module lacks (an exclusive group cannot simply uncheck its checked button).
    const auto radios = ui.g_tel->findChildren<QRadioButton*>();
    for (QRadioButton* radio : radios) {
        if (!Configuration::isDisabledByLayout(radio->objectName()))
            continue;
        if (radio->isChecked()) {
            const QString row = radio->objectName().section(QLatin1Char('_'), 0, 0);
            if (auto* none = ui.g_tel->findChild<QRadioButton*>(row + QStringLiteral("_0")))
                none->setChecked(true);
        }
        radio->setEnabled(false);
    }

    // The labels and status lamps of what the module lacks go with its fields.
    QWidget* const hidden[] = {
        ui.label_be4_nev, ui.label_be4_on, ui.label_be4_off, ui.label_analog, ui.l_analog,
        ui.label_counter, ui.l_counter,    ui.label_be4,     ui.label_ki3,    ui.label_ki4,
        ui.w_be4,         ui.w_ki3,        ui.w_ki4,         ui.label_tp,     ui.w_tp,
        ui.label_k3_on,   ui.label_k4_on,  ui.label_k3_off,  ui.label_k4_off, ui.label_k3,
        ui.label_k4};
    for (QWidget* widget : hidden)
        widget->hide();
    for (const QString& name : Configuration::hiddenFields()) {
        if (auto* widget = ui.centralWidget->findChild<QWidget*>(name))
            widget->hide();
    }
}

} // namespace interfacestate
