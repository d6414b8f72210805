// Start-up of the main window, the settings record, the runtime file lookup, the
// about box and the manual.
#include "app/about.h"
#include "app/mainwindow.h"
#include "core/programsettings.h"
#include "core/runtimefiles.h"
#include "tests/support/dialogdriver.h"
#include "tests/support/testmain.h"
#include "ui_mainwindow.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>

class TestApp : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void settingsDefaults();
    void settingsCopyIsIndependent();
    void statusBarAfterStart();
    void startupState();
    void pictureMissingLeavesLabelEmpty();
    void pictureFromCurrentDirectory();
    void runtimeFileLookupOrder();
    void verifyOnlySwitchesToFirstPage();
    void aboutTwiceGivesTwoBoxes();
    void manualMissingGivesCriticalBox();

private:
    QTemporaryDir* workDir = nullptr;
    QString oldDir;
};

void TestApp::init()
{
    // Each case runs in an empty directory of its own, so no runtime file is found
    // unless the case puts it there.
    oldDir = QDir::currentPath();
    workDir = new QTemporaryDir;
    QVERIFY(workDir->isValid());
    QDir::setCurrent(workDir->path());
}

void TestApp::cleanup()
{
    QDir::setCurrent(oldDir);
    delete workDir;
    workDir = nullptr;
}

void TestApp::settingsDefaults()
{
    const ProgramSettings s;
    QCOMPARE(s.port, "COM1");
    QCOMPARE(s.baud, 1200);
    QCOMPARE(s.checkSize, 0);
    QCOMPARE(s.ackChar, 'O');
    QCOMPARE(s.serialTimeout, 2000);
    QCOMPARE(s.checkValue, 0);
    QCOMPARE(s.downloadSeparator, '|');
    QCOMPARE(s.uploadSeparator, '|');
    QCOMPARE(s.uploadCommand, '{');
    QVERIFY(s.downloadText.isNull() && s.fileTitle.isNull() && s.filePath.isNull());
    QVERIFY(s.linkText.isNull() && s.aboutText.isNull() && s.deviceId.isNull());
    QCOMPARE(s.deviceImage, "i_vg-3.dll");
    QCOMPARE(s.deviceKind, 0);
    QCOMPARE(s.version, "1.03");
}

void TestApp::settingsCopyIsIndependent()
{
    ProgramSettings original;
    original.downloadText = QStringLiteral("frame");
    const ProgramSettings copy = original;
    original.downloadText.clear();
    original.port = QStringLiteral("COM7");
    original.baud = 9600;
    QCOMPARE(copy.downloadText, "frame");
    QCOMPARE(copy.port, "COM1");
    QCOMPARE(copy.baud, 1200);
}

void TestApp::statusBarAfterStart()
{
    MainWindow window;
    QList<QLabel*> labels;
    const auto children =
        window.statusBar()->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
    for (QLabel* label : children)
        labels << label;
    // Left to right, as the status bar lays them out.
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    std::sort(labels.begin(), labels.end(), [](QLabel* a, QLabel* b) { return a->x() < b->x(); });
    QCOMPARE(labels.size(), 3);
    QCOMPARE(labels[0]->text(), "Nincs megnyitott fájl.");
    QCOMPARE(labels[1]->text(), "COM1  Baud: 1200");
    QCOMPARE(labels[2]->text(), window.settings().linkText);
    QVERIFY(labels[2]->text().contains("<a href=\"http://www.vexagrid.hu\">www.vexagrid.hu</a>"));
    QVERIFY(labels[2]->openExternalLinks());
    QCOMPARE(labels[2]->textInteractionFlags(), Qt::LinksAccessibleByMouse);

    auto* corner = qobject_cast<QLabel*>(window.form().menuBar->cornerWidget(Qt::TopRightCorner));
    QVERIFY(corner);
    QCOMPARE(corner->text(), "v1.03   ");
}

void TestApp::startupState()
{
    MainWindow window;
    Ui::MainWindow& ui = window.form();
    QVERIFY(!ui.actionVerify->isVisible());
    QVERIFY(ui.verify_gomb->isHidden());
    QCOMPARE(ui.tabWidget->currentIndex(), 0);
    QVERIFY(!ui.tabWidget->isTabEnabled(1));
    QCOMPARE(window.settings().deviceImage, "i_vg-3.dll");
    QCOMPARE(window.settings().deviceKind, 0);
}

