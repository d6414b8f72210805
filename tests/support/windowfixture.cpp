#include "tests/support/windowfixture.h"

#include "record/record.h"

#include <QLineEdit>
#include <QTest>

namespace fixture {

MainWindow* connectedWindow()
{
    auto* window = new MainWindow;
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window))
        qWarning("the test window did not become active");
    window->globalEnableUI();
    window->setVexaGridUI();
    return window;
}

void leave(QLineEdit* edit, QWidget* next)
{
    // A message box closed before may have left the window inactive, and focus
    // changes in an inactive window send no focus events.
    QWidget* window = edit->window();
    if (!window->isActiveWindow()) {
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window))
            qWarning("the test window did not become active");
    }
    edit->setFocus(Qt::TabFocusReason);
    next->setFocus(Qt::TabFocusReason);
}

std::optional<RecordedEvent> lastEvent()
{
    Expected<record::Record> opened = record::Record::open(record::locationFromEnvironment().path);
    if (!opened) {
        qWarning("%s", qPrintable(opened.failure().message));
        return std::nullopt;
    }
    record::EventFilter newest;
    newest.limit = 1;
    const QList<record::Event> events = opened->events(newest).valueOr({});
    if (events.isEmpty())
        return std::nullopt;
    RecordedEvent last{events.first(), {}};
    if (const auto stored = opened->configuration(last.event.configurationHash))
        last.configuration = stored->lines();
    return last;
}

QString sourcePath(const QString& relative)
{
    return qEnvironmentVariable("VEXAGRID_TEST_SOURCE_DIR") + QLatin1Char('/') + relative;
}

} // namespace fixture
