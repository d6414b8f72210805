#pragma once

#include "core/fieldchecks.h"

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

// The group's check on the widgets' values; what it changes on its way (the identifier's
// zero fill) goes back into the widgets.
void run(fieldchecks::Group group, Ui::MainWindow& ui, QWidget* window);

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
