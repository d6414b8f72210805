#pragma once

#include <functional>

class QProgressDialog;

namespace progress {

// A receive loop's byte observer that drives `dialog`: every byte but CR advances it by
// one (a dialog stops at its maximum while the bytes go on), and the loop ends once the
// user has cancelled, keeping the byte just read.
std::function<bool(char)> byteCounter(QProgressDialog& dialog);

} // namespace progress
