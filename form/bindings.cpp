#include "form/bindings.h"

#include "core/formorder.h"
#include "ui_mainwindow.h"

#include <QCheckBox>
#include <QHash>
#include <QLineEdit>
#include <QRadioButton>

namespace bindings {

namespace {

// The form's widgets by object name, found in one walk of the central widget.
template <class T> QHash<QString, T*> byName(const Ui::MainWindow& ui)
{
    QHash<QString, T*> map;
    const auto widgets = ui.centralWidget->findChildren<T*>();
    for (T* widget : widgets)
        map.insert(widget->objectName(), widget);
    return map;
}

} // namespace

Configuration take(const Ui::MainWindow& ui)
{
    QHash<QString, QString> texts;
    const auto edits = byName<QLineEdit>(ui);
    for (auto it = edits.cbegin(); it != edits.cend(); ++it)
        texts.insert(it.key(), it.value()->text());
    QHash<QString, bool> checked;
    const auto buttons = byName<QAbstractButton>(ui);
    for (auto it = buttons.cbegin(); it != buttons.cend(); ++it) {
        if (it.value()->isCheckable())
            checked.insert(it.key(), it.value()->isChecked());
    }
    return Configuration::fromState(texts, checked, ui.smskp_combo->currentIndex(),
                                    ui.tabWidget->isEnabled());
}

void put(const Configuration& config, Ui::MainWindow& ui)
{
    const auto edits = byName<QLineEdit>(ui);
    for (const QString& name : formorder::allEdits()) {
        QLineEdit* edit = edits.value(name);
        if (edit && edit->text() != config.text(name))
            edit->setText(config.text(name));
    }
    const auto boxes = byName<QCheckBox>(ui);
    for (const QString& name : formorder::allBoxes()) {
        if (QCheckBox* box = boxes.value(name))
            box->setChecked(config.isChecked(name));
    }
    // Checking a button unchecks the others of its group; none can be unchecked directly.
    const auto radios = byName<QRadioButton>(ui);
    for (const QString& name : formorder::allRadios()) {
        QRadioButton* radio = radios.value(name);
        if (radio && config.isChecked(name))
            radio->setChecked(true);
    }
    // The list announces only a real change, and its reaction (smskpSelect) is the form's.
    ui.smskp_combo->setCurrentIndex(config.provider());
}

} // namespace bindings
