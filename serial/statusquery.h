#pragma once

struct FormContext;

// Asks the module for its live state and shows it in the status panel.
namespace statusquery {

void run(FormContext& context);

} // namespace statusquery
