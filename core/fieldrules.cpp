#include "core/fieldrules.h"

#include <algorithm>
#include <array>

namespace fieldrules {

namespace {

// Listed in the order of the provider combo box.
constexpr std::array<const char*, kCustomProvider> kProviderNumbers = {
    "36309888000",
    "36209300099",
    "36709996500",
};

constexpr std::array<const char*, kCustomProvider + 1> kProviderNames = {
    "T-Mobile",
    "Telenor",
    "Vodafone",
    "Egyéni",
};

template <typename Pred> bool allOf(const QString& text, Pred pred)
{
    return std::all_of(text.cbegin(), text.cend(), pred);
}

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

bool isPlainText(const QString& text)
{
    return allOf(text, [](QChar c) { return c.unicode() >= 0x01 && c.unicode() <= 0x7F; });
}

bool isDigits(const QString& text)
{
    return allOf(text, [](QChar c) { return isAsciiDigit(c) || c == u' '; });
}

bool isTelephone(const QString& text)
{
    return allOf(text, [](QChar c) { return isAsciiDigit(c) || c == u' ' || c == u'+'; });
}

bool hasSeparator(const QString& text, QChar separator)
{
    return text.contains(separator);
}

bool isLatin1(const QString& text)
{
    return allOf(text, [](QChar c) { return c.unicode() <= 0xFF; });
}

QString zeroFill(const QString& text, int width)
{
    return text.rightJustified(width, u'0', false);
}

int providerIndexForNumber(const QString& smskp)
{
    for (int i = 0; i < kCustomProvider; ++i) {
        if (smskp == QLatin1StringView(kProviderNumbers[i]))
            return i;
    }
    return kCustomProvider;
}

QString providerNumber(int index)
{
    if (index < 0 || index >= kCustomProvider)
        return QString();
    return QString::fromLatin1(kProviderNumbers[index]);
}

QString providerName(int index)
{
    if (index < 0 || index > kCustomProvider)
        return QString();
    return QString::fromUtf8(kProviderNames[std::size_t(index)]);
}

int providerCount()
{
    return kCustomProvider + 1;
}

} // namespace fieldrules
