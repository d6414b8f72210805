#pragma once

#include "core/programsettings.h"

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

    // True when the module acknowledged the frame. Read it once finished() has arrived.
    bool result() const { return m_result; }

protected:
    void run() override;

private:
    bool transfer();
    void setRange(int maximum);
    void setValue(int value);

    bool m_result = false;
    QProgressBar* m_bar;
    ProgramSettings m_settings;
};
