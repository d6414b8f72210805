#include "core/configuration.h"

#include "core/fieldrules.h"
#include "core/readoutcodec.h"

namespace {

using fields::Coding;
using fields::Field;
using fields::Layout;
using fields::Widget;

// The SMS centre's number is the provider list's to write, unless the list says "Egyéni".
const QString kSmsCentre = QStringLiteral("smskp");

} // namespace

Configuration::Configuration() = default;

Configuration Configuration::fresh()
{
    // The table's fresh values leave no output above 2 chosen and no RING/SMS box on.
    return Configuration();
}

Configuration Configuration::connected()
{
    Configuration config;
    config.m_unlocked = true;
    return config;
}

Configuration Configuration::fromState(const QHash<QString, QString>& texts,
                                       const QHash<QString, bool>& checked, int provider,
                                       bool unlocked)
{
    Configuration config;
    for (auto it = texts.cbegin(); it != texts.cend(); ++it) {
        const Field* field = fields::find(it.key());
        if (field && field->widget == Widget::LineEdit)
            config.m_values.setText(it.key(), it.value());
    }
    for (auto it = checked.cbegin(); it != checked.cend(); ++it) {
        const Field* field = fields::find(it.key());
        if (field && field->widget != Widget::LineEdit)
            config.m_values.setChecked(it.key(), it.value());
    }
    config.m_provider = provider;
    config.m_unlocked = unlocked;
    return config;
}

QString Configuration::text(const QString& edit) const
{
    const Field* field = fields::find(edit);
    return field && field->widget == Widget::LineEdit ? m_values.text(edit) : QString();
}

bool Configuration::isChecked(const QString& button) const
{
    const Field* field = fields::find(button);
    return field && field->widget != Widget::LineEdit && m_values.isChecked(button);
}

void Configuration::setText(const QString& edit, const QString& text)
{
    const Field* field = fields::find(edit);
    if (field && field->widget == Widget::LineEdit)
        m_values.setText(edit, text.left(field->maxLength));
}

void Configuration::setChecked(const QString& button, bool checked)
{
    const Field* field = fields::find(button);
    if (!field || field->widget == Widget::LineEdit)
        return;
    if (field->widget == Widget::CheckBox) {
        if (m_values.isChecked(button) == checked)
            return;
        m_values.setChecked(button, checked);
        applyPermissionRule();
        return;
    }
    // An exclusive group always keeps one button checked.
    if (!checked)
        return;
    for (const QString& other : fields::radioGroup(button))
        m_values.setChecked(other, other == button);
}

void Configuration::selectProvider(int index)
{
    if (index == m_provider || index < 0 || index > fieldrules::kCustomProvider)
        return;
    m_provider = index;
    applyProvider();
}

void Configuration::applyProvider()
{
    if (m_provider != fieldrules::kCustomProvider)
        m_values.setText(kSmsCentre, fieldrules::providerNumber(m_provider));
}

bool Configuration::isRowActive(int row) const
{
    for (int column = 1; column <= fields::kAlarmColumns; ++column) {
        if (m_values.isChecked(fields::gridBox(row, column)))
            return true;
    }
    return false;
}

void Configuration::applyPermissionRule()
{
    for (int row = 1; row <= fields::kTelRows; ++row) {
        if (isRowActive(row))
            continue;
        m_values.setChecked(fields::gridBox(row, fields::kRingColumn), false);
        m_values.setChecked(fields::gridBox(row, fields::kSmsColumn), false);
    }
}

void Configuration::applyLayout()
{
    for (const Field& field : fields::all()) {
        if (field.widget == Widget::CheckBox && field.layout == Layout::Hidden)
            setChecked(QLatin1String(field.name), false);
    }
    applyPermissionRule();
    for (const Field& field : fields::all()) {
        if (field.coding == Coding::TelOutput && field.layout == Layout::Disabled &&
            m_values.isChecked(QLatin1String(field.name)))
            setChecked(fields::outputButton(field.row, 0), true);
    }
}

bool Configuration::isEnabledInLayout(const QString& name) const
{
    const Field* field = fields::find(name);
    if (!field || field->layout == Layout::Disabled)
        return false;
    if (name == kSmsCentre)
        return m_provider == fieldrules::kCustomProvider;
    if (field->widget == Widget::CheckBox &&
        (field->column == fields::kRingColumn || field->column == fields::kSmsColumn))
        return isRowActive(field->row);
    return true;
}

