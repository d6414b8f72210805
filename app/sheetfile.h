#pragma once

struct FormContext;

// The configuration sheet of the form's values, saved as PDF where the user says.
namespace sheetfile {

void save(FormContext& context);

} // namespace sheetfile
