#pragma once

#include "device/conversations.h"

#include <QDialog>

#include <memory>

class dlThread;
struct ProgramSettings;
namespace Ui {
class dload;
}

// The progress window of a download ("Betöltés"). It starts the worker as soon as it is
// made, shows the bar while the frame goes out, then the outcome: a success closes the
// dialog by itself after two seconds, a failure waits for OK. The box's text is the same for
// every failure; why this one failed goes to vexagrid.serial at warning level, in the command
// line's words.
//
// The dialog cannot be dismissed while the worker runs: the worker never stops a frame half
// way (it gives the write no stop flag, though the write could stop between bytes), and the
// port must be closed by it. The title bar's close button does nothing in any state.
class dload : public QDialog
{
    Q_OBJECT

public:
    // The worker gets its own copy of `settings`; downloadText holds the frame.
    explicit dload(const ProgramSettings& settings, QWidget* parent = nullptr);
    // Waits for a worker that still runs.
    ~dload() override;

    // Refused until the worker has finished: Escape, Cancel or a call from code.
    void reject() override;

    // The worker's write once it has finished: whether the module acknowledged the frame, and
    // if not, why (its failure(), which the dialog also logs on vexagrid.serial).
    const conversation::Result& outcome() const;

public slots:
    // Shows the worker's outcome once it has finished.
    void dlcomplete();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void showOutcome();

    std::unique_ptr<dlThread> worker;
    std::unique_ptr<Ui::dload> ui;
    bool workerDone = false;
};
