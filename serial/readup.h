#pragma once

struct FormContext;

// Reads the configuration stored in the module into the form.
namespace readup {

void run(FormContext& context);

} // namespace readup
