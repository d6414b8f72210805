#pragma once

#include "core/configuration.h"
#include "fleet/observer.h"
#include "fleet/plan.h"
#include "fleet/run.h"
#include "fleet/search.h"

#include <QDialog>
#include <QMap>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
struct FormContext;

// Many modules from the window: one configuration (the form's or a file's), optionally a
// table of per-module values, written into every chosen port at once by the same engine as
// vexagrid-cli write. Every exchange runs on the modules' own threads; the dialog only reads
// their progress and results.
class FleetDialog : public QDialog
{
    Q_OBJECT

public:
    // The form checked as the download checks it (its boxes shown when it may not be sent),
    // or nothing. Empty when no module is connected: then only a file can be written.
    using FormSource = std::function<std::optional<Configuration>()>;

    FleetDialog(FormSource form, fleet::Observer& observer, QWidget* parent = nullptr);
    ~FleetDialog() override;

    bool isRunning() const { return m_run || m_search; }
    // The results of the last run, in the rows' order.
    QList<fleet::Result> results() const { return m_results; }

public slots:
    void search();
    void start();
    void stop();
    void saveResults();
    void reject() override;

signals:
    void searchFinished();
    void runFinished();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildSource(class QVBoxLayout* layout);
    void buildOptions(class QVBoxLayout* layout);
    void buildButtons(class QVBoxLayout* layout);
    void listPorts();
    QTreeWidgetItem* rowOf(const QString& port, bool add = false);
    void searched(const fleet::Candidates& candidates);
    std::optional<fleet::Plans> planned(QList<Failure>& problems);
    QList<fleet::Target> targets(const fleet::Plans& plans, QList<Failure>& problems);
    void showProblems(const QList<Failure>& problems);
    void launch(const QList<fleet::Target>& targets, std::shared_ptr<const fleet::Plans> plans);
    void showProgress();
    void moduleDone(int index);
    void runDone();
    void setBusy(bool busy);
    bool askToStop();

    FormSource m_form;
    fleet::Observer& m_observer;
    std::atomic<bool> m_stop{false};
    std::unique_ptr<fleet::Run> m_search;
    std::unique_ptr<fleet::Run> m_run;
    QList<fleet::Result> m_results;
    QMap<QString, conversation::Result> m_identified; // by port, from the last search
    bool m_closeWhenDone = false;

    QRadioButton* m_formRadio = nullptr;
    QRadioButton* m_fileRadio = nullptr;
    QLineEdit* m_fileEdit = nullptr;
    QCheckBox* m_tableCheck = nullptr;
    QLineEdit* m_tableEdit = nullptr;
    QCheckBox* m_verifyCheck = nullptr;
    QCheckBox* m_backupCheck = nullptr;
    QLineEdit* m_backupEdit = nullptr;
    QTreeWidget* m_ports = nullptr;
    QListWidget* m_problems = nullptr;
    QLabel* m_summary = nullptr;
    QPushButton* m_searchButton = nullptr;
    QPushButton* m_startButton = nullptr;
    QPushButton* m_stopButton = nullptr;
    QPushButton* m_saveButton = nullptr;
    QTimer* m_tick = nullptr;
};

namespace fleetdialog {

// The dialog over the window: the form is offered once a module is connected.
void run(FormContext& context, fleet::Observer& observer);
// The window's form as the dialog takes it: none before a module is connected.
FleetDialog::FormSource formSource(FormContext& context);

// The results as the dialog saves them: port, module, outcome, message and backup file.
QByteArray resultsCsv(const QList<fleet::Result>& results);

} // namespace fleetdialog
