// Configuration files as the user meets them: Save, Open and the defaults file, seen
// through the bytes on disk, the form, the status bar and the message boxes.
#include "core/fields.h"
#include "tests/support/dialogdriver.h"
#include "tests/support/testmain.h"
#include "tests/support/windowfixture.h"
#include "ui_mainwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QRadioButton>
#include <QStatusBar>
#include <QTemporaryDir>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace {

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray lines(const QStringList& values)
{
    QByteArray bytes;
    for (const QString& value : values)
        bytes += value.toLatin1() + "\r\n";
    return bytes;
}

// The 172 lines of a form as the window leaves it after its set-up.
QStringList freshLines()
{
    QStringList values;
    values << "+"
           << "36309888000";
    for (int i = 3; i <= 50; ++i)
        values << "";
    for (int i = 51; i <= 58; ++i)
        values << "+";
    for (int i = 59; i <= 122; ++i)
        values << "0";
    for (const QString& radio : fields::allRadios())
        values << ((radio.endsWith("_0") || radio == "max_be_15" || radio.startsWith('b')) ? "1"
                                                                                           : "0");
    return values;
}

// The text of a PDF, as pdftotext reads it.
QString pdfText(const QString& file)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-layout"), file, QStringLiteral("-")});
    if (!process.waitForFinished(30000))
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class TestFiles : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void freshFormIsSavedAsItsLines();
    void saveThenOpenRestoresTheForm();
    void disabledFieldsLoadEmpty();
    void fileWithoutExtensionShowsATrailingPoint();
    void tooShortFilesAreRefused_data();
    void tooShortFilesAreRefused();
    void oneExtraLineIsEnough();
    void missingFileOnOpen();
    void cancelledOpenChangesNothing();
    void allFilesListsNamesWithoutAPoint();
    void missingDefaultsAreSilent();
    void shippedDefaultsFillTheForm();
    void defaultsReplaceTheLinkLabel();
    void providerFollowsTheLoadedNumber();
    void failedSaveKeepsEverything_data();
    void failedSaveKeepsEverything();
    void sheetOfTheForm();

private:
    QString path(const QString& name) const { return dir->filePath(name); }
    QString value(const QString& name);
    void save(const QString& file);
    QLabel* linkLabel();

    MainWindow* window = nullptr;
    QTemporaryDir* dir = nullptr;
    QString oldDir;
};

void TestFiles::init()
{
    oldDir = QDir::currentPath();
    dir = new QTemporaryDir;
    QDir::setCurrent(dir->path());
    window = fixture::connectedWindow();
}

void TestFiles::allFilesListsNamesWithoutAPoint()
{
#ifdef Q_OS_WIN
    QSKIP("On Windows the program opens files through the system's file dialog; the Qt dialog "
          "this test drives is there only a fallback (as on the offscreen platform), without "
          "the filter handling the program gives it on Linux");
#endif
    window->form().m_nev->setText(QStringLiteral("Szivattyu"));
    save(path(QStringLiteral("szivattyu")));
    window->form().m_nev->setText(QStringLiteral("other"));

    // The user switches the open dialog to "All Files (*.*)" and finds the file there.
    bool listedBefore = true;
    bool listedAfter = false;
    QString filterShown;
    DialogDriver driver;
    driver.expectDialog(QStringLiteral("QFileDialog"), [&](QDialog* dialog) {
        auto* files = qobject_cast<QFileDialog*>(dialog);
        auto* model = files->findChild<QFileSystemModel*>();
        auto* types = files->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        QVERIFY(model && types);
        const QString file = QDir(dir->path()).absoluteFilePath(QStringLiteral("szivattyu"));
        // The list first shows configuration files only; the model loads the folder on
        // its own thread, so its filter is what can be looked at without a race.
        listedBefore = model->nameFilters() != QStringList{QStringLiteral("*.vgf")};
        types->setFocus();
        QTest::keyClick(types, Qt::Key_Down);
        filterShown = types->currentText();
        QCOMPARE(model->nameFilters(), QStringList{QStringLiteral("*")});
        QTRY_VERIFY(model->index(file).isValid());
        listedAfter = true;
        files->selectFile(file);
        files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(file);
        static_cast<QDialog*>(files)->done(QDialog::Accepted);
    });
    window->openfile();
    QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));
    QVERIFY(!listedBefore); // "VexaGrid Files (*.vgf)" shows only configuration files
    QCOMPARE(filterShown, QStringLiteral("All Files (*.*)"));
    QVERIFY(listedAfter);
    QCOMPARE(window->form().m_nev->text(), QStringLiteral("Szivattyu"));
}

