#pragma once

#include <QString>

// The user manual: the Hungarian HTML source in resources/manual typeset into
// "vexagrid-help.pdf" with a title page, a table of contents, numbered chapters and a
// running head and foot on every page. The icons and the module picture the text refers
// to are drawn here, not read from files, so the manual always shows the current ones.
namespace manual {

// Renders `htmlPath` into `pdfPath`; `version` is the program version on the title page.
// On failure, returns false with the reason in `error`.
bool render(const QString& htmlPath, const QString& pdfPath, const QString& version,
            QString* error);

} // namespace manual
