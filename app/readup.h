#pragma once

#include <QStringList>

class WindowRecord;
struct FormContext;

// Reads the configuration stored in the module into the form.
//
// Sends "~{" on the record's port at its baud rate and reads the reply behind a
// cancellable progress dialog until the line has been silent for 1200 ms. A reply of
// exactly 56 fields fills the form field by field, in an order that lets the form's own
// reactions (the RING/SMS box rule, the provider choice) run as they would for a user.
// A port that does not open, a cancel, a silent module or a reply of another shape
// leaves the form as it was; each failure shows its box, a cancel shows none. The read-out,
// with the configuration it put on the form, is kept in `history`.
namespace readup {

void run(FormContext& context, WindowRecord& history);

// Fills the form from the 56 fields of a reply, as run() does once the reply has come.
void apply(FormContext& context, const QStringList& fields);

} // namespace readup