void TestFiles::cleanup()
{
    delete window;
    QDir::setCurrent(oldDir);
    delete dir;
}

QString TestFiles::value(const QString& name)
{
    if (auto* edit = window->findChild<QLineEdit*>(name))
        return edit->text();
    if (auto* box = window->findChild<QCheckBox*>(name))
        return box->isChecked() ? "1" : "0";
    return window->findChild<QRadioButton*>(name)->isChecked() ? "1" : "0";
}

void TestFiles::save(const QString& file)
{
    DialogDriver driver;
    driver.expectFile(file);
    driver.expectMessage();
    window->form().actionSave->trigger();
    QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));
    QCOMPARE(driver.seen().first().title, "Fájl mentése");
    QCOMPARE(driver.last().icon, QMessageBox::Information);
    QCOMPARE(driver.last().title, "Mentés");
    QCOMPARE(driver.last().text, "Sikeres mentés.");
}

QLabel* TestFiles::linkLabel()
{
    for (QLabel* label : window->statusBar()->findChildren<QLabel*>()) {
        if (label->openExternalLinks())
            return label;
    }
    return nullptr;
}

void TestFiles::freshFormIsSavedAsItsLines()
{
    window->form().tabWidget->setCurrentIndex(2);
    save(path("fresh.vgf"));
    QCOMPARE(readFile(path("fresh.vgf")), lines(freshLines()));
    QCOMPARE(window->form().tabWidget->currentIndex(), 0);
    QCOMPARE(window->settings().filePath, path("fresh.vgf"));
    QCOMPARE(window->settings().fileTitle, "fresh.vgf");
    QCOMPARE(window->statusBar()->findChildren<QLabel*>().first()->text(), "fresh.vgf");
}

void TestFiles::saveThenOpenRestoresTheForm()
{
    Ui::MainWindow& ui = window->form();
    ui.smskp_combo->setCurrentIndex(3);
    ui.smskp->setText("36201234567");
    ui.m_pin->setText("1234");
    ui.m_id->setText("0042");
    ui.m_nev->setText("+"); // a lone "+" is an ordinary value here
    ui.visszaallas->setText("0");
    ui.rele_time->setText("0030");
    ui.maxsms->setText("20");
    ui.be1_nev->setText("Fazis R");
    ui.be4_nev->setText("rejtett"); // hidden by the layout, but still part of the file
    ui.ki2_off->setText("K2 ki");
    ui.act_be->setText("AKTIV");
    ui.act_ki->setText("PASSZIV");
    ui.t1->setText("36301234567");
    ui.t8->setText("3670");
    window->findChild<QCheckBox*>("tc4_1")->setChecked(true);
    window->findChild<QCheckBox*>("cb_r_1")->setChecked(true);
    window->findChild<QCheckBox*>("tc2_8")->setChecked(true);
    window->findChild<QCheckBox*>("cb_s_8")->setChecked(true);
    window->findChild<QRadioButton*>("r1_2")->setChecked(true);
    window->findChild<QRadioButton*>("r8_1")->setChecked(true);
    ui.k1->setChecked(true);
    ui.k2->setChecked(true);
    save(path("full.vgf"));

    QMap<QString, QString> saved;
    for (const QString& name : fields::allEdits() + fields::allBoxes() + fields::allRadios())
        saved[name] = value(name);

    delete window;
    window = fixture::connectedWindow();
    DialogDriver driver;
    driver.expectFile(path("full.vgf"));
    window->form().actionOpen->trigger();
    QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));
    QCOMPARE(driver.last().title, "Fájl megnyitása");
    for (const QString& name : saved.keys()) {
        if (fields::analogEdits().contains(name))
            continue;
        QCOMPARE(value(name) + " " + name, saved[name] + " " + name);
    }
    QCOMPARE(window->form().smskp_combo->currentText(), "Egyéni");
    QCOMPARE(window->settings().fileTitle, "full.vgf");
    QVERIFY(window->settings().downloadText.isEmpty());
}

