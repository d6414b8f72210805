#pragma once

#include "core/fieldmap.h"

#include <QChar>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>

// The download frame: the form flattened into 56 fields, each padded with spaces to 16 characters
// and followed by the separator. The module's read-out carries the same fields in the same order.
namespace frame {

using fieldmap::kFieldCount;
using fieldmap::kFieldWidth;

// A check box of the telephone grid: its "group" property ("row.column") and its state.
struct Box
{
    QString group;
    bool checked = false;
};

// A radio button of the form: its object name and its state. Only names beginning with "r"
// ("rY_v", the telephone rows' output choice) take part.
struct Radio
{
    QString name;
    bool checked = false;
};

// What the frame needs from the form, taken off the widgets by the caller.
struct FormValues
{
    // Line-edit texts by object name (see textFieldNames()); a missing name counts as empty.
    QHash<QString, QString> text;
    QList<Box> boxes;        // the grid's check boxes
    QList<Radio> radios;     // the form's radio buttons
    std::array<bool, 4> b{}; // monostable buttons b1..b4 checked
    bool max15 = false;      // max_be_15 checked
};

// Object names of the line edits whose texts go into the frame, in frame order.
const QStringList& textFieldNames();

// Builds the frame. The texts are taken by object name, never by position, so a lone "+" typed
// into a field cannot shift the fields after it. The texts are not checked here: the download
// runs the form's field checks before it builds the frame.
//
// The frame goes onto the line piece by piece, split at the separator, so a frame holding it
// anywhere but between fields would reach the module with every later field shifted. build()
// never returns such a frame: it returns an empty text instead.
QString build(const FormValues& values, QChar separator);

// The first telephone row (1..8) whose code characters would be the separator itself, 0 if none.
// With "|" that is P1 0x7C: a row with columns 3, 4 and 7 checked.
int separatorClashRow(const FormValues& values, QChar separator);

} // namespace frame
