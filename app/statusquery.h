#pragma once

class WindowRecord;
struct FormContext;

// Asks the module for its live state and shows it in the status panel.
//
// Sends "~[" at 1200 baud whatever the record's rate, and reads one line up to its CR (or
// 4500 ms of silence, or 4096 bytes). While it runs, the status button shows that it is
// busy and cannot be pressed again. A reply of at least eight blank-separated pieces
// lights the lamps and fills the values, the signal bar and the version; a port that does
// not open or any other reply leaves the panel as it was, with the signal bar emptied,
// and shows one box. Either way the button is ready again at the end, and the query is kept
// in `history`.
namespace statusquery {

void run(FormContext& context, WindowRecord& history);

} // namespace statusquery
