#pragma once

class WindowRecord;
struct FormContext;

// The port dialog and the identification of the module on the chosen port.
namespace portselection {

// `searchAtOnce`: the dialog searches the ports for a module before it is shown
// (the device button does this; the menu entry does not).
// The identification is kept in `history`.
void run(FormContext& context, bool searchAtOnce, WindowRecord& history);

} // namespace portselection