void TestFiles::disabledFieldsLoadEmpty()
{
    QStringList values = freshLines();
    for (int line = 9; line <= 20; ++line)
        values[line - 1] = "A" + QString::number(line); // the analog page, disabled
    values[20] = "Fazis R";                             // be1_nev, enabled
    values[51] = "x"; // tplus_2 is disabled: it loads empty unless its line is "+"
    values[1] = "36709996500";
    QVERIFY(writeFile(path("analog.vgf"), lines(values)));
    window->form().be_a1_nev->setText("old");
    DialogDriver driver;
    driver.expectFile(path("analog.vgf"));
    window->form().actionOpen->trigger();
    QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));
    for (const QString& name : fields::analogEdits())
        QVERIFY2(value(name).isEmpty(), qPrintable(name));
    QCOMPARE(value("be1_nev"), "Fazis R");
    QCOMPARE(value("tplus_2"), "");
    QCOMPARE(value("tplus_3"), "+");
    QCOMPARE(value("smskp"), "36709996500"); // disabled, yet loaded
}

void TestFiles::fileWithoutExtensionShowsATrailingPoint()
{
    save(path("konfig"));
    QCOMPARE(window->settings().fileTitle, "konfig.");
    QCOMPARE(window->statusBar()->findChildren<QLabel*>().first()->text(), "konfig.");
    save(path("a.b.vgf"));
    QCOMPARE(window->settings().fileTitle, "a.b.vgf");
}

void TestFiles::tooShortFilesAreRefused_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("count"); // the lines the loader reads, as the log names them
    QStringList values = freshLines();
    values.removeLast();
    QTest::newRow("171 lines") << lines(values) << 171;
    QTest::newRow("empty") << QByteArray() << 1;
}

void TestFiles::tooShortFilesAreRefused()
{
    QFETCH(QByteArray, content);
    QFETCH(int, count);
    QVERIFY(writeFile(path("old.vgf"), content));
    // The box is the old one; why goes to the log.
    QTest::ignoreMessage(
        QtWarningMsg,
        (path("old.vgf") + QStringLiteral(": túl rövid: %1 sor, egy konfigurációs fájl "
                                          "172 sorból áll (régebbi vagy csonka fájl).")
                               .arg(count))
            .toUtf8()
            .constData());
    window->form().m_nev->setText("marad");
    window->form().tabWidget->setCurrentIndex(3);
    DialogDriver driver;
    driver.expectFile(path("old.vgf"));
    driver.expectMessage();
    window->form().actionOpen->trigger();
    QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));
    QCOMPARE(driver.last().icon, QMessageBox::Warning);
    QCOMPARE(driver.last().title, "File hiba");
    QCOMPARE(driver.last().text,
             "A kiválasztott file \"old.vgf\" nem nyitható meg a jelenlegi verzióval.\n"
             "Kérem töltse le a legújabb verziót a 'www.vexagrid.hu' oldalról,\n"
             "majd töltse be a 'defval_vg.dll' fájlt!");
    QCOMPARE(window->form().m_nev->text(), "marad");
    QCOMPARE(window->form().tabWidget->currentIndex(), 0);
    QCOMPARE(window->statusBar()->findChildren<QLabel*>().first()->text(),
             "Nincs megnyitott fájl.");
}

