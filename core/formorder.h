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

} // namespace formorder
