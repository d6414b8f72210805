#include "core/readoutcodec.h"

#include <QByteArray>

namespace readout {

namespace {

// The module's code characters are bytes taken as signed 8-bit values. A character without a
// Latin-1 code cannot come off the line; it counts as 0.
int signedCode(QChar c)
{
    const int value = c.unicode() <= 0xFF ? c.unicode() : 0;
    return value >= 0x80 ? value - 0x100 : value;
}

} // namespace

QString normalise(const QString& raw)
{
    QString text = raw;
    text.replace(QChar(0xFF), u' ');
    text.replace(QLatin1StringView("\r\n"), QLatin1StringView("|"));
    text.replace(u'\n', u'|');
    text.replace(u'\r', u'|');
    return text;
}

Expected<QStringList> split(const QString& normalised, QChar separator)
{
    const QStringList pieces = normalised.split(separator, Qt::KeepEmptyParts);
    if (pieces.first() == normalised)
        return Failure(messages::Code::UnknownFormat,
                       QStringLiteral("A kiolvasás válaszában nincs mezőelválasztó."),
                       {{QStringLiteral("reason"), QStringLiteral("no-separator")},
                        {QStringLiteral("count"), 0}});

    QStringList fields;
    for (const QString& piece : pieces) {
        if (piece.isEmpty())
            continue;
        qsizetype end = piece.size();
        while (end > 0 && piece.at(end - 1) == u' ')
            --end;
        fields.append(piece.left(end));
    }
    if (fields.size() != kFieldCount)
        return Failure(messages::Code::UnknownFormat,
                       QStringLiteral("A kiolvasás válasza %1 mezőből áll, %2 kell.")
                           .arg(fields.size())
                           .arg(kFieldCount),
                       {{QStringLiteral("reason"), QStringLiteral("wrong-count")},
                        {QStringLiteral("count"), int(fields.size())}});
    return fields;
}

int outputModeMask(const QString& field8)
{
    bool ok = false;
    const int mask = field8.toInt(&ok, 10);
    return ok ? mask : 0;
}

bool analogRange15(const QString& field11)
{
    return field11.startsWith(u'0');
}

TelRow decodeTelRow(const QString& field)
{
    TelRow row;
    if (field.size() < 2)
        return row;

    row.valid = true;
    row.permissions = signedCode(field.at(0)) - 48;
    const int c1 = signedCode(field.at(1)) - 48;
    if (c1 <= 7) {
        // "0" + M: the SMS box (column 8) is set.
        row.permissions += 128;
        row.output = c1;
    } else {
        row.output = c1 - 8;
    }
    row.number = field.mid(2);
    return row;
}

fields::Values decodeRecord(const QStringList& record)
{
    using fields::Coding;
    fields::Values values;
    QList<int> offsets(fields::kSlots + 1, 0);
    for (int index = 0; index < fields::kCount; ++index) {
        const fields::Field& field = fields::all()[std::size_t(index)];
        if (field.slot < 1 || field.slot > record.size())
            continue;
        const QString& value = record.at(field.slot - 1);
        switch (field.coding) {
        case Coding::None:
            break;
        case Coding::Text:
            values.setAt(index, value);
            break;
        case Coding::Constant: {
            const int width = int(qstrlen(field.constant));
            values.setAt(index, value.mid(offsets[field.slot], width));
            offsets[field.slot] += width;
            break;
        }
        case Coding::Monostable:
        case Coding::Bistable: {
            const bool monostable = outputModeMask(value) & (1 << (field.row - 1));
            values.setAt(
                index,
                QLatin1String(monostable == (field.coding == Coding::Monostable) ? "1" : "0"));
            break;
        }
        case Coding::Range15:
        case Coding::Range30:
            values.setAt(
                index, QLatin1String(
                           analogRange15(value) == (field.coding == Coding::Range15) ? "1" : "0"));
            break;
        case Coding::TelNumber:
            values.setAt(index, decodeTelRow(value).number);
            break;
        case Coding::TelColumn:
        case Coding::TelUnsent:
            values.setAt(
                index, QLatin1String(decodeTelRow(value).columnChecked(field.column) ? "1" : "0"));
            break;
        case Coding::TelOutput:
            values.setAt(index,
                         QLatin1String(decodeTelRow(value).output == field.column ? "1" : "0"));
            break;
        }
    }
    return values;
}

} // namespace readout
