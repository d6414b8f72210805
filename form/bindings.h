#pragma once

#include "core/configuration.h"

namespace Ui {
class MainWindow;
}

// Between the form's widgets and a Configuration. While the user edits, the widgets are
// the live model; a rule that decides values takes a Configuration out of them, works on
// it, and puts the result back.
namespace bindings {

// The values as the widgets hold them, the provider chosen in the list, and whether the
// window is unlocked.
Configuration take(const Ui::MainWindow& ui);

// Writes `config` into the widgets the way code sets them (texts, then boxes, then radio
// buttons, then the provider), so the form's own reactions run as they would for the same
// changes one by one (the RING/SMS rule, the provider's SMS centre) and the widgets end in
// exactly `config`'s state. The lock is the window's own affair and is not touched.
void put(const Configuration& config, Ui::MainWindow& ui);

} // namespace bindings
