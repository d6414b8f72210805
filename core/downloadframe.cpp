#include "core/downloadframe.h"

#include "core/fieldmap.h"
#include "core/fieldrules.h"

#include <QDebug>

namespace frame {

namespace {

constexpr int kRows = fieldmap::kTelRows;
using fieldmap::Kind;

// Two decimal integers around a separator: row and column of a grid box ("2.7"), or row and
// value of a radio button's name without its "r" ("2_3"). The first and the last piece count.
struct Pair
{
    int first = 0;
    int last = 0;
    bool ok = false;
};

Pair parsePair(const QString& text, QChar separator)
{
    const QStringList pieces = text.split(separator);
    Pair pair;
    bool okFirst = false;
    bool okLast = false;
    pair.first = pieces.first().toInt(&okFirst, 10);
    pair.last = pieces.last().toInt(&okLast, 10);
    pair.ok = okFirst && okLast;
    return pair;
}

// Per-row sums behind the two code characters. Unsigned, so that sums wrap instead of
// overflowing; only their low 8 bits reach the frame.
struct RowCodes
{
    std::array<unsigned, kRows> permissions{};
    std::array<unsigned, kRows> modes{};
};

void add(std::array<unsigned, kRows>& sums, int row, unsigned amount)
{
    // Rows outside 1..8 belong to no telephone field.
    if (row >= 1 && row <= kRows)
        sums[row - 1] += amount;
}

// Bad names are reported once, by build(); the clash check passes over them quietly.
RowCodes collectRows(const FormValues& values, bool reportBadNames)
{
    RowCodes codes;
    for (const Box& box : values.boxes) {
        const Pair rc = parsePair(box.group, u'.');
        if (!rc.ok) {
            if (reportBadNames)
                qDebug() << "toInt error.";
            continue;
        }
        const int column = rc.last;
        if (column == 8) {
            // The SMS box travels inverted: 8 means "no SMS".
            if (!box.checked)
                add(codes.modes, rc.first, 8);
        } else if (box.checked && column >= 1 && column <= 7 && column != 5 && column != 6) {
            // Columns 5 and 6 are not used by this module and never count.
            add(codes.permissions, rc.first, 1u << (column - 1));
        }
    }

    for (const Radio& radio : values.radios) {
        if (!radio.name.startsWith(u'r'))
            continue;
        const Pair rv = parsePair(radio.name.mid(1), u'_');
        if (!rv.ok) {
            if (reportBadNames)
                qDebug() << "toInt error.";
            continue;
        }
        if (radio.checked)
            add(codes.modes, rv.first, static_cast<unsigned>(rv.last));
    }
    return codes;
}

QChar codeChar(unsigned sum)
{
    return QChar(char16_t((0x30u + sum) & 0xFFu));
}

} // namespace

const QStringList& textFieldNames()
{
    static const QStringList names = [] {
        QStringList list;
        for (const fieldmap::Field& field : fieldmap::fields()) {
            if (field.kind == Kind::Text || field.kind == Kind::ZeroFilled ||
                field.kind == Kind::TelRow)
                list.append(QLatin1StringView(field.name));
        }
        return list;
    }();
    return names;
}

QString build(const FormValues& values, QChar separator)
{
    const RowCodes codes = collectRows(values, true);
    int row = 0;

    QString out;
    out.reserve(kFieldCount * (kFieldWidth + 1));
    for (const fieldmap::Field& field : fieldmap::fields()) {
        QString text;
        switch (field.kind) {
        case Kind::Text:
            text = values.text.value(QLatin1StringView(field.name));
            break;
        case Kind::ZeroFilled:
            text = fieldrules::zeroFill(values.text.value(QLatin1StringView(field.name)), 4);
            break;
        case Kind::OutputMask: {
            int mask = 0;
            for (int n = 0; n < 4; ++n) {
                if (values.b[n])
                    mask |= 1 << n;
            }
            text = fieldrules::zeroFill(QString::number(mask), 2);
            break;
        }
        case Kind::AnalogRange:
            text = values.max15 ? QStringLiteral("0") : QStringLiteral("1");
            break;
        case Kind::Constant:
            text = QLatin1StringView(field.name);
            break;
        case Kind::Empty:
            break;
        case Kind::TelRow:
            text += codeChar(codes.permissions[row]);
            text += codeChar(codes.modes[row]);
            text += values.text.value(QLatin1StringView(field.name));
            ++row;
            break;
        }
        out += text.leftJustified(kFieldWidth, u' ', false);
        out += separator;
    }
    if (out.count(separator) != kFieldCount)
        return QString();
    return out;
}

int separatorClashRow(const FormValues& values, QChar separator)
{
    const RowCodes codes = collectRows(values, false);
    for (int row = 1; row <= kRows; ++row) {
        if (codeChar(codes.permissions[row - 1]) == separator ||
            codeChar(codes.modes[row - 1]) == separator)
            return row;
    }
    return 0;
}

} // namespace frame
