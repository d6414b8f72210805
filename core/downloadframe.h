#pragma once

#include "core/failure.h"
#include "core/fields.h"

#include <QChar>
#include <QString>
#include <QStringList>

// The download frame: the form flattened into the module's 56 fields, each padded with spaces
// to 16 characters and followed by the separator. The module's read-out carries the same
// fields in the same order. Which form field goes where, and how, is the field table's.
namespace frame {

// The 56 fields' texts as they go to the module, before padding: the texts by the table's
// slots, "0"-filled where the table says, the output modes as a two-digit number, the
// analog range, the constants, and each telephone row's two code characters and number.
// The texts are not checked here: the download runs the form's field checks first.
QStringList slotTexts(const fields::Values& values);

// The two code characters of a telephone row (1..8): the alarm columns and RING, then the
// output and "no SMS".
QString rowCode(const fields::Values& values, int row);

// Builds the frame. The frame goes onto the line piece by piece, split at the separator, so
// a frame holding it anywhere but between fields would reach the module with every later
// field shifted. build() never returns such a frame: it fails with Unsendable instead, the
// separators it would hold in the detail "separators".
Expected<QString> build(const fields::Values& values, QChar separator);

// The first telephone row (1..8) whose code characters would be the separator itself, 0 if
// none. With "|" that is P1 0x7C: a row with columns 3, 4 and 7 checked.
int separatorClashRow(const fields::Values& values, QChar separator);

} // namespace frame
