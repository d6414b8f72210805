#pragma once

struct FormContext;

// Checks the form, builds the download frame and writes it into the module behind
// the download dialog.
namespace download {

void run(FormContext& context);

// Everything before the dialog: the checks (refused with their box, the field in front)
// and the frame, left in the record's downloadText. False when nothing may be sent.
bool prepare(FormContext& context);

} // namespace download
