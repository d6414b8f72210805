#pragma once

#include <QString>

class QLabel;
class QStatusBar;

namespace statusbar {

// A new link label showing `richText` at position 2 of the status bar: external
// links open in the browser, and the mouse reaches links only (no text selection).
QLabel* insertLinkLabel(QStatusBar* bar, const QString& richText);

} // namespace statusbar
