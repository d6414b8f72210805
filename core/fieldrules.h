#pragma once

#include <QChar>
#include <QString>

// Character rules of the form's text fields and the SMS-centre provider table.
// Every rule looks at each character of the text; an empty text passes them all.
namespace fieldrules {

// Every character in U+0001..U+007F: 7-bit text without NUL.
bool isPlainText(const QString& text);

// Only "0".."9" and spaces.
bool isDigits(const QString& text);

// Only "0".."9", spaces and "+".
bool isTelephone(const QString& text);

// The text holds the frame's field separator, which would split the field in two on the module.
bool hasSeparator(const QString& text, QChar separator = u'|');

// No character above U+00FF: every character has a byte on the serial line.
bool isLatin1(const QString& text);

// Right-justified with "0" to width; a longer text stays whole.
QString zeroFill(const QString& text, int width);

// Provider index of an SMS-centre number: 0, 1 or 2 for the three known numbers,
// kCustomProvider for anything else.
constexpr int kCustomProvider = 3;
int providerIndexForNumber(const QString& smskp);

// The SMS-centre number of a provider index; empty for the custom entry and out-of-range indexes.
QString providerNumber(int index);

// The provider list as the form shows it: "T-Mobile", "Telenor", "Vodafone", "Egyéni".
QString providerName(int index);
int providerCount();

} // namespace fieldrules
