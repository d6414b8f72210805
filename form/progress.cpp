#include "form/progress.h"

#include <QProgressDialog>

namespace progress {

std::function<bool(char)> byteCounter(QProgressDialog& dialog)
{
    return [&dialog](char byte) {
        if (byte != '\r') {
            // A fresh dialog stands below its minimum (nothing shown yet): the first byte
            // is one step from the minimum, so a reply of exactly `range` bytes fills it.
            dialog.setValue(qMax(dialog.value(), dialog.minimum()) + 1);
        }
        return !dialog.wasCanceled();
    };
}

} // namespace progress
