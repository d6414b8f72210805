// Grabs the window as a user sees it after connecting a module (unlocked, laid out
// for the VexaGrid-3, the shipped defaults loaded), one picture per tab, into
// screenshots/ beside the test, so that a person can look at the form.
#include "tests/support/testmain.h"
#include "tests/support/windowfixture.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QTemporaryDir>

class TestScreenshots : public QObject
{
    Q_OBJECT

private slots:
    void grabEveryTab();
};

void TestScreenshots::grabEveryTab()
{
    QVERIFY(QDir().mkpath("screenshots"));
    // The defaults come from a folder of their own: one beside the test programs would be
    // found by the other tests running at the same time.
    QTemporaryDir defaults;
    QVERIFY(QFile::copy(fixture::sourcePath("resources/defval_vg.dll"),
                        defaults.filePath("defval_vg.dll")));
    const QString here = QDir::currentPath();
    MainWindow* window = fixture::connectedWindow();
    QDir::setCurrent(defaults.path());
    window->newfile();
    QDir::setCurrent(here);
    Ui::MainWindow& ui = window->form();
    QCOMPARE(ui.m_nev->text(), "VexaGrid-3");
    for (int page = 0; page < ui.tabWidget->count(); ++page) {
        ui.tabWidget->setCurrentIndex(page);
        QTest::qWait(20);
        const QPixmap picture = window->grab();
        QCOMPARE(picture.size(), QSize(910, 600));
        QVERIFY(picture.save(QStringLiteral("screenshots/tab%1.png").arg(page + 1)));
    }
    delete window;
}

VEXAGRID_TEST_MAIN(TestScreenshots)
#include "tst_screenshots.moc"
