// Grabs the window, one picture per tab, into screenshots/ beside the test, so that
// a person can look at the form as a user sees it after connecting a module.
#include "app/mainwindow.h"
#include "tests/support/testmain.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QPixmap>

class TestScreenshots : public QObject
{
    Q_OBJECT

private slots:
    void grabEveryTab();
};

void TestScreenshots::grabEveryTab()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(QDir().mkpath("screenshots"));
    Ui::MainWindow& ui = window.form();
    for (int page = 0; page < ui.tabWidget->count(); ++page) {
        ui.tabWidget->setCurrentIndex(page);
        QTest::qWait(20);
        const QPixmap picture = window.grab();
        QCOMPARE(picture.size(), QSize(910, 600));
        QVERIFY(picture.save(QStringLiteral("screenshots/tab%1.png").arg(page + 1)));
    }
}

VEXAGRID_TEST_MAIN(TestScreenshots)
#include "tst_screenshots.moc"
