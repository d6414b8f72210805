#include "tests/support/dialogdriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QProgressDialog>
#include <QTest>

DialogDriver::DialogDriver(QObject* parent) : QObject(parent)
{
    m_timer.setInterval(10);
    connect(&m_timer, &QTimer::timeout, this, &DialogDriver::poll);
    m_timer.start();
}

DialogDriver::~DialogDriver() = default;

void DialogDriver::expectMessage(QMessageBox::StandardButton answer)
{
    m_queue.append({Expectation::Message, answer, {}, {}, {}});
}

void DialogDriver::expectFile(const QString& path)
{
    m_queue.append({Expectation::File, QMessageBox::NoButton, path, {}, {}});
}

void DialogDriver::expectDialog(const QString& className, std::function<void(QDialog*)> handler)
{
    m_queue.append({Expectation::Other, QMessageBox::NoButton, {}, className, std::move(handler)});
}

bool DialogDriver::waitDone(int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!m_queue.isEmpty() && !deadline.hasExpired())
        QTest::qWait(10);
    if (!m_queue.isEmpty()) {
        m_problems << QStringLiteral("%1 expected dialog(s) did not come").arg(m_queue.size());
        m_queue.clear();
    }
    return done();
}

bool DialogDriver::done() const
{
    return m_queue.isEmpty() && m_problems.isEmpty();
}

QString DialogDriver::problems() const
{
    QStringList all = m_problems;
    if (!m_queue.isEmpty())
        all << QStringLiteral("%1 expected dialog(s) still pending").arg(m_queue.size());
    return all.join(QStringLiteral("; "));
}

void DialogDriver::poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    auto* dialog = qobject_cast<QDialog*>(modal);
    if (!dialog || qobject_cast<QProgressDialog*>(dialog) || !dialog->isVisible())
        return;
    if (m_handled.contains(dialog)) {
        // An answer that did not close the dialog (a file dialog refusing a name, say)
        // must fail the test, not leave it waiting for ever.
        if (m_sinceHandled.isValid() && m_sinceHandled.elapsed() > 2000) {
            m_problems << QStringLiteral("%1 \"%2\" did not close after its answer")
                              .arg(QString::fromLatin1(dialog->metaObject()->className()),
                                   dialog->windowTitle());
            m_sinceHandled.invalidate();
            dialog->reject();
        }
        return;
    }
    m_handled.append(dialog);
    m_sinceHandled.start();
    connect(dialog, &QObject::destroyed, this,
            [this](QObject* gone) { m_handled.removeAll(gone); });

    Seen seen;
    seen.className = QString::fromLatin1(dialog->metaObject()->className());
    seen.title = dialog->windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
        seen.icon = box->icon();
        seen.text = box->text();
        seen.buttonCount = box->buttons().size();
        seen.hasDefaultButton = box->defaultButton() != nullptr;
    }
    m_seen.append(seen);

    if (m_queue.isEmpty()) {
        m_problems << QStringLiteral("unexpected %1 \"%2\": %3")
                          .arg(seen.className, seen.title, seen.text);
        dialog->reject();
        return;
    }
    const Expectation next = m_queue.takeFirst();
    QPointer<QDialog> guard(dialog);
    switch (next.kind) {
    case Expectation::Message: {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        if (!box) {
            m_problems << QStringLiteral("expected a message box, got %1").arg(seen.className);
            dialog->reject();
            return;
        }
        QAbstractButton* button = box->button(next.answer);
        if (!button) {
            m_problems << QStringLiteral("message box \"%1\" has no such button").arg(seen.text);
            dialog->reject();
            return;
        }
        button->click();
        return;
    }
    case Expectation::File: {
        auto* files = qobject_cast<QFileDialog*>(dialog);
        if (!files) {
            m_problems << QStringLiteral("expected a file dialog, got %1").arg(seen.className);
            dialog->reject();
            return;
        }
        if (next.path.isEmpty()) {
            files->reject();
        } else {
            // The name goes straight into the name field and the dialog is closed with
            // done(): accept() consults the directory model, which loads
            // asynchronously and may still take the name for a folder.
            files->selectFile(next.path);
            if (auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                name->setText(next.path);
            static_cast<QDialog*>(files)->done(QDialog::Accepted);
        }
        return;
    }
    case Expectation::Other:
        if (seen.className != next.className) {
            m_problems << QStringLiteral("expected %1, got %2").arg(next.className, seen.className);
            dialog->reject();
            return;
        }
        next.handler(dialog);
        return;
    }
}