void TestFiles::oneExtraLineIsEnough()
{
    QStringList values = freshLines();
    values.removeLast();
    values[4] = "uj nev";
    QByteArray content = lines(values) + "\r\n"; // the 172nd line is empty
    QVERIFY(writeFile(path("plus.vgf"), content));
    DialogDriver driver;
    driver.expectFile(path("plus.vgf"));
    window->form().actionOpen->trigger();
    QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));
    QCOMPARE(window->form().m_nev->text(), "uj nev");

    // LF-only lines read the same.
    values = freshLines();
    values[4] = "lf nev";
    QVERIFY(writeFile(path("lf.vgf"), values.join('\n').toLatin1() + '\n'));
    driver.expectFile(path("lf.vgf"));
    window->form().actionOpen->trigger();
    QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));
    QCOMPARE(window->form().m_nev->text(), "lf nev");
}

void TestFiles::missingFileOnOpen()
{
    const QString gone = path("gone.vgf");
    QVERIFY(writeFile(gone, lines(freshLines())));
    window->form().m_nev->setText("marad");
    DialogDriver driver;
    // The file disappears between the dialog and the loader.
    driver.expectDialog("QFileDialog", [gone](QDialog* dialog) {
        static_cast<QFileDialog*>(dialog)->selectFile(gone);
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText(gone);
        dialog->done(QDialog::Accepted);
        QFile::remove(gone);
    });
    driver.expectMessage();
    window->form().actionOpen->trigger();
    QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));
    QCOMPARE(driver.last().icon, QMessageBox::Critical);
    QCOMPARE(driver.last().title, "File hiba");
    QCOMPARE(driver.last().text, "A kiválasztott fájl nem létezik.");
    QCOMPARE(window->form().m_nev->text(), "marad");
}

void TestFiles::cancelledOpenChangesNothing()
{
    window->form().m_nev->setText("marad");
    DialogDriver driver;
    driver.expectFile(QString());
    window->form().actionOpen->trigger();
    QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));
    QCOMPARE(window->form().m_nev->text(), "marad");
    QVERIFY(window->settings().filePath.isNull());
}

void TestFiles::missingDefaultsAreSilent()
{
    window->form().m_nev->setText("marad");
    QLabel* before = linkLabel();
    DialogDriver driver;
    window->newfile();
    QTest::qWait(20);
    QVERIFY2(driver.done(), qPrintable(driver.problems()));
    QVERIFY(driver.seen().isEmpty());
    QCOMPARE(window->form().m_nev->text(), "marad");
    QCOMPARE(linkLabel(), before);
    QCOMPARE(window->settings().filePath, "defval_vg.dll");
}

void TestFiles::shippedDefaultsFillTheForm()
{
    const QByteArray shipped = readFile(fixture::sourcePath("resources/defval_vg.dll"));
    QVERIFY(writeFile("defval_vg.dll", shipped));
    DialogDriver driver;
    window->newfile();
    QVERIFY2(driver.done(), qPrintable(driver.problems()));
    Ui::MainWindow& ui = window->form();
    QCOMPARE(ui.smskp->text(), "36309888000");
    QCOMPARE(ui.smskp_combo->currentIndex(), 0);
    QCOMPARE(ui.m_nev->text(), "VexaGrid-3");
    QCOMPARE(ui.m_id->text(), "0001");
    QCOMPARE(ui.visszaallas->text(), "1");
    QCOMPARE(ui.rele_time->text(), "0005");
    QCOMPARE(ui.maxsms->text(), "10");
    QCOMPARE(ui.be1_nev->text(), "Fazis R");
    QCOMPARE(ui.be3_on_msg->text(), "Fazis T kimaradt");
    QCOMPARE(ui.act_be->text(), "AKTIV");
    QCOMPARE(ui.act_ki->text(), "PASSZIV");
    QVERIFY(ui.b1->isChecked() && ui.b2->isChecked());
    for (int row = 1; row <= 8; ++row) {
        QVERIFY(window->findChild<QLineEdit*>(QString("t%1").arg(row))->text().isEmpty());
        QVERIFY(window->findChild<QRadioButton*>(QString("r%1_0").arg(row))->isChecked());
    }
    QCOMPARE(window->settings().fileTitle, "defval_vg.dll");
    QCOMPARE(window->statusBar()->findChildren<QLabel*>().first()->text(), "defval_vg.dll");
    QCOMPARE(window->settings().aboutText, "VexaGrid-3 alapbeallitasok (2016)");

    // Every value the shipped file holds is one the field checks let through.
    QVERIFY(shipped.count("\r\n") == 174);
    for (char c : shipped)
        QVERIFY(static_cast<unsigned char>(c) < 0x80);
    for (const QString& name : fields::allEdits()) {
        auto* edit = window->findChild<QLineEdit*>(name);
        QVERIFY(edit->text().size() <= edit->maxLength());
        QVERIFY(!edit->text().contains('|'));
    }
}

