#pragma once

class WindowRecord;
struct FormContext;

// Checks the form, builds the download frame and writes it into the module behind
// the download dialog. The write is kept in `history`: stored as started before the dialog
// (when it cannot be, nothing is sent) and finished with the module's answer.
namespace download {

void run(FormContext& context, WindowRecord& history);

// Everything before the dialog: the checks (refused with their box, the field in front)
// and the frame, left in the record's downloadText. False when nothing may be sent.
bool prepare(FormContext& context);

} // namespace download
