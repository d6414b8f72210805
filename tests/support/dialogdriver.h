#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

class QDialog;

// Answers the modal dialogs that an action opens. Queue what the next dialogs should
// be and how to answer them, run the action, then check done(): a dialog that did
// not come, or one that came unasked, is a failure, never a hang (an unexpected
// dialog is recorded and rejected). Progress dialogs are left alone.
class DialogDriver : public QObject
{
    Q_OBJECT
public:
    struct Seen
    {
        QString className;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString title;
        QString text;
        int buttonCount = 0;
        bool hasDefaultButton = false;
    };

    explicit DialogDriver(QObject* parent = nullptr);
    ~DialogDriver() override;

    // The next dialog is a message box; press `answer` (OK by default).
    void expectMessage(QMessageBox::StandardButton answer = QMessageBox::Ok);
    // The next dialog is a file dialog; choose `path`, or cancel when it is empty.
    void expectFile(const QString& path);
    // The next dialog is any other dialog; `handler` answers it (it must close it).
    void expectDialog(const QString& className, std::function<void(QDialog*)> handler);

    // Waits up to `timeoutMs` for every queued expectation to be met.
    bool waitDone(int timeoutMs = 5000);
    // True when every expectation was met and nothing unexpected came.
    bool done() const;
    QString problems() const;

    const QList<Seen>& seen() const { return m_seen; }
    Seen last() const { return m_seen.isEmpty() ? Seen{} : m_seen.last(); }
    void clearSeen() { m_seen.clear(); }

private:
    struct Expectation
    {
        enum Kind { Message, File, Other } kind;
        QMessageBox::StandardButton answer = QMessageBox::Ok;
        QString path;
        QString className;
        std::function<void(QDialog*)> handler;
    };

    void poll();

    QTimer m_timer;
    QList<Expectation> m_queue;
    QList<Seen> m_seen;
    QStringList m_problems;
    QList<QObject*> m_handled;
    QElapsedTimer m_sinceHandled;
};
