#pragma once

struct FormContext;

// Save, Open and New: the form written to and read from configuration files.
namespace configfiles {

void save(FormContext& context);
void open(FormContext& context);
// A new configuration from the defaults file "defval_vg.dll"; silently nothing when
// the file is missing or incomplete.
void newFile(FormContext& context);

} // namespace configfiles
