#pragma once

#include "core/fields.h"

#include <QList>
#include <QString>

#include <array>
#include <optional>

// A configuration as a person reads it: the values of the form by the form's captions, in the
// window's order and grouping, each telephone row read as one line ("+36301234567, RING, SMS,
// fázis R S, kimenet 2"), each output's mode as a word, and what the VexaGrid-3 does not use
// marked. The command line's show, diff and verify and the configuration sheet all read a
// configuration through this; nothing is rendered twice.
namespace description {

// The sections and pages are the field table's: their titles and keys stand there.
using fields::kSections;
using fields::pageTitle;
using fields::Section;
using fields::sectionKey;
using fields::sectionTitle;

// One telephone row, decoded.
struct TelRow
{
    int row = 0;
    QString number; // as stored, without its "+"
    bool ring = false;
    bool sms = false;
    std::array<bool, fields::kAlarmColumns> columns{}; // alarm columns 1..6 (R, S, T, 4, 5, 6)
    int output = 0;                                    // 0 none, 1..4; -1: no button chosen

    // Anything at all in the row: a number, a box, an output.
    bool isSet() const;
    bool operator==(const TelRow& other) const;
};

struct Item
{
    QString key;       // the object name that stands for it ("m_nev"; "t3" for row 3; "b1"
                       // for output 1's mode; "max_be_15" for the range)
    QStringList names; // every field behind it
    QString caption;   // "Modul neve", "3. telefonszám", "1-es kimenet rácsengetéskor"
    Section section = Section::General;
    QString value;    // as a person reads it; the PIN "****" unless asked for
    QString plain;    // the value unmasked, for comparing
    bool used = true; // false: the VexaGrid-3 layout hides or disables it
    std::optional<TelRow> row;
};

struct Options
{
    bool pin = false; // show the PIN's digits
};

// Every item of the values, in the window's order: the used ones section by section, the
// grid's alarm columns 4 to 6 of each row and the other fields the module lacks marked as
// unused. The fixed "+" signs are no item.
QList<Item> describe(const fields::Values& values, const Options& options = {});

// The row as a person reads it: "+36301234567, RING, SMS, fázis R S T, kimenet 2", or
// "nincs megadva" for a row without anything.
QString rowText(const TelRow& row);

// A telephone row of the values.
TelRow rowOf(const fields::Values& values, int row);

struct Difference
{
    QString key;
    QString caption;
    Section section = Section::General;
    QString left;  // as shown
    QString right; // as shown
    bool used = true;
    QStringList names;
};

// The items whose values differ, in the left side's order (both sides describe the same
// fields, so their keys match one to one).
QList<Difference> compare(const QList<Item>& left, const QList<Item>& right);

} // namespace description
