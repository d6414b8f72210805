#pragma once

#include "core/programsettings.h"
#include "form/formcontext.h"

#include <QMainWindow>

#include <memory>

class QLabel;
class WindowRecord;
class WindowSync;
namespace Ui {
class MainWindow;
}

// The main window: the configuration form, the settings record and the status bar.
// Every user action arrives here as a slot, and each slot hands its work to the room
// that owns it; the window itself knows no format.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // For the rooms' tests and for the exchanges that read the record.
    ProgramSettings& settings() { return m_settings; }
    Ui::MainWindow& form() { return *ui; }
    FormContext context();

public slots:
    void newfile();
    void openfile();
    void save();
    void saveas();
    void verify_func();
    void show_port();
    void setVexaGridUI();
    void globalDisableUI();
    void globalEnableUI();
    void download();
    void readup();
    void nevjegy();
    void contents();
    void check_general();
    void check_tel();
    void check_be();
    void check_ki();
    void check_activate();
    void check_cbs();
    void allapot();
    void smskpSelect();
    // The configuration sheet of the form, as PDF.
    void sheet();
    // The record of the exchanges: "Előzmények".
    void history();

protected:
    void changeEvent(QEvent* event) override;

private:
    void connectActions();
    void connectFields();
    void showDeviceImage();

    Ui::MainWindow* ui;
    ProgramSettings m_settings;
    QLabel* portLabel = nullptr;
    QLabel* fileLabel = nullptr;
    QLabel* linkLabel = nullptr;
    // Opened on the first exchange or look at the history, not here.
    std::unique_ptr<WindowRecord> m_history;
    // The team's server, synced in the background; off without one.
    WindowSync* m_sync = nullptr;
};
