#include "form/progress.h"

#include <QProgressDialog>

namespace progress {

void prepare(QProgressDialog& dialog)
{
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setAutoReset(false);
    dialog.setAutoClose(false);
    // An exchange takes seconds and can be followed (or cancelled) only while the dialog
    // is up, so it comes at once instead of after the usual 4 s.
    dialog.setMinimumDuration(0);
}

void advance(QProgressDialog& dialog)
{
    dialog.setValue(qMax(dialog.value(), dialog.minimum()) + 1);
}

void dismiss(QProgressDialog& dialog)
{
    dialog.reset();
    dialog.hide();
}

std::function<bool(char)> byteCounter(QProgressDialog& dialog)
{
    return [&dialog](char byte) {
        if (byte != '\r')
            advance(dialog);
        return !dialog.wasCanceled();
    };
}

} // namespace progress
