#pragma once

struct FormContext;

// The port dialog and the identification of the module on the chosen port.
namespace portselection {

// `searchAtOnce`: the dialog searches the ports for a module before it is shown
// (the device button does this; the menu entry does not).
void run(FormContext& context, bool searchAtOnce);

} // namespace portselection
