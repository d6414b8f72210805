#pragma once

#include <atomic>

// Ctrl+C and SIGTERM: the first one sets the stop flag every transfer looks at between
// bytes and wakes every waiting --watch; the second one ends the program at once, as if
// there were no handler.
namespace cli::interrupt {

// Installs the handlers; needs the application object (the wake-up runs on its thread).
void install();

const std::atomic<bool>* flag();
bool requested();

// Waits `ms` unless an interrupt comes first; false when interrupted.
bool sleep(int ms);

} // namespace cli::interrupt
