#include "core/downloadframe.h"

#include "core/fieldrules.h"

namespace frame {

namespace {

using fields::Coding;
using fields::Field;

// The output-mode number is written in two digits, "00" ... "15".
constexpr int kModeDigits = 2;
// The SMS box travels inverted in the second code character: 8 means "no SMS".
constexpr unsigned kNoSms = 8;
constexpr int kSmsColumn = 8;

// The slots' fields, looked up once.
const QList<QList<int>>& slotTable()
{
    static const QList<QList<int>> table = [] {
        QList<QList<int>> list(fields::kSlots + 1);
        for (int slot = 1; slot <= fields::kSlots; ++slot)
            list[slot] = fields::slotFields(slot);
        return list;
    }();
    return table;
}

const Field& fieldAt(int index)
{
    return fields::all()[std::size_t(index)];
}

// Sums behind a row's two code characters. Unsigned, so that sums wrap instead of
// overflowing; only their low 8 bits reach the frame.
struct Codes
{
    unsigned permissions = 0;
    unsigned mode = 0;
};

Codes rowCodes(const fields::Values& values, int row)
{
    Codes codes;
    for (const int index : slotTable().at(fields::kFirstTelSlot + row - 1)) {
        const Field& field = fieldAt(index);
        const bool checked = values.isCheckedAt(index);
        if (field.coding == Coding::TelColumn) {
            if (field.column == kSmsColumn) {
                if (!checked)
                    codes.mode += kNoSms;
            } else if (checked) {
                codes.permissions += 1u << (field.column - 1);
            }
        } else if (field.coding == Coding::TelOutput && checked) {
            codes.mode += unsigned(field.column);
        }
    }
    return codes;
}

QChar codeChar(unsigned sum)
{
    return QChar(char16_t((0x30u + sum) & 0xFFu));
}

QString slotText(const fields::Values& values, int slot)
{
    const QList<int>& members = slotTable().at(slot);
    if (members.isEmpty())
        return QString();
    const Field& first = fieldAt(members.first());
    switch (first.coding) {
    case Coding::None:
        break;
    case Coding::Text: {
        const QString text = values.at(members.first());
        return first.zeroFill > 0 ? fieldrules::zeroFill(text, first.zeroFill) : text;
    }
    case Coding::Constant: {
        QString text;
        for (const int index : members)
            text += QLatin1String(fieldAt(index).constant);
        return text;
    }
    case Coding::Monostable:
    case Coding::Bistable: {
        int mask = 0;
        for (const int index : members) {
            if (fieldAt(index).coding == Coding::Monostable && values.isCheckedAt(index))
                mask |= 1 << (fieldAt(index).row - 1);
        }
        return fieldrules::zeroFill(QString::number(mask), kModeDigits);
    }
    case Coding::Range15:
    case Coding::Range30:
        for (const int index : members) {
            if (fieldAt(index).coding == Coding::Range15)
                return QLatin1String(values.isCheckedAt(index) ? "0" : "1");
        }
        break;
    case Coding::TelNumber:
    case Coding::TelColumn:
    case Coding::TelUnsent:
    case Coding::TelOutput:
        for (const int index : members) {
            if (fieldAt(index).coding == Coding::TelNumber)
                return rowCode(values, fieldAt(index).row) + values.at(index);
        }
        break;
    }
    return QString();
}

} // namespace

QString rowCode(const fields::Values& values, int row)
{
    const Codes codes = rowCodes(values, row);
    return QString(codeChar(codes.permissions)) + codeChar(codes.mode);
}

QStringList slotTexts(const fields::Values& values)
{
    QStringList texts;
    for (int slot = 1; slot <= fields::kSlots; ++slot)
        texts << slotText(values, slot);
    return texts;
}

Expected<QString> build(const fields::Values& values, QChar separator)
{
    QString out;
    out.reserve(fields::kSlots * (fields::kSlotWidth + 1));
    for (const QString& text : slotTexts(values)) {
        out += text.leftJustified(fields::kSlotWidth, u' ', false);
        out += separator;
    }
    const int separators = int(out.count(separator));
    if (separators != fields::kSlots)
        return Failure(messages::Code::Unsendable,
                       QStringLiteral("A keret nem küldhető el: %1 elválasztó van benne %2 "
                                      "helyett.")
                           .arg(separators)
                           .arg(fields::kSlots),
                       {{QStringLiteral("separators"), separators}});
    return out;
}

int separatorClashRow(const fields::Values& values, QChar separator)
{
    for (int row = 1; row <= fields::kTelRows; ++row) {
        if (rowCode(values, row).contains(separator))
            return row;
    }
    return 0;
}

} // namespace frame
