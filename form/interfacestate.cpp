#include "form/interfacestate.h"

#include "form/bindings.h"
#include "form/styles.h"
#include "ui_mainwindow.h"

#include <QPushButton>

namespace interfacestate {

void unlock(Ui::MainWindow& ui)
{
    ui.tabWidget->setEnabled(true);
    ui.g_allapot->setEnabled(true);
    const auto buttons = ui.centralWidget->findChildren<QPushButton*>();
    for (QPushButton* button : buttons)
        button->setEnabled(true);
    ui.download_gomb->setStyleSheet(styles::kDownloadButton);
    ui.verify_gomb->setStyleSheet(styles::kVerifyButton);
    ui.upload_gomb->setStyleSheet(styles::kUploadButton);
    ui.allapot_gomb->setStyleSheet(styles::kStatusButton);
    ui.actionOpen->setEnabled(true);
    ui.actionSave->setEnabled(true);
    ui.actionSheet->setEnabled(true);
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
        button->setStyleSheet(styles::kLockedButton);
        button->setEnabled(false);
    }
    ui.actionOpen->setEnabled(false);
    ui.actionSave->setEnabled(false);
    // The sheet is made of the form's values, as a save is.
    ui.actionSheet->setEnabled(false);
    ui.menuDevice->setEnabled(false);
}

void applyVexaGridLayout(Ui::MainWindow& ui)
{
    bindings::layOut(ui);
    // The status panel shows only what the module has: no input 4, no outputs 3 and 4, no
    // analog input, counter or supply voltage.
    QWidget* const missing[] = {ui.label_analog, ui.l_analog,  ui.label_counter, ui.l_counter,
                                ui.label_be4,    ui.label_ki3, ui.label_ki4,     ui.w_be4,
                                ui.w_ki3,        ui.w_ki4,     ui.label_tp,      ui.w_tp};
    for (QWidget* widget : missing)
        widget->hide();
}

} // namespace interfacestate