void TestFiles::defaultsReplaceTheLinkLabel()
{
    QStringList values = freshLines();
    values << "<a href=\"http://www.vexagrid.hu/uj\">uj</a>"
           << "rolunk"
           << "ignored";
    QVERIFY(writeFile("defval_vg.dll", lines(values)));
    // A guarded pointer: the new label may be allocated where the deleted one was (it is on
    // Windows), so only "the old one is gone" tells that the label was replaced.
    const QPointer<QLabel> before = linkLabel();
    QVERIFY(before);
    window->newfile();
    QLabel* after = linkLabel();
    QVERIFY(after && before.isNull());
    QCOMPARE(after->text(), "<a href=\"http://www.vexagrid.hu/uj\">uj</a>");
    QCOMPARE(window->settings().linkText, after->text());
    QCOMPARE(window->settings().aboutText, "rolunk");
    QCOMPARE(after->textInteractionFlags(), Qt::LinksAccessibleByMouse);
    // Still the rightmost of the three.
    window->show();
    QTest::qWait(20);
    QList<QLabel*> shown;
    for (QLabel* label : window->statusBar()->findChildren<QLabel*>()) {
        if (label->isVisible())
            shown << label;
    }
    QCOMPARE(shown.size(), 3);
    for (QLabel* label : shown)
        QVERIFY(label == after || label->x() < after->x());

    // An end mark as line 173 is the link text itself.
    values = freshLines();
    values << "---"
           << "not read";
    QVERIFY(writeFile("defval_vg.dll", lines(values)));
    window->newfile();
    QCOMPARE(window->settings().linkText, "---");
    QCOMPARE(window->settings().aboutText, "rolunk");
}

void TestFiles::providerFollowsTheLoadedNumber()
{
    QStringList values = freshLines();
    values[1] = "36709996500";
    QVERIFY(writeFile(path("voda.vgf"), lines(values)));
    DialogDriver driver;
    driver.expectFile(path("voda.vgf"));
    window->form().actionOpen->trigger();
    QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));
    QCOMPARE(window->form().smskp_combo->currentText(), "Vodafone");
    QVERIFY(!window->form().smskp->isEnabled());
}

void TestFiles::failedSaveKeepsEverything_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("why"); // what the log says after the path
    QTest::newRow("a directory") << "folder.vgf"
                                 << "nem írható: könyvtár, nem fájl.";
    QTest::newRow("no such directory") << "missing/x.vgf"
                                       << "nem írható: a könyvtára nem létezik.";
    QTest::newRow("read-only directory") << "locked/x.vgf"
                                         << "nem írható: nincs jogosultság.";
}

