#pragma once

#include "core/failure.h"
#include "core/fields.h"

#include <QChar>
#include <QString>
#include <QStringList>

// The module's read-out reply: 56 fields between separators, line breaks acting as separators,
// trailing blanks trimmed, and the eight telephone rows coded with two leading characters.
namespace readout {

constexpr int kFieldCount = fields::kSlots;

// 0xFF fill becomes a blank; CR LF, then LF, then CR become "|".
QString normalise(const QString& raw);

// Splits a normalised reply into its kFieldCount fields. Empty pieces are dropped before
// counting, then trailing blanks are trimmed, so a piece of blanks becomes an empty field that
// still counts. Any other reply fails with UnknownFormat and the details "reason" and "count"
// (the fields found): "no-separator" for a reply without any separator (an empty one too),
// "wrong-count" for one of another number of fields.
Expected<QStringList> split(const QString& normalised, QChar separator);

// Field 8 as a decimal number, 0 when it is not one. Bit n-1 set selects monostable output n.
int outputModeMask(const QString& field8);

// Field 11: the 15 V input range when the first character is "0"; otherwise the 30 V range.
bool analogRange15(const QString& field11);

// One telephone row. Bit c-1 of permissions drives the grid box of column c (1..8; column 7 is
// the ring box, column 8 the SMS box). output selects radio button rY_<output> only when it is
// 0..4; any other value selects none.
struct TelRow
{
    int permissions = 0;
    int output = 0;
    bool valid = false; // false: the field was too short to hold the two code characters
    QString number;

    bool columnChecked(int column) const
    {
        return column >= 1 && column <= 8 && (permissions & (1 << (column - 1))) != 0;
    }
};

// Decodes a row from its two code characters and the number after them. A field shorter than two
// characters (an erased module sends those) is an empty row: no box, output 0, no number.
TelRow decodeTelRow(const QString& field);

// The 56 fields as the module holds them, as form values, no rule of the window applied: the
// texts as they came, the thresholds' digits as the module has them, every output's mode,
// the range, and each row's number, all eight grid columns and its output (no button
// checked for an output no button stands for). For telling what the module holds, not for
// filling the window (Configuration::fillFromReadOut does that).
fields::Values decodeRecord(const QStringList& record);

} // namespace readout
