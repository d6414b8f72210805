#include "core/downloadframe.h"

#include "core/readoutcodec.h"
#include "fuzz/fuzztarget.h"

#include <QtGlobal>

namespace {

// The bad-name diagnostics would flood the output.
const QtMessageHandler previousHandler = qInstallMessageHandler(
    [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
        if (type != QtDebugMsg && previousHandler)
            previousHandler(type, context, message);
    });

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
    return text.leftJustified(frame::kFieldWidth, u' ');
}

// Any form values: the frame keeps its layout whatever the grid's names say.
void checkAnyForm(Reader& in)
{
    const QChar separator = in.flag() ? QChar(u'|') : QChar(char16_t(in.byte()));
    const bool separatorInTexts = in.byte() == 0;
    frame::FormValues values;
    for (const QString& name : frame::textFieldNames()) {
        if (in.flag()) {
            QString text = in.text(20);
            values.text.insert(name, separatorInTexts ? text : text.remove(separator));
        }
    }
    const int boxes = in.byte() % 80;
    for (int i = 0; i < boxes; ++i) {
        const QString group = in.flag()
                                  ? QStringLiteral("%1.%2").arg(in.byte() % 10).arg(in.byte() % 10)
                                  : in.text(8);
        values.boxes.append({group, in.flag()});
    }
    const int radios = in.byte() % 60;
    for (int i = 0; i < radios; ++i) {
        const QString name = in.flag()
                                 ? QStringLiteral("r%1_%2").arg(in.byte() % 10).arg(in.byte() % 6)
                                 : in.text(8);
        values.radios.append({name, in.flag()});
    }
    const int modes = in.byte();
    for (int n = 0; n < 4; ++n)
        values.b[n] = modes & (1 << n);
    values.max15 = modes & 0x10;

    const QString built = frame::build(values, separator);
    if (built.isEmpty()) {
        // Refused: the separator would have been inside a field.
        bool inText = QStringLiteral(" 0123459").contains(separator);
        for (const QString& text : values.text)
            inText = inText || text.contains(separator);
        fuzzCheck(inText || frame::separatorClashRow(values, separator) != 0, "refused for cause");
        return;
    }
    fuzzCheck(frame::separatorClashRow(values, separator) == 0, "clash refused");
    const QStringList fields = built.split(separator);
    fuzzCheck(fields.size() == frame::kFieldCount + 1 && fields.last().isEmpty(), "56 fields");
    for (int i = 0; i < frame::kFieldCount; ++i)
        fuzzCheck(fields[i].size() >= frame::kFieldWidth, "fields padded");

    const auto text = [&](const char* name) { return values.text.value(QLatin1StringView(name)); };
    fuzzCheck(fields[0] == padded(text("smskp")), "smskp first");
    fuzzCheck(fields[3] == padded(text("m_nev")), "m_nev in place");
    fuzzCheck(fields[7] == padded(QString::number(modes & 0x0F).rightJustified(2, u'0')), "mask");
    fuzzCheck(fields[8] == padded("000") && fields[9] == padded("299") &&
                  fields[11] == padded("99999"),
              "constants");
    fuzzCheck(fields[10] == padded(values.max15 ? "0" : "1"), "analog range");
    fuzzCheck(fields[46] == padded(text("act_ki")) && fields[47] == padded(QString()),
              "last text fields");
    for (int row = 1; row <= 8; ++row) {
        const QString number = values.text.value(QStringLiteral("t%1").arg(row));
        const QString& field = fields[frame::kFieldCount - 8 + row - 1];
        fuzzCheck(field.mid(2) == number.leftJustified(frame::kFieldWidth - 2, u' '), "number");
        fuzzCheck(field.at(0).unicode() <= 0xFF && field.at(1).unicode() <= 0xFF, "code bytes");
    }
}

// A form as the window holds it: the frame's telephone rows read back to the same grid.
void checkRowsReadBack(Reader& in)
{
    frame::FormValues values;
    std::array<int, 8> columns{};
    std::array<int, 8> outputs{};
    for (int row = 1; row <= 8; ++row) {
        columns[row - 1] = in.byte();
        outputs[row - 1] = in.byte() % 5;
        for (int c = 1; c <= 8; ++c)
            values.boxes.append({QStringLiteral("%1.%2").arg(row).arg(c),
                                 (columns[row - 1] & (1 << (c - 1))) != 0});
        for (int v = 0; v <= 4; ++v)
            values.radios.append({QStringLiteral("r%1_%2").arg(row).arg(v), v == outputs[row - 1]});
        values.text.insert(QStringLiteral("t%1").arg(row), in.text(14).remove(u'|'));
    }

    const QString built = frame::build(values, u'|');
    fuzzCheck(built.isEmpty() == (frame::separatorClashRow(values, u'|') != 0),
              "only clashes refused");
    if (built.isEmpty())
        return;
    const QStringList fields = built.split(u'|');
    for (int row = 1; row <= 8; ++row) {
        QString field = fields[(fieldmap::kFieldCount - fieldmap::kTelRows + 1) + row - 2];
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
