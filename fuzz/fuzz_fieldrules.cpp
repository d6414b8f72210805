#include "core/fieldrules.h"

#include "fuzz/fuzztarget.h"

#include <algorithm>

namespace {

void checkRules(const QString& text, int width)
{
    using namespace fieldrules;

    // Each rule is a narrowing of the next one.
    fuzzCheck(!isDigits(text) || isTelephone(text), "digits are telephone text");
    fuzzCheck(!isTelephone(text) || isPlainText(text), "telephone text is plain text");
    fuzzCheck(!isPlainText(text) || isLatin1(text), "plain text is Latin-1");
    fuzzCheck(hasSeparator(text) == text.contains(u'|'), "separator found");
    fuzzCheck(!hasSeparator(text) || !isTelephone(text), "separator is not telephone text");

    const QString filled = zeroFill(text, width);
    fuzzCheck(filled.size() == std::max<qsizetype>(text.size(), width), "fill width");
    fuzzCheck(filled.endsWith(text), "fill keeps the text");
    const QString fill = filled.left(filled.size() - text.size());
    fuzzCheck(fill.count(u'0') == fill.size(), "fill is zeros");

    const int index = providerIndexForNumber(text);
    fuzzCheck(index >= 0 && index <= kCustomProvider, "provider index");
    fuzzCheck(index == kCustomProvider ? providerNumber(index).isEmpty()
                                       : providerNumber(index) == text,
              "provider number");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const int width = size > 0 ? data[0] % 24 - 2 : 4;
    checkRules(latin1Text(data, size), width);
    checkRules(utf16Text(data, size), width);
    fieldrules::providerNumber(size > 0 ? int(int8_t(data[0])) : -1);
    return 0;
}

QList<QByteArray> fuzzSeeds()
{
    return {"36309888000", "+36 30 123", "12 4", "36-30",
            "a|b",         "\x04\x37",   "Kút",  QByteArray("\x51\x01\x00\x00", 4)};
}
