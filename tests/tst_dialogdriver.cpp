// The dialog driver that the window tests rely on: it must answer what it was told
// to expect, and turn every surprise into a failure instead of a hang.
#include "tests/support/dialogdriver.h"
#include "tests/support/testmain.h"

#include <QFileDialog>
#include <QTemporaryDir>

class TestDialogDriver : public QObject
{
    Q_OBJECT

private slots:
    void answersAndRecordsAMessageBox();
    void unexpectedDialogIsRejectedAndReported();
    void missingDialogIsReported();
    void wrongKindIsReported();
    void givesAFileDialogItsFile();
    void cancelsAFileDialog();
    void answersOtherDialogs();
};

void TestDialogDriver::answersAndRecordsAMessageBox()
{
    DialogDriver driver;
    driver.expectMessage(QMessageBox::No);
    const int answer =
        QMessageBox::question(nullptr, "Kérdés", "Biztos?", QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(answer, int(QMessageBox::No));
    QVERIFY2(driver.done(), qPrintable(driver.problems()));
    QCOMPARE(driver.last().icon, QMessageBox::Question);
    QCOMPARE(driver.last().title, "Kérdés");
    QCOMPARE(driver.last().text, "Biztos?");
    QCOMPARE(driver.last().buttonCount, 2);
}

void TestDialogDriver::unexpectedDialogIsRejectedAndReported()
{
    DialogDriver driver;
    QMessageBox::warning(nullptr, "Hiba", "Nem várt");
    QVERIFY(!driver.done());
    QVERIFY(driver.problems().contains("Nem várt"));
}

void TestDialogDriver::missingDialogIsReported()
{
    DialogDriver driver;
    driver.expectMessage();
    QVERIFY(!driver.waitDone(50));
    QVERIFY(driver.problems().contains("did not come"));
}

void TestDialogDriver::wrongKindIsReported()
{
    DialogDriver driver;
    driver.expectFile("x.vgf");
    QMessageBox::information(nullptr, "Mentés", "Sikeres mentés.");
    QVERIFY(!driver.done());
    QVERIFY(driver.problems().contains("expected a file dialog"));
}

void TestDialogDriver::givesAFileDialogItsFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("uj.vgf");
    DialogDriver driver;
    driver.expectFile(path);
    const QString chosen =
        QFileDialog::getSaveFileName(nullptr, "Fájl mentése", dir.path(), "VexaGrid Files (*.vgf)");
    QVERIFY2(driver.done(), qPrintable(driver.problems()));
    QCOMPARE(chosen, path);
    QCOMPARE(driver.last().title, "Fájl mentése");
}

void TestDialogDriver::cancelsAFileDialog()
{
    DialogDriver driver;
    driver.expectFile(QString());
    const QString chosen = QFileDialog::getOpenFileName(nullptr, "Fájl megnyitása", ".");
    QVERIFY2(driver.done(), qPrintable(driver.problems()));
    QVERIFY(chosen.isNull());
}

void TestDialogDriver::answersOtherDialogs()
{
    DialogDriver driver;
    driver.expectDialog("QDialog", [](QDialog* dialog) { dialog->accept(); });
    QDialog dialog;
    dialog.setWindowTitle("Port beállítások");
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QVERIFY2(driver.done(), qPrintable(driver.problems()));
    QCOMPARE(driver.last().title, "Port beállítások");
}

VEXAGRID_TEST_MAIN(TestDialogDriver)
#include "tst_dialogdriver.moc"
