#pragma once

#include "core/configuration.h"

class QGroupBox;

namespace Ui {
class MainWindow;
}

// Between the form's widgets and a Configuration. While the user edits, the widgets are
// the live model; a rule that decides values takes a Configuration out of them, works on
// it, and the bindings put the result back. No rule is decided here.
namespace bindings {

// The group box that holds a group's fields.
QGroupBox* groupBox(const Ui::MainWindow& ui, fields::Group group);

// The values as the widgets hold them, the provider chosen in the list, and whether the
// window is unlocked.
Configuration take(const Ui::MainWindow& ui);

// Writes `config` into the widgets the way code sets them (texts, then boxes, then radio
// buttons, then the provider), so the form's own reactions run as they would for the same
// changes one by one (the RING/SMS rule, the provider's SMS centre) and the widgets end in
// exactly `config`'s state. The lock is the window's own affair and is not touched.
void put(const Configuration& config, Ui::MainWindow& ui);

// Gives every field the facts the field table keeps for it: the most characters a line edit
// holds, the caption a screen reader says, and a grid box's "group" property ("row.column");
// and the provider list its items. Once, as the window is built, before any connection.
void applyFieldFacts(Ui::MainWindow& ui);

// Enables each named field as `config` says it is once the window is unlocked.
void applyEnabled(const Configuration& config, Ui::MainWindow& ui, const QStringList& names);

// The VexaGrid-3 layout on the widgets: every field enabled as `config` says, every field the
// layout hides hidden with its own label, and a tab page whose every field the layout disables
// disabled. Nothing hidden is shown again.
void applyLayout(const Configuration& config, Ui::MainWindow& ui);

// The rules as the window runs them, each on the widgets' current values: the layout's
// values and states, a telephone row's RING and SMS boxes after a grid box changed, and the
// SMS centre after the provider list changed (a custom number gets the focus to be typed).
void layOut(Ui::MainWindow& ui);
void followPermissions(Ui::MainWindow& ui);
void followProvider(Ui::MainWindow& ui);

} // namespace bindings
