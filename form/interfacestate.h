#pragma once

namespace Ui {
class MainWindow;
}

// The window's two kinds of state: locked until a module is identified, and laid out
// for the VexaGrid-3, which lacks some fields of the wider module family.
namespace interfacestate {

void unlock(Ui::MainWindow& ui);
void lock(Ui::MainWindow& ui);
void applyVexaGridLayout(Ui::MainWindow& ui);

} // namespace interfacestate
