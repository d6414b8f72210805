#pragma once

class QLabel;
class QWidget;
struct ProgramSettings;
namespace Ui {
class MainWindow;
}

// What a form binding or an exchange works on: the widgets (the program's only
// configuration model), the settings record, the window that parents its dialogs,
// and the three status bar labels, by reference so that a binding may replace one.
struct FormContext
{
    Ui::MainWindow& ui;
    ProgramSettings& settings;
    QWidget* window;
    QLabel*& portLabel;
    QLabel*& fileLabel;
    QLabel*& linkLabel;
};
