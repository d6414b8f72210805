#include "form/bindings.h"

#include "core/fieldrules.h"
#include "ui_mainwindow.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHash>
#include <QLineEdit>
#include <QRadioButton>

namespace bindings {

namespace {

using fields::Field;
using fields::Widget;

// The form's widgets by object name, found in one walk of the central widget.
template <class T> QHash<QString, T*> byName(const Ui::MainWindow& ui)
{
    QHash<QString, T*> map;
    const auto widgets = ui.centralWidget->findChildren<T*>();
    for (T* widget : widgets)
        map.insert(widget->objectName(), widget);
    return map;
}

const QString kSmsCentre = QStringLiteral("smskp");

// The RING and SMS boxes of every row, whose state follows the row's alarm columns.
const QStringList& notificationBoxes()
{
    static const QStringList names = [] {
        QStringList list;
        for (int row = 1; row <= fields::kTelRows; ++row)
            list << fields::gridBox(row, fields::kRingColumn)
                 << fields::gridBox(row, fields::kSmsColumn);
        return list;
    }();
    return names;
}

} // namespace

QGroupBox* groupBox(const Ui::MainWindow& ui, fields::Group group)
{
    return ui.centralWidget->findChild<QGroupBox*>(fields::boxName(group));
}

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
    for (const QString& name : fields::allEdits()) {
        QLineEdit* edit = edits.value(name);
        if (edit && edit->text() != config.text(name))
            edit->setText(config.text(name));
    }
    const auto boxes = byName<QCheckBox>(ui);
    for (const QString& name : fields::allBoxes()) {
        if (QCheckBox* box = boxes.value(name))
            box->setChecked(config.isChecked(name));
    }
    // Checking a button unchecks the others of its group; none can be unchecked directly.
    const auto radios = byName<QRadioButton>(ui);
    for (const QString& name : fields::allRadios()) {
        QRadioButton* radio = radios.value(name);
        if (radio && config.isChecked(name))
            radio->setChecked(true);
    }
    // The list announces only a real change, and its reaction (smskpSelect) is the form's.
    ui.smskp_combo->setCurrentIndex(config.provider());
}

void applyFieldFacts(Ui::MainWindow& ui)
{
    // Signals are not connected yet: filling the list chooses its first item quietly.
    for (int index = 0; index < fieldrules::providerCount(); ++index)
        ui.smskp_combo->addItem(fieldrules::providerName(index));

    const auto widgets = byName<QWidget>(ui);
    for (const Field& field : fields::all()) {
        QWidget* widget = widgets.value(QLatin1String(field.name));
        if (!widget)
            continue;
        widget->setAccessibleName(fields::caption(field));
        if (auto* edit = qobject_cast<QLineEdit*>(widget))
            edit->setMaxLength(field.maxLength);
        if (field.widget == Widget::CheckBox)
            widget->setProperty("group", QStringLiteral("%1.%2").arg(field.row).arg(field.column));
    }
}

void applyEnabled(const Configuration& config, Ui::MainWindow& ui, const QStringList& names)
{
    const auto widgets = byName<QWidget>(ui);
    for (const QString& name : names) {
        if (QWidget* widget = widgets.value(name))
            widget->setEnabled(config.isEnabledInLayout(name));
    }
}

void applyLayout(const Configuration& config, Ui::MainWindow& ui)
{
    applyEnabled(config, ui,
                 fields::namesOf(Widget::LineEdit) + fields::allBoxes() + fields::allRadios());
    const auto widgets = byName<QWidget>(ui);
    QList<bool> pageUsable(ui.tabWidget->count(), false);
    for (const Field& field : fields::all()) {
        const QString name = QLatin1String(field.name);
        if (config.isHidden(name)) {
            if (QWidget* widget = widgets.value(name))
                widget->hide();
            if (QWidget* label = field.label ? widgets.value(QLatin1String(field.label)) : nullptr)
                label->hide();
        }
        if (field.layout != fields::Layout::Disabled)
            pageUsable[fields::pageOf(field)] = true;
    }
    // The analog page: the module has no analog input, so the whole page stays greyed.
    for (int page = 0; page < pageUsable.size(); ++page) {
        if (!pageUsable.at(page))
            ui.tabWidget->setTabEnabled(page, false);
    }
}

void layOut(Ui::MainWindow& ui)
{
    Configuration config = take(ui);
    config.applyLayout();
    put(config, ui);
    applyLayout(config, ui);
}

void followPermissions(Ui::MainWindow& ui)
{
    // Unchecking a box below re-enters this function through its state change; the RING
    // and SMS boxes never count, so the nested run finds the same rows active. Only the
    // boxes the rule decides are touched: this runs at every change of a grid box.
    Configuration config = take(ui);
    config.applyPermissionRule();
    for (const QString& name : notificationBoxes()) {
        auto* box = ui.g_tel->findChild<QCheckBox*>(name);
        if (!box)
            continue;
        box->setChecked(config.isChecked(name));
        box->setEnabled(config.isEnabledInLayout(name));
    }
}

void followProvider(Ui::MainWindow& ui)
{
    Configuration config = take(ui);
    config.applyProvider();
    ui.smskp->setText(config.text(kSmsCentre));
    ui.smskp->setEnabled(config.isEnabledInLayout(kSmsCentre));
    if (ui.smskp->isEnabled())
        ui.smskp->setFocus();
}

} // namespace bindings