void TestFiles::failedSaveKeepsEverything()
{
    QFETCH(QString, target);
    QFETCH(QString, why);
    QVERIFY(QDir(dir->path()).mkdir("folder.vgf"));
    QVERIFY(QDir(dir->path()).mkdir("locked"));
    const QByteArray old = "old content\r\n";
    QVERIFY(writeFile(path("locked/x.vgf"), old));
    QFile::setPermissions(path("locked"), QFile::ReadOwner | QFile::ExeOwner);
#ifdef Q_OS_WIN
    if (target.startsWith("locked")) {
        QFile::setPermissions(path("locked"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QSKIP("Windows has no read-only folder: the read-only attribute that Qt sets on it "
              "does not stop a write into it");
    }
#else
    if (target.startsWith("locked") && geteuid() == 0) {
        QFile::setPermissions(path("locked"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QSKIP("permissions do not stop root");
    }
#endif
    save(path("before.vgf"));

    DialogDriver driver;
    driver.expectDialog("QFileDialog", [this, target](QDialog* dialog) {
        // The file dialog itself refuses some of these names; the save must cope
        // with a name that reaches it anyway, so the dialog's answer is forced.
        static_cast<QFileDialog*>(dialog)->selectFile(path(target));
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText(path(target));
        dialog->done(QDialog::Accepted);
    });
    driver.expectMessage();
    // The box is the old one; why goes to the log.
    // The log is UTF-8 everywhere; qPrintable would be the ANSI code page on Windows.
    QTest::ignoreMessage(QtWarningMsg,
                         (path(target) + QStringLiteral(": ") + why).toUtf8().constData());
    window->form().actionSave->trigger();
    const bool ok = driver.waitDone();
    QFile::setPermissions(path("locked"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY2(ok, qPrintable(driver.problems()));
    QCOMPARE(driver.last().icon, QMessageBox::Critical);
    QCOMPARE(driver.last().title, "File hiba");
    QCOMPARE(driver.last().text, "A fájl mentése nem sikerült.");
    QCOMPARE(window->settings().filePath, path("before.vgf"));
    QCOMPARE(window->settings().fileTitle, "before.vgf");
    QCOMPARE(window->statusBar()->findChildren<QLabel*>().first()->text(), "before.vgf");
    QCOMPARE(readFile(path("locked/x.vgf")), old);
}

VEXAGRID_TEST_MAIN(TestFiles)
// The File menu's sheet: the form's values on paper, the PIN only when the dialog's box asks.
void TestFiles::sheetOfTheForm()
{
    Ui::MainWindow& ui = window->form();
    QVERIFY(ui.actionSheet->isEnabled());
    ui.m_nev->setText("Kut 9");
    ui.m_pin->setText("4321");
    const QString file = path("lap.pdf");
    DialogDriver driver;
    driver.expectDialog("QFileDialog", [file](QDialog* dialog) {
        auto* files = qobject_cast<QFileDialog*>(dialog);
        QVERIFY(files);
        QCOMPARE(files->windowTitle(), "Konfigurációs lap mentése");
        auto* pin = files->findChild<QCheckBox*>("sheetPin");
        QVERIFY(pin);
        pin->setChecked(true);
        // selectFile() leaves the name box alone while it has the keyboard focus, which it
        // takes once the dialog is activated; the name is typed into it, as a user would.
        files->selectFile(file);
        files->findChild<QLineEdit*>("fileNameEdit")->setText(file);
        static_cast<QDialog*>(files)->done(QDialog::Accepted);
    });
    driver.expectMessage();
    ui.actionSheet->trigger();
    QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));
    QCOMPARE(driver.last().title, "Mentés");
    QCOMPARE(driver.last().text, "A konfigurációs lap elkészült.");
    const QString text = pdfText(file);
    if (text.isEmpty())
        QSKIP("pdftotext is not installed");
    QVERIFY2(text.contains("Kut 9") && text.contains("4321") && text.contains("Telefonszámok"),
             qPrintable(text));

    // Locked, the form's values are no module's: no sheet, as no save.
    MainWindow locked;
    QVERIFY(!locked.form().actionSheet->isEnabled());
}

#include "tst_files.moc"