void TestApp::pictureMissingLeavesLabelEmpty()
{
    QTest::failOnWarning(QRegularExpression(".*"));
    MainWindow window;
    QVERIFY(window.form().image->pixmap().isNull());
}

void TestApp::pictureFromCurrentDirectory()
{
    // The picture is an ordinary image whatever its name ends in.
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    QVERIFY(picture.save("i_vg-3.dll", "PNG"));
    MainWindow window;
    QCOMPARE(window.form().image->pixmap().size(), QSize(40, 30));
}

void TestApp::runtimeFileLookupOrder()
{
    QTemporaryDir exeDir;
    QVERIFY(QDir().mkpath(exeDir.filePath("share/vexagrid")));
    const QString installed = exeDir.filePath("bin");
    QVERIFY(QDir().mkpath(installed));
    const QStringList dirs{".", installed, QDir::cleanPath(installed + "/../share/vexagrid")};

    // None anywhere: the bare name, so the caller's "missing" handling applies.
    QCOMPARE(runtimefiles::locate("defval_vg.dll", dirs), "defval_vg.dll");

    auto touch = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly);
    };
    QVERIFY(touch(exeDir.filePath("share/vexagrid/defval_vg.dll")));
    QCOMPARE(runtimefiles::locate("defval_vg.dll", dirs), QDir(dirs[2]).filePath("defval_vg.dll"));
    QVERIFY(touch(installed + "/defval_vg.dll"));
    QCOMPARE(runtimefiles::locate("defval_vg.dll", dirs), installed + "/defval_vg.dll");
    QVERIFY(touch("defval_vg.dll"));
    QCOMPARE(runtimefiles::locate("defval_vg.dll", dirs), "defval_vg.dll");

    // The real search starts with the current directory.
    QCOMPARE(runtimefiles::searchDirs().first(), ".");
}

void TestApp::verifyOnlySwitchesToFirstPage()
{
    MainWindow window;
    Ui::MainWindow& ui = window.form();
    ui.tabWidget->setCurrentIndex(3);
    ui.m_nev->setText("unchanged");
    window.verify_func();
    QCOMPARE(ui.tabWidget->currentIndex(), 0);
    QCOMPARE(ui.m_nev->text(), "unchanged");
    window.saveas();
    QCOMPARE(ui.tabWidget->currentIndex(), 0);
}

void TestApp::aboutTwiceGivesTwoBoxes()
{
    MainWindow window;
    window.form().actionAbout->trigger();
    window.form().actionAbout->trigger();
    const auto boxes = window.findChildren<about*>();
    QCOMPARE(boxes.size(), 2);
    for (about* box : boxes) {
        QVERIFY(box->isVisible());
        QVERIFY(!box->isModal());
        QCOMPARE(box->windowTitle(), "Névjegy");
        QCOMPARE(box->size(), QSize(311, 200));
        QCOMPARE(box->findChild<QLabel*>("l_version")->text(), "Version v1.03");
        QCOMPARE(box->findChild<QLabel*>("label_software")->text(), "VexaGrid-3\nLetöltő Szoftver");
        QVERIFY(box->findChild<QLabel*>("label_comp")->text().contains("2016"));
        QVERIFY(box->findChild<QLabel*>("label_wby")->font().italic());
    }
    // Close hides a box; it stays with the window.
    auto* buttons = boxes.first()->findChild<QDialogButtonBox*>("buttonBox");
    buttons->button(QDialogButtonBox::Close)->click();
    QVERIFY(!boxes.first()->isVisible());
    QCOMPARE(window.findChildren<about*>().size(), 2);
}

void TestApp::manualMissingGivesCriticalBox()
{
    MainWindow window;
    DialogDriver driver;
    driver.expectMessage();
    window.form().actionContents->trigger();
    QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));
    QCOMPARE(driver.seen().size(), 1);
    QCOMPARE(driver.last().icon, QMessageBox::Critical);
    QCOMPARE(driver.last().title, "Help");
    QCOMPARE(driver.last().text, "Hiba! A dokumentáció nem nyitható meg.");
    QCOMPARE(driver.last().buttonCount, 1);
}

VEXAGRID_TEST_MAIN(TestApp)
#include "tst_app.moc"
