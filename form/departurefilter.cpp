#include "form/departurefilter.h"

#include <QApplication>
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

namespace {

// True when `popup` belongs to `edit` (its context menu is made with the field as parent).
bool isOwnPopup(const QLineEdit* edit, const QWidget* popup)
{
    for (const QWidget* widget = popup; widget; widget = widget->parentWidget()) {
        if (widget == edit)
            return true;
    }
    return false;
}

} // namespace

bool DepartureFilter::eventFilter(QObject* watched, QEvent* event)
{
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (!edit)
        return false;
    if (event->type() == QEvent::FocusOut) {
        // The field's own context menu taking the focus is not a departure: the user is
        // still editing it. Any other popup is, a menu of the menu bar above all: from
        // there the user may start a download with the field still unchecked.
        if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason ||
            !isOwnPopup(edit, QApplication::activePopupWidget()))
            emit departed(edit);
    } else if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            emit departed(edit);
    }
    return false;
}
