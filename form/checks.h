#pragma once

class QWidget;
namespace Ui {
class MainWindow;
}

// The checks run when the user leaves a field: each walks its group in form order
// and refuses the first bad field (emptied, focused, explained) and stops there.
// The boxes they show take the focus from the field, which is itself a departure;
// a check started while another one is showing its box does nothing, so one
// departure never shows a box twice.
namespace checks {

void general(Ui::MainWindow& ui, QWidget* window);
void telephone(Ui::MainWindow& ui, QWidget* window);
void inputs(Ui::MainWindow& ui, QWidget* window);
void outputs(Ui::MainWindow& ui, QWidget* window);
void activation(Ui::MainWindow& ui, QWidget* window);

// The SMS centre follows the chosen provider; "Egyéni" lets the user type it.
void selectProvider(Ui::MainWindow& ui);

// A telephone row's RING and SMS boxes are usable only while at least one of the
// row's permission columns (1-6) is checked; otherwise they are cleared and locked.
void permissionBoxes(Ui::MainWindow& ui);

// While one lives, the field checks stay quiet: an action that moves the focus on purpose
// (the download focusing the field it refuses) is no departure the user made.
class Quiet
{
public:
    Quiet();
    ~Quiet();
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;
};

} // namespace checks
