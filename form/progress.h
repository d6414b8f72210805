#pragma once

#include <functional>

class QProgressDialog;

// The progress dialog every exchange with the module shows: window-modal, shown at once,
// and left standing at its maximum (no automatic reset or close, which would also clear a
// cancel the user had just pressed). The exchange closes it itself.
namespace progress {

void prepare(QProgressDialog& dialog);

// One step on. A fresh or reset dialog stands below its minimum: the first step is one
// from the minimum, so `range` steps fill it. It stops at its maximum.
void advance(QProgressDialog& dialog);

// Closes the dialog for good. reset() also stops the dialog's own timer, which would
// otherwise still pop it up (over a message box) when it never showed.
void dismiss(QProgressDialog& dialog);

// A receive loop's byte observer that drives `dialog`: every byte but CR advances it by
// one, and the loop ends once the user has cancelled, keeping the byte just read.
std::function<bool(char)> byteCounter(QProgressDialog& dialog);

} // namespace progress
