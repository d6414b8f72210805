#pragma once

struct FormContext;

// Checks the form, builds the download frame and writes it into the module behind
// the download dialog.
namespace download {

void run(FormContext& context);

} // namespace download
