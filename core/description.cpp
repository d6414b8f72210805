#include "core/description.h"

#include "core/fieldrules.h"

namespace description {

namespace {

using fields::Coding;
using fields::Field;
using fields::Group;
using fields::Layout;
using fields::Widget;

// The phases' letters over the grid's first three columns; the wider family's further
// columns go by their numbers.
constexpr const char* kColumnNames[fields::kAlarmColumns] = {"R", "S", "T", "4.", "5.", "6."};
// The VexaGrid-3 watches three phases.
constexpr int kUsedColumns = 3;

const QString kPinMask = QStringLiteral("****");

Item fieldItem(const Field& field, const fields::Values& values, const Options& options)
{
    Item item;
    item.key = QLatin1String(field.name);
    item.names = {item.key};
    item.caption = fields::caption(field);
    item.section = fields::sectionOf(field.group);
    item.plain = values.text(item.key);
    item.value = item.plain;
    item.used = field.layout == Layout::Shown;
    if (field.rule == fields::Rule::SmsCentre && !item.plain.isEmpty()) {
        const int provider = fieldrules::providerIndexForNumber(item.plain);
        item.value = QStringLiteral("+%1 (%2)").arg(item.plain, fieldrules::providerName(provider));
    }
    if (item.key == QLatin1String("m_pin") && !options.pin && !item.plain.isEmpty())
        item.value = kPinMask;
    return item;
}

// A pair of buttons read as one item: what the pair sets, and the checked button's choice.
Item choiceItem(const Field& first, const fields::Values& values)
{
    Item item;
    item.key = QLatin1String(first.name);
    item.caption = QString::fromUtf8(first.caption);
    item.section = fields::sectionOf(first.group);
    item.used = first.layout == Layout::Shown;
    for (const QString& name : fields::radioGroup(item.key)) {
        item.names << name;
        if (values.isChecked(name))
            item.plain = QString::fromUtf8(fields::find(name)->choice);
    }
    item.value = item.plain;
    return item;
}

// An output's mode: its monostable button and its bistable partner.
Item modeItem(const Field& monostable, const fields::Values& values)
{
    Item item = choiceItem(monostable, values);
    item.caption += QStringLiteral(" rácsengetéskor");
    return item;
}

QStringList rowNames(int row)
{
    QStringList names;
    for (const Field& field : fields::all()) {
        if (field.row == row && field.group == Group::Telephone && field.coding != Coding::None)
            names << QLatin1String(field.name);
    }
    return names;
}

QList<Item> rowItems(int number, const fields::Values& values)
{
    const TelRow row = rowOf(values, number);
    const QStringList names = rowNames(number);

    Item used;
    used.key = QStringLiteral("t%1").arg(number);
    used.caption = fields::caption(used.key);
    used.section = Section::Telephones;
    TelRow shown = row;
    for (int column = kUsedColumns; column < fields::kAlarmColumns; ++column)
        shown.columns[std::size_t(column)] = false;
    used.row = shown;
    used.plain = rowText(shown);
    used.value = used.plain;

    // The columns the wider family's modules have, kept apart.
    Item unused;
    unused.key = QStringLiteral("t%1.4-6").arg(number);
    unused.caption = QStringLiteral("%1, 4-6. riasztási oszlop").arg(used.caption);
    unused.section = Section::Telephones;
    unused.used = false;
    QStringList on;
    for (int column = kUsedColumns; column < fields::kAlarmColumns; ++column) {
        if (row.columns[std::size_t(column)])
            on << QLatin1String(kColumnNames[column]);
    }
    unused.plain = on.isEmpty() ? QStringLiteral("nincs") : on.join(u' ');
    unused.value = unused.plain;

    for (const QString& name : names) {
        const int column = fields::gridPosition(name).column;
        if (column > kUsedColumns && column <= fields::kAlarmColumns)
            unused.names << name;
        else
            used.names << name;
    }
    return {used, unused};
}

} // namespace

bool TelRow::isSet() const
{
    bool any = !number.isEmpty() || ring || sms || output != 0;
    for (const bool column : columns)
        any = any || column;
    return any;
}

bool TelRow::operator==(const TelRow& other) const
{
    return row == other.row && number == other.number && ring == other.ring && sms == other.sms &&
           columns == other.columns && output == other.output;
}

TelRow rowOf(const fields::Values& values, int number)
{
    TelRow row;
    row.row = number;
    row.output = -1;
    for (const Field& field : fields::all()) {
        if (field.row != number || field.group != Group::Telephone)
            continue;
        const QString name = QLatin1String(field.name);
        switch (field.coding) {
        case Coding::TelNumber:
            row.number = values.text(name);
            break;
        case Coding::TelColumn:
        case Coding::TelUnsent:
            if (field.column == fields::kRingColumn)
                row.ring = values.isChecked(name);
            else if (field.column == fields::kSmsColumn)
                row.sms = values.isChecked(name);
            else
                row.columns[std::size_t(field.column - 1)] = values.isChecked(name);
            break;
        case Coding::TelOutput:
            if (values.isChecked(name))
                row.output = field.column;
            break;
        default:
            break;
        }
    }
    return row;
}

QString rowText(const TelRow& row)
{
    if (!row.isSet())
        return QStringLiteral("nincs megadva");
    QStringList parts;
    parts << (row.number.isEmpty() ? QStringLiteral("nincs szám") : u'+' + row.number);
    if (row.ring)
        parts << QStringLiteral("RING");
    if (row.sms)
        parts << QStringLiteral("SMS");
    QStringList phases;
    for (int column = 0; column < fields::kAlarmColumns; ++column) {
        if (row.columns[std::size_t(column)])
            phases << QLatin1String(kColumnNames[column]);
    }
    if (!phases.isEmpty())
        parts << QStringLiteral("fázis ") + phases.join(u' ');
    if (row.output > 0)
        parts << QStringLiteral("kimenet %1").arg(row.output);
    else if (row.output < 0)
        parts << QStringLiteral("kimenet ismeretlen");
    return parts.join(QStringLiteral(", "));
}

QList<Item> describe(const fields::Values& values, const Options& options)
{
    QList<Item> items;
    for (const Field& field : fields::all()) {
        if (field.widget == Widget::LineEdit && field.coding != Coding::None &&
            field.coding != Coding::TelNumber)
            items << fieldItem(field, values, options);
        else if (field.coding == Coding::Monostable)
            items << modeItem(field, values);
        else if (field.coding == Coding::Range15)
            items << choiceItem(field, values);
    }
    for (int row = 1; row <= fields::kTelRows; ++row)
        items << rowItems(row, values);

    // Section by section, the used items of a section before the ones the module lacks.
    QList<Item> ordered;
    for (const Section section : kSections) {
        for (const bool used : {true, false}) {
            for (const Item& item : items) {
                if (item.section == section && item.used == used)
                    ordered << item;
            }
        }
    }
    return ordered;
}

QList<Difference> compare(const QList<Item>& left, const QList<Item>& right)
{
    QList<Difference> differences;
    for (const Item& item : left) {
        for (const Item& other : right) {
            if (other.key != item.key)
                continue;
            if (other.plain != item.plain)
                differences << Difference{item.key,    item.caption, item.section, item.value,
                                          other.value, item.used,    item.names};
            break;
        }
    }
    return differences;
}

} // namespace description
