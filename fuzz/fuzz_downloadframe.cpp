#include "core/downloadframe.h"

#include "core/readoutcodec.h"
#include "fuzz/fuzztarget.h"

#include <QtGlobal>

namespace {

class Reader
{
public:
    Reader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    int byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    bool flag() { return byte() & 1; }
    QString text(int maxLength)
    {
        const int length = byte() % (maxLength + 1);
        QString text;
        for (int i = 0; i < length; ++i)
            text += QChar(char16_t(byte()));
        return text;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

QString padded(const QString& text)
{
    return text.leftJustified(fields::kSlotWidth, u' ');
}

// Any values at all, even several buttons of one group checked: the frame keeps its layout.
void checkAnyForm(Reader& in)
{
    const QChar separator = in.flag() ? QChar(u'|') : QChar(char16_t(in.byte()));
    const bool separatorInTexts = in.byte() == 0;
    fields::Values values;
    for (int index = 0; index < fields::kCount; ++index) {
        const fields::Field& field = fields::all()[std::size_t(index)];
        if (field.widget != fields::Widget::LineEdit) {
            values.setAt(index, QLatin1StringView(in.flag() ? "1" : "0"));
        } else if (in.flag()) {
            QString text = in.text(20);
            values.setAt(index, separatorInTexts ? text : text.remove(separator));
        }
    }

    const Expected<QString> built = frame::build(values, separator);
    if (!built) {
        // Refused: the separator would have been inside a field.
        bool inText = QStringLiteral(" 0123459").contains(separator);
        for (const QString& text : values.lines())
            inText = inText || text.contains(separator);
        fuzzCheck(inText || frame::separatorClashRow(values, separator) != 0, "refused for cause");
        return;
    }
    fuzzCheck(frame::separatorClashRow(values, separator) == 0, "clash refused");
    const QStringList pieces = built->split(separator);
    fuzzCheck(pieces.size() == fields::kSlots + 1 && pieces.last().isEmpty(), "56 fields");
    for (int i = 0; i < fields::kSlots; ++i)
        fuzzCheck(pieces[i].size() >= fields::kSlotWidth, "fields padded");

    const auto text = [&](const char* name) { return values.text(QLatin1StringView(name)); };
    int mask = 0;
    for (int n = 1; n <= 4; ++n) {
        if (values.isChecked(QStringLiteral("b%1").arg(n)))
            mask |= 1 << (n - 1);
    }
    fuzzCheck(pieces[0] == padded(text("smskp")), "smskp first");
    fuzzCheck(pieces[3] == padded(text("m_nev")), "m_nev in place");
    fuzzCheck(pieces[7] == padded(QString::number(mask).rightJustified(2, u'0')), "mask");
    fuzzCheck(pieces[8] == padded("000") && pieces[9] == padded("299") &&
                  pieces[11] == padded("99999"),
              "constants");
    fuzzCheck(pieces[10] == padded(values.isChecked(QStringLiteral("max_be_15")) ? "0" : "1"),
              "analog range");
    fuzzCheck(pieces[46] == padded(text("act_ki")) && pieces[47] == padded(QString()),
              "last text fields");
    for (int row = 1; row <= 8; ++row) {
        const QString number = values.text(QStringLiteral("t%1").arg(row));
        const QString& field = pieces[fields::kFirstTelSlot + row - 2];
        fuzzCheck(field.mid(2) == number.leftJustified(fields::kSlotWidth - 2, u' '), "number");
        fuzzCheck(field.at(0).unicode() <= 0xFF && field.at(1).unicode() <= 0xFF, "code bytes");
    }
}

// A form as the window holds it: the frame's telephone rows read back to the same grid.
void checkRowsReadBack(Reader& in)
{
    fields::Values values;
    std::array<int, 8> columns{};
    std::array<int, 8> outputs{};
    for (int row = 1; row <= 8; ++row) {
        columns[row - 1] = in.byte();
        outputs[row - 1] = in.byte() % 5;
        for (int c = 1; c <= 8; ++c)
            values.setChecked(fields::gridBox(row, c), (columns[row - 1] & (1 << (c - 1))) != 0);
        for (int v = 0; v <= 4; ++v)
            values.setChecked(fields::outputButton(row, v), v == outputs[row - 1]);
        values.setText(QStringLiteral("t%1").arg(row), in.text(14).remove(u'|'));
    }

    const Expected<QString> built = frame::build(values, u'|');
    fuzzCheck(!built == (frame::separatorClashRow(values, u'|') != 0), "only clashes refused");
    if (!built)
        return;
    const QStringList pieces = built->split(u'|');
    for (int row = 1; row <= 8; ++row) {
        QString field = pieces[fields::kFirstTelSlot + row - 2];
        while (field.endsWith(u' '))
            field.chop(1);
        const readout::TelRow read = readout::decodeTelRow(field);
        fuzzCheck(read.output == outputs[row - 1], "output read back");
        for (int c = 1; c <= 8; ++c) {
            const bool sent = (columns[row - 1] & (1 << (c - 1))) != 0 && c != 5 && c != 6;
            fuzzCheck(read.columnChecked(c) == sent, "column read back");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Reader any(data, size);
    checkAnyForm(any);
    Reader grid(data, size);
    checkRowsReadBack(grid);
    return 0;
}

QList<QByteArray> fuzzSeeds()
{
    return {QByteArray(64, '\x01'), QByteArray(200, '\x7F'), QByteArray(400, '\xFF'),
            "\x01\x05"
            "36309888000\x01\x02"
            "12"};
}
