#include "core/readoutcodec.h"

#include "fuzz/fuzztarget.h"

namespace {

void checkTelRow(const QString& field)
{
    const readout::TelRow row = readout::decodeTelRow(field);
    if (field.size() < 2) {
        fuzzCheck(!row.valid && row.permissions == 0 && row.output == 0 && row.number.isEmpty(),
                  "short field is an empty row");
    } else {
        fuzzCheck(row.valid && row.number == field.mid(2), "number after the code characters");
        fuzzCheck(row.output >= -176 && row.output <= 71, "output within a byte's codes");
    }
    fuzzCheck(!row.columnChecked(0) && !row.columnChecked(9), "only columns 1..8");
    for (int c = 1; c <= 8; ++c)
        row.columnChecked(c);
}

void checkReply(const QString& raw, QChar separator)
{
    const QString text = readout::normalise(raw);
    fuzzCheck(!text.contains(u'\r') && !text.contains(u'\n') && !text.contains(QChar(0xFF)),
              "line ends and fill replaced");
    fuzzCheck(text.size() <= raw.size(), "normalising never grows");

    const Expected<QStringList> result = readout::split(text, separator);
    const QJsonObject why = result ? QJsonObject() : result.failure().details;
    const int count = result ? int(result->size()) : why.value(QStringLiteral("count")).toInt();
    if (!result && why.value(QStringLiteral("reason")).toString() == QLatin1String("no-separator"))
        fuzzCheck(!text.contains(separator) && count == 0, "no separator");
    else if (result)
        fuzzCheck(count == readout::kFieldCount, "56 fields");
    else
        fuzzCheck(text.contains(separator) && count != readout::kFieldCount, "wrong count");
    fuzzCheck(count <= text.count(separator) + 1, "no more fields than pieces");
    for (const QString& field : result.valueOr(QStringList())) {
        fuzzCheck(!field.endsWith(u' '), "trailing blanks trimmed");
        readout::outputModeMask(field);
        fuzzCheck(readout::analogRange15(field) == field.startsWith(u'0'), "range from first");
        checkTelRow(field);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString raw = latin1Text(data, size);
    checkReply(raw, u'|');
    if (size > 0)
        checkReply(raw, QChar(char16_t(data[0])));
    // Characters the line cannot carry must still be handled.
    checkTelRow(utf16Text(data, size));
    return 0;
}

QList<QByteArray> fuzzSeeds()
{
    QByteArray full;
    for (int i = 1; i <= readout::kFieldCount; ++i) {
        QByteArray field = i >= (fields::kSlots - fields::kTelRows + 1)
                               ? QByteArray("y336301234567")
                               : QByteArray::number(i);
        full += field.leftJustified(16, i % 5 == 0 ? '\xFF' : ' ') + '|';
    }
    return {full,
            QByteArray(full).replace('|', "\r\n"),
            QByteArray(full).replace('|', '\n'),
            QByteArray(full).replace("|1", "||1"),
            "V_VEXAGRID",
            "0",
            "08",
            "03",
            "0\xB0"};
}
