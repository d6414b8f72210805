// Grabs the window as a user sees it after connecting a module (unlocked, laid out
// for the VexaGrid-3, the shipped defaults loaded), one picture per tab, into
// screenshots/ beside the test, so that a person can look at the form.
#include "tests/support/testmain.h"
#include "tests/support/windowfixture.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QFile>
#include <QPixmap>

class TestScreenshots : public QObject
{
    Q_OBJECT

private slots:
    void grabEveryTab();
};

void TestScreenshots::grabEveryTab()
{
    QVERIFY(QDir().mkpath("screenshots"));
    QFile::remove("defval_vg.dll");
    QVERIFY(QFile::copy(fixture::sourcePath("resources/defval_vg.dll"), "defval_vg.dll"));
    MainWindow* window = fixture::connectedWindow();
    window->newfile();
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
    QFile::remove("defval_vg.dll");
}

VEXAGRID_TEST_MAIN(TestScreenshots)
#include "tst_screenshots.moc"
