#include "core/configuration.h"

#include "core/fieldmap.h"
#include "core/fieldrules.h"
#include "core/formorder.h"
#include "core/readoutcodec.h"

#include <QSet>

namespace {

const QString kSmskpName = QStringLiteral("smskp");

bool isTelRadio(const QString& name)
{
    return name.size() == 4 && name.startsWith(u'r') && name.at(2) == u'_';
}

// The output a telephone row's radio button selects: the number after its last "_".
int radioOutput(const QString& name)
{
    return name.section(u'_', -1).toInt();
}

const QStringList& hiddenList()
{
    static const QStringList names = [] {
        QStringList list{"be4_nev", "be4_on_msg", "be4_off_msg", "ki3_on", "ki4_on", "ki3_off",
                         "ki4_off", "b3",         "b4",          "k3",     "k4"};
        for (const QString& box : formorder::telBoxes()) {
            const int column = formorder::gridPosition(box).column;
            if (column >= 4 && column <= 6)
                list << box;
        }
        return list;
    }();
    return names;
}

const QSet<QString>& hiddenByLayout()
{
    static const QSet<QString> names(hiddenList().cbegin(), hiddenList().cend());
    return names;
}

// Disabled by the layout itself, whatever the values: the analog page, the fixed "+" signs
// and the outputs 3 and 4 of every telephone row.
bool disabledByLayout(const QString& name)
{
    if (formorder::analogEdits().contains(name) || formorder::analogRadios().contains(name))
        return true;
    if (name == QLatin1String("smsplus") || name.startsWith(QLatin1String("tplus_")))
        return true;
    return isTelRadio(name) && radioOutput(name) > 2;
}

} // namespace

Configuration::Configuration() = default;

Configuration Configuration::fresh()
{
    Configuration config;
    for (const QString& name : formorder::allEdits())
        config.m_texts.insert(name, QString());
    config.m_texts.insert(QStringLiteral("smsplus"), QStringLiteral("+"));
    config.m_texts.insert(kSmskpName, fieldrules::providerNumber(0));
    for (int row = 1; row <= 8; ++row)
        config.m_texts.insert(QStringLiteral("tplus_%1").arg(row), QStringLiteral("+"));
    for (const QString& name : formorder::allBoxes())
        config.m_checked.insert(name, false);
    for (const QString& name : formorder::allRadios()) {
        const bool initial = (isTelRadio(name) && radioOutput(name) == 0) ||
                             name == QLatin1String("max_be_15") ||
                             (name.size() == 2 && name.startsWith(u'b'));
        config.m_checked.insert(name, initial);
    }
    // The layout leaves no output above 2 chosen; with every row on "none" there is none.
    return config;
}

Configuration Configuration::fromState(const QHash<QString, QString>& texts,
                                       const QHash<QString, bool>& checked, int provider,
                                       bool unlocked)
{
    Configuration config = fresh();
    for (auto it = texts.cbegin(); it != texts.cend(); ++it) {
        if (config.m_texts.contains(it.key()))
            config.m_texts.insert(it.key(), it.value());
    }
    for (auto it = checked.cbegin(); it != checked.cend(); ++it) {
        if (config.m_checked.contains(it.key()))
            config.m_checked.insert(it.key(), it.value());
    }
    config.m_provider = provider;
    config.m_unlocked = unlocked;
    return config;
}

const QStringList& Configuration::hiddenFields()
{
    return hiddenList();
}

bool Configuration::isDisabledByLayout(const QString& name)
{
    return disabledByLayout(name);
}

Configuration Configuration::connected()
{
    Configuration config = fresh();
    config.m_unlocked = true;
    return config;
}

QString Configuration::text(const QString& edit) const
{
    return m_texts.value(edit);
}

bool Configuration::isChecked(const QString& button) const
{
    return m_checked.value(button, false);
}

void Configuration::setText(const QString& edit, const QString& text)
{
    if (!m_texts.contains(edit))
        return;
    m_texts.insert(edit, text.left(formorder::maxLength(edit)));
}

void Configuration::setChecked(const QString& button, bool checked)
{
    if (!m_checked.contains(button))
        return;
    const QStringList group = formorder::radioGroup(button);
    if (group.isEmpty()) {
        if (m_checked.value(button) == checked)
            return;
        m_checked.insert(button, checked);
        applyPermissionRule();
        return;
    }
    // An exclusive group always keeps one button checked.
    if (!checked)
        return;
    for (const QString& other : group)
        m_checked.insert(other, other == button);
}

void Configuration::selectProvider(int index)
{
    if (index == m_provider || index < 0 || index > fieldrules::kCustomProvider)
        return;
    m_provider = index;
    if (index != fieldrules::kCustomProvider)
        m_texts.insert(kSmskpName, fieldrules::providerNumber(index));
}

bool Configuration::isRowActive(int row) const
{
    for (int column = 1; column <= 6; ++column) {
        if (isChecked(formorder::gridBox(row, column)))
            return true;
    }
    return false;
}

void Configuration::applyPermissionRule()
{
    for (int row = 1; row <= 8; ++row) {
        if (isRowActive(row))
            continue;
        m_checked.insert(formorder::gridBox(row, 7), false);
        m_checked.insert(formorder::gridBox(row, 8), false);
    }
}

bool Configuration::isEnabled(const QString& name) const
{
    if (!m_unlocked || disabledByLayout(name))
        return false;
    if (name == kSmskpName)
        return m_provider == fieldrules::kCustomProvider;
    const formorder::GridPosition position = formorder::gridPosition(name);
    if (position.column == 7 || position.column == 8)
        return isRowActive(position.row);
    return m_texts.contains(name) || m_checked.contains(name);
}

