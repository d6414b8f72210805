#pragma once

#include "core/programsettings.h"
#include "device/conversations.h"

#include <QThread>

class QProgressBar;

// Writes the configuration into the module on a thread of its own: "~}", the module's "R",
// the frame piece by piece, each piece ended by CR, then the acknowledgement.
//
// The worker only reads its own copy of the settings record (port, ackChar,
// downloadSeparator, downloadText). It opens its own port at a fixed 1200 baud whatever
// the record's rate, and always closes it again. The dialog's progress bar belongs to the
// GUI thread, so every update of it is a queued call.
class dlThread : public QThread
{
public:
    // `bar` is the dialog's progress bar (may be null); it must outlive the run.
    dlThread(const ProgramSettings& settings, QProgressBar* bar);
    // Waits for a run that has not ended yet; it never cuts one short.
    ~dlThread() override;

    // What the write came to: ok() when the module acknowledged the frame, otherwise why not
    // (its failure()). Read it once finished() has arrived; before, a write that never
    // opened its port.
    const conversation::Result& result() const { return m_result; }

protected:
    void run() override;

private:
    conversation::Result transfer();
    void setRange(int maximum);
    void setValue(int value);

    conversation::Result m_result;
    QProgressBar* m_bar;
    ProgramSettings m_settings;
};
