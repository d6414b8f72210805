#include "core/downloadframe.h"

#include "core/fieldrules.h"

#include <QDebug>

namespace frame {

namespace {

constexpr int kRows = 8;

enum class Kind {
    Text,        // a line edit's text as it is
    ZeroFilled,  // a line edit's text, "0"-filled to 4 characters (empty gives "0000")
    OutputMask,  // b1 + 2 b2 + 4 b3 + 8 b4, two digits
    AnalogRange, // "0" for the 15 V range, "1" for 30 V
    Constant,    // the text itself
    Empty,
    TelRow, // two code characters, then the number of line edit `name`
};

struct Field
{
    Kind kind;
    const char* name;
};

// The frame, field 1 to field 56.
constexpr std::array<Field, kFieldCount> kFields = {{
    {Kind::Text, "smskp"},       {Kind::ZeroFilled, "m_pin"},  {Kind::ZeroFilled, "m_id"},
    {Kind::Text, "m_nev"},       {Kind::Text, "visszaallas"},  {Kind::ZeroFilled, "rele_time"},
    {Kind::Text, "maxsms"},      {Kind::OutputMask, nullptr},  {Kind::Constant, "000"},
    {Kind::Constant, "299"},     {Kind::AnalogRange, nullptr}, {Kind::Constant, "99999"},
    {Kind::Empty, nullptr},      {Kind::Empty, nullptr},       {Kind::Empty, nullptr},
    {Kind::Empty, nullptr},      {Kind::Text, "abe1_lo_msg"},  {Kind::Text, "abe1_hi_msg"},
    {Kind::Text, "abe1_vissza"}, {Kind::Text, "abe2_hi_msg"},  {Kind::Empty, nullptr},
    {Kind::Empty, nullptr},      {Kind::Text, "be_a1_nev"},    {Kind::Text, "be_a2_nev"},
    {Kind::Text, "be1_nev"},     {Kind::Text, "be2_nev"},      {Kind::Text, "be3_nev"},
    {Kind::Text, "be4_nev"},     {Kind::Text, "be1_on_msg"},   {Kind::Text, "be2_on_msg"},
    {Kind::Text, "be3_on_msg"},  {Kind::Text, "be4_on_msg"},   {Kind::Text, "be1_off_msg"},
    {Kind::Text, "be2_off_msg"}, {Kind::Text, "be3_off_msg"},  {Kind::Text, "be4_off_msg"},
    {Kind::Text, "ki1_on"},      {Kind::Text, "ki2_on"},       {Kind::Text, "ki3_on"},
    {Kind::Text, "ki4_on"},      {Kind::Text, "ki1_off"},      {Kind::Text, "ki2_off"},
    {Kind::Text, "ki3_off"},     {Kind::Text, "ki4_off"},      {Kind::Text, "abe2_clr"},
    {Kind::Text, "act_be"},      {Kind::Text, "act_ki"},       {Kind::Empty, nullptr},
    {Kind::TelRow, "t1"},        {Kind::TelRow, "t2"},         {Kind::TelRow, "t3"},
    {Kind::TelRow, "t4"},        {Kind::TelRow, "t5"},         {Kind::TelRow, "t6"},
    {Kind::TelRow, "t7"},        {Kind::TelRow, "t8"},
}};

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
        for (const Field& field : kFields) {
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
    for (const Field& field : kFields) {
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
