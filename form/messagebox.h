#pragma once

#include <QMessageBox>

class QWidget;

// Every message the program shows is a modal box with a fixed text and a single OK
// button; none has a default button, so a stray Return never answers one unseen.
namespace messagebox {

void warning(QWidget* parent, const QString& title, const QString& text);
void critical(QWidget* parent, const QString& title, const QString& text);
void information(QWidget* parent, const QString& title, const QString& text);

} // namespace messagebox
