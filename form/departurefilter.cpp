#include "form/departurefilter.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

DepartureFilter::DepartureFilter(QObject* parent) : QObject(parent) {}

void DepartureFilter::watchGroup(QWidget* group)
{
    const auto edits = group->findChildren<QLineEdit*>();
    for (QLineEdit* edit : edits)
        edit->installEventFilter(this);
}

bool DepartureFilter::eventFilter(QObject* watched, QEvent* event)
{
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (!edit)
        return false;
    if (event->type() == QEvent::FocusOut) {
        // A popup (a context menu) taking the focus is not a departure.
        if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
            emit departed(edit);
    } else if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            emit departed(edit);
    }
    return false;
}
