#include "core/configcodec.h"

#include "fuzz/fuzztarget.h"

#include <algorithm>

namespace {

// What any file reads as.
void checkDecoded(const QByteArray& content)
{
    const QStringList lines = configfile::decodeLines(content);
    fuzzCheck(!lines.isEmpty(), "at least one line");
    fuzzCheck(lines.size() <= content.count('\n') + 1, "no more lines than line ends");
    for (const QString& line : lines)
        fuzzCheck(!line.contains(u'\n'), "no LF inside a line");
    const qsizetype mark = lines.indexOf(configfile::kEndMark, configfile::kValueLines);
    fuzzCheck(mark < 0 || mark == lines.size() - 1, "nothing after the end mark");

    const QByteArray written = configfile::encode(lines);
    fuzzCheck(written.endsWith("\r\n"), "every line ended");

    // A 7-bit file needs no encoding guesses: writing its lines back reads the same.
    const bool ascii =
        std::all_of(content.cbegin(), content.cend(), [](char c) { return uchar(c) < 0x80; });
    if (ascii)
        fuzzCheck(configfile::decodeLines(written) == lines, "7-bit lines read back");
}

// Lines of plain text, as the form writes them, always come back as written, up to an end mark.
void checkRoundTrip(const QByteArray& content)
{
    QString text;
    for (char c : content) {
        const char16_t u = uchar(c) & 0x7F;
        text += (u == 0 || u == '\r') ? u' ' : QChar(u);
    }
    const QStringList lines = text.split(u'\n');
    const qsizetype mark = lines.indexOf(configfile::kEndMark, configfile::kValueLines);
    const QStringList expected = mark < 0 ? lines : lines.mid(0, mark + 1);
    fuzzCheck(configfile::decodeLines(configfile::encode(lines)) == expected, "lines round trip");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray content(reinterpret_cast<const char*>(data), qsizetype(size));
    checkDecoded(content);
    checkRoundTrip(content);

    const QString title = configfile::fileTitle(QString::fromUtf8(content));
    fuzzCheck(title.contains(u'.') && !title.contains(u'/'), "title is a name with a point");
    return 0;
}

QList<QByteArray> fuzzSeeds()
{
    QStringList lines;
    for (int i = 0; i < configfile::kValueLines; ++i)
        lines.append(i % 3 == 0   ? QStringLiteral("1")
                     : i % 3 == 1 ? QString()
                                  : QStringLiteral("+"));
    const QByteArray full = configfile::encode(lines);
    return {full,
            full + "link\r\n---\r\nabout\r\n",
            QByteArray(full).replace("\r\n", "\n"),
            "a\rb\r\n\r\n---\r\n",
            "\xEF\xBB\xBF+\r\n",
            "dir/conf",
            "a.b.vgf"};
}