bool Configuration::isEnabled(const QString& name) const
{
    return m_unlocked && isEnabledInLayout(name);
}

bool Configuration::isHidden(const QString& name) const
{
    const Field* field = fields::find(name);
    return field && field->layout == Layout::Hidden;
}

Expected<void> Configuration::load(const QStringList& lines)
{
    if (lines.size() < fields::kCount)
        return Failure(messages::Code::FileTooShort,
                       QStringLiteral("túl rövid: %1 sor, egy konfigurációs fájl %2 sorból áll "
                                      "(régebbi vagy csonka fájl).")
                           .arg(lines.size())
                           .arg(fields::kCount),
                       {{QStringLiteral("lines"), int(lines.size())}});

    // Enabled is asked at each field in turn: a row's RING and SMS boxes come after its alarm
    // columns, so they follow the columns just loaded.
    for (int index = 0; index < fields::kCount; ++index) {
        const Field& field = fields::all()[std::size_t(index)];
        const QString name = QLatin1String(field.name);
        const QString& value = lines.at(index);
        if (field.widget == Widget::LineEdit) {
            // A field the layout disables keeps no value of its own, but for the fixed "+"
            // signs and the SMS centre, whose provider is chosen from the list.
            const bool keep = isEnabled(name) || value == QLatin1String("+") || name == kSmsCentre;
            setText(name, keep ? value : QString());
        } else {
            setChecked(name, value == QLatin1String("1") && isEnabled(name));
        }
    }
    selectProvider(fieldrules::providerIndexForNumber(text(kSmsCentre)));
    return {};
}

void Configuration::fillFromReadOut(const QStringList& record)
{
    if (record.size() != fields::kSlots)
        return;

    std::array<readout::TelRow, fields::kTelRows> rows;
    for (int row = 1; row <= fields::kTelRows; ++row)
        rows[std::size_t(row - 1)] =
            readout::decodeTelRow(record.at(fields::kFirstTelSlot + row - 2));

    for (const Field& field : fields::all()) {
        const QString name = QLatin1String(field.name);
        const QString value = field.slot > 0 ? record.at(field.slot - 1) : QString();
        switch (field.coding) {
        case Coding::Text:
            setText(name, value);
            break;
        case Coding::Constant:
            // The module keeps no thresholds; the form shows the fixed ones it works with.
            setText(name, QLatin1String(field.constant));
            break;
        case Coding::TelNumber:
            setText(name, rows[std::size_t(field.row - 1)].number);
            break;
        case Coding::Bistable:
            // Every output bistable unless its bit of the mask makes it monostable.
            setChecked(name, true);
            break;
        case Coding::Monostable:
            if (readout::outputModeMask(value) & (1 << (field.row - 1)))
                setChecked(name, true);
            break;
        case Coding::Range15:
            if (readout::analogRange15(value))
                setChecked(name, true);
            break;
        case Coding::Range30:
            if (!readout::analogRange15(value))
                setChecked(name, true);
            break;
        case Coding::None:
        case Coding::TelColumn:
        case Coding::TelUnsent:
        case Coding::TelOutput:
            break;
        }
    }

    fillRows(rows);
    selectProvider(fieldrules::providerIndexForNumber(text(kSmsCentre)));
}

void Configuration::fillRows(const std::array<readout::TelRow, fields::kTelRows>& rows)
{
    // Row by row, each box as the row's code says; columns 5 and 6 are not this module's.
    for (int row = 1; row <= fields::kTelRows; ++row) {
        for (const Field& field : fields::all()) {
            if (field.widget != Widget::CheckBox || field.row != row)
                continue;
            const bool on = rows[std::size_t(row - 1)].columnChecked(field.column);
            setChecked(QLatin1String(field.name), on && field.coding != Coding::TelUnsent);
        }
    }
    // A row may name only an output whose button the layout leaves usable; any other shows
    // "none", as the layout itself moves such a row to "none".
    for (int row = 1; row <= fields::kTelRows; ++row) {
        QString radio = fields::outputButton(row, rows[std::size_t(row - 1)].output);
        const Field* field = fields::find(radio);
        if (!field || field->layout == Layout::Disabled)
            radio = fields::outputButton(row, 0);
        setChecked(radio, true);
    }
}

bool Configuration::operator==(const Configuration& other) const
{
    return m_values == other.m_values && m_provider == other.m_provider &&
           m_unlocked == other.m_unlocked;
}
