#include "tests/support/windowfixture.h"

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

QString sourcePath(const QString& relative)
{
    return qEnvironmentVariable("VEXAGRID_TEST_SOURCE_DIR") + QLatin1Char('/') + relative;
}

} // namespace fixture
