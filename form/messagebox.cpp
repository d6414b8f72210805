#include "form/messagebox.h"

namespace messagebox {

namespace {

int openBoxes = 0;

void show(QMessageBox::Icon icon, QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    ++openBoxes;
    box.exec();
    --openBoxes;
}

} // namespace

void warning(QWidget* parent, const QString& title, const QString& text)
{
    show(QMessageBox::Warning, parent, title, text);
}

void critical(QWidget* parent, const QString& title, const QString& text)
{
    show(QMessageBox::Critical, parent, title, text);
}

void information(QWidget* parent, const QString& title, const QString& text)
{
    show(QMessageBox::Information, parent, title, text);
}

bool isShowing()
{
    return openBoxes > 0;
}

} // namespace messagebox
