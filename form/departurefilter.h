#pragma once

#include <QObject>

class QLineEdit;
class QWidget;

// Reports every time the user leaves a line edit or presses Return in it, whether
// or not its text changed. QLineEdit::editingFinished() no longer fires for an
// unchanged field, but leaving any field of a group must re-check the whole group,
// so that a bad value that came in through a file is reported beside it.
class DepartureFilter : public QObject
{
    Q_OBJECT
public:
    explicit DepartureFilter(QObject* parent = nullptr);

    // Watches every line edit found inside `group` (in creation order).
    void watchGroup(QWidget* group);

signals:
    void departed(QLineEdit* edit);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
