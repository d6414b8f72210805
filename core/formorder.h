#pragma once

#include <QStringList>

// The form order: the order in which each group box's line edits, check boxes and
// radio buttons are walked. Configuration files and both device formats store their
// values in this order, so it lives here as explicit lists and nowhere else. The
// form file creates the widgets in the same order (a test keeps the two in step).
namespace formorder {

// Line edits, group by group, in the order in which files store them.
const QStringList& generalEdits();  // g_general, 8
const QStringList& analogEdits();   // g_analog, 12
const QStringList& inputEdits();    // g_be, 12
const QStringList& outputEdits();   // g_ki, 8
const QStringList& activateEdits(); // g_activate, 2
const QStringList& telEdits();      // g_tel, 16: t1..t8, then tplus_1..tplus_8

// The 64 check boxes of g_tel.
const QStringList& telBoxes();

// Radio buttons: g_tel (40), g_analog (2), g_ki_csengetes (8).
const QStringList& telRadios();
const QStringList& analogRadios();
const QStringList& outputModeRadios();

// All 58 line edits, all 64 check boxes and all 50 radio buttons, each in file order.
const QStringList& allEdits();
const QStringList& allBoxes();
const QStringList& allRadios();

// The group boxes whose line edits are walked, in file order, with their edit lists.
struct EditGroup
{
    const char* groupBox;
    const QStringList& (*edits)();
};
const QList<EditGroup>& editGroups();

// The most characters a line edit holds; a longer text is cut to it. 0 for no line edit.
int maxLength(const QString& edit);

// Row (1..8) and column (1..8) of a grid check box, as its "group" property ("row.column")
// says: columns 1..6 are the alarm permissions, 7 the RING box, 8 the SMS box. Zeros for a
// name that is no grid box.
struct GridPosition
{
    int row = 0;
    int column = 0;
};
GridPosition gridPosition(const QString& box);

// The grid box of a row and column, or "".
QString gridBox(int row, int column);

// The exclusive group a radio button belongs to: rY_0 ... rY_4 of a telephone
// row, max_be_15 / max_be_30, or an output's k / b pair. Empty for no radio button.
QStringList radioGroup(const QString& radio);

} // namespace formorder
