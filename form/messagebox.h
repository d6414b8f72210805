#pragma once

#include <QMessageBox>

class QWidget;

// Every message the program shows is a modal box with a fixed text and a single OK
// button; none has a default button, so a stray Return never answers one unseen.
namespace messagebox {

void warning(QWidget* parent, const QString& title, const QString& text);
void critical(QWidget* parent, const QString& title, const QString& text);
void information(QWidget* parent, const QString& title, const QString& text);

// True while one of these boxes is open. A box takes the focus from the field the user
// was in, which counts as leaving it; the field checks stay quiet meanwhile, so no
// check puts a second box on top of one already shown.
bool isShowing();

} // namespace messagebox