bool Configuration::isHidden(const QString& name) const
{
    return hiddenByLayout().contains(name);
}

QStringList Configuration::lines() const
{
    QStringList lines;
    for (const QString& name : formorder::allEdits())
        lines << text(name);
    for (const QString& name : formorder::allBoxes() + formorder::allRadios())
        lines << QLatin1String(isChecked(name) ? "1" : "0");
    return lines;
}

bool Configuration::load(const QStringList& lines)
{
    if (lines.size() <
        formorder::allEdits().size() + formorder::allBoxes().size() + formorder::allRadios().size())
        return false;

    int line = 0;
    for (const QString& name : formorder::allEdits()) {
        const QString& value = lines.at(line++);
        // A field the layout disables keeps no value of its own, but for the fixed "+"
        // signs and the SMS centre, whose provider is chosen from the list.
        if (isEnabled(name) || value == QLatin1String("+") || name == kSmskpName)
            setText(name, value);
        else
            setText(name, QString());
    }
    // Enabled is asked at each box in turn: a row's RING and SMS boxes come after its
    // alarm columns, so they follow the columns just loaded.
    for (const QString& name : formorder::allBoxes() + formorder::allRadios()) {
        const bool on = lines.at(line++) == QLatin1String("1");
        setChecked(name, on && isEnabled(name));
    }
    selectProvider(fieldrules::providerIndexForNumber(text(kSmskpName)));
    return true;
}

void Configuration::fillFromReadOut(const QStringList& fields)
{
    if (fields.size() != fieldmap::kFieldCount)
        return;

    std::array<readout::TelRow, fieldmap::kTelRows> rows;
    int row = 0;
    for (int number = 1; number <= fieldmap::kFieldCount; ++number) {
        const fieldmap::Field& field = fieldmap::field(number);
        const QString& value = fields.at(number - 1);
        switch (field.kind) {
        case fieldmap::Kind::Text:
        case fieldmap::Kind::ZeroFilled:
            setText(QLatin1String(field.name), value);
            break;
        case fieldmap::Kind::OutputMask: {
            // Every output bistable unless its bit of the mask makes it monostable.
            const int mask = readout::outputModeMask(value);
            for (int n = 1; n <= 4; ++n)
                setChecked(QStringLiteral("k%1").arg(n), true);
            for (int n = 1; n <= 4; ++n) {
                if (mask & (1 << (n - 1)))
                    setChecked(QStringLiteral("b%1").arg(n), true);
            }
            break;
        }
        case fieldmap::Kind::AnalogRange:
            setChecked(readout::analogRange15(value) ? QStringLiteral("max_be_15")
                                                     : QStringLiteral("max_be_30"),
                       true);
            break;
        case fieldmap::Kind::Constant: {
            // The module keeps no thresholds; the form shows the fixed ones it works with.
            const QString constant = QLatin1String(field.name);
            int offset = 0;
            for (const fieldmap::Part& part : field.parts) {
                if (!part.name)
                    continue;
                setText(QLatin1String(part.name), constant.mid(offset, part.width));
                offset += part.width;
            }
            break;
        }
        case fieldmap::Kind::Empty:
            break;
        case fieldmap::Kind::TelRow:
            rows[std::size_t(row)] = readout::decodeTelRow(value);
            setText(QLatin1String(field.name), rows[std::size_t(row)].number);
            ++row;
            break;
        }
    }

    // Row by row, each box as the row's code says; columns 5 and 6 are not this module's.
    for (int y = 1; y <= fieldmap::kTelRows; ++y) {
        for (const QString& box : formorder::telBoxes()) {
            const formorder::GridPosition position = formorder::gridPosition(box);
            if (position.row != y)
                continue;
            const bool on = rows[std::size_t(y - 1)].columnChecked(position.column);
            setChecked(box, on && position.column != 5 && position.column != 6);
        }
    }
    // A row may name only an output whose button the layout leaves usable; any other shows
    // "none", as the layout itself moves such a row to "none".
    for (int y = 1; y <= fieldmap::kTelRows; ++y) {
        const int output = rows[std::size_t(y - 1)].output;
        QString radio = QStringLiteral("r%1_%2").arg(y).arg(output);
        if (output < 0 || output > 4 || disabledByLayout(radio))
            radio = QStringLiteral("r%1_0").arg(y);
        setChecked(radio, true);
    }
    selectProvider(fieldrules::providerIndexForNumber(text(kSmskpName)));
}

frame::FormValues Configuration::frameValues() const
{
    frame::FormValues values;
    for (const QString& name : frame::textFieldNames())
        values.text.insert(name, text(name));
    for (const QString& name : formorder::telBoxes()) {
        const formorder::GridPosition position = formorder::gridPosition(name);
        values.boxes.append(
            {QStringLiteral("%1.%2").arg(position.row).arg(position.column), isChecked(name)});
    }
    for (const QString& name : formorder::allRadios())
        values.radios.append({name, isChecked(name)});
    for (int n = 0; n < 4; ++n)
        values.b[std::size_t(n)] = isChecked(QStringLiteral("b%1").arg(n + 1));
    values.max15 = isChecked(QStringLiteral("max_be_15"));
    return values;
}

bool Configuration::operator==(const Configuration& other) const
{
    return m_texts == other.m_texts && m_checked == other.m_checked &&
           m_provider == other.m_provider && m_unlocked == other.m_unlocked;
}
