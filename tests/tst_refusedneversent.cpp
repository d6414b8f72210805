// A value a field check refuses never reaches the module, whichever way the download is
// started, and one problem shows one box: end to end against a simulated module.
#include "core/configcodec.h"
#include "core/configuration.h"
#include "core/fields.h"
#include "form/bindings.h"
#include "tests/support/dialogdriver.h"
#include "tests/support/simfixture.h"
#include "tests/support/testmain.h"
#include "tests/support/windowfixture.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>

#include <memory>

namespace {

const QString accentText = QStringLiteral("Ékezetek nem használhatóak!");
const QString separatorText = QStringLiteral("A | karakter nem használható!");

} // namespace

class TestRefusedNeverSent : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void typedThenMenuOpenedWithTheMouse();
    void typedThenShortcutWithoutLeaving();
    void fromAFile_data();
    void fromAFile();
    void ownContextMenuIsNoDeparture();

private:
    MainWindow* connectedWindow();
    void focus(QWidget* widget);
    void typeIntoName(const QString& text);
    void pressDownloadShortcut();
    // The module got no write request and still holds what it held.
    void moduleUntouched();

    std::unique_ptr<SimFixture> sim;
    SimModule* module = nullptr;
    QTemporaryDir dir;
    QString startDir;
    MainWindow* window = nullptr;
};

void TestRefusedNeverSent::init()
{
    startDir = QDir::currentPath();
    sim = std::make_unique<SimFixture>();
    module = sim->start(QStringLiteral("COM3"));
    QVERIFY(module);
    module->setFields(SimModule::sampleFields());
    QVERIFY(dir.isValid());
    QDir::setCurrent(dir.path());
    QFile::remove(dir.filePath(QStringLiteral("defval_vg.dll")));
    QVERIFY(QFile::copy(fixture::sourcePath(QStringLiteral("resources/defval_vg.dll")),
                        dir.filePath(QStringLiteral("defval_vg.dll"))));
    QVERIFY(connectedWindow());
}

void TestRefusedNeverSent::cleanup()
{
    delete window;
    window = nullptr;
    sim.reset();
    QDir::setCurrent(startDir);
}

MainWindow* TestRefusedNeverSent::connectedWindow()
{
    window = fixture::connectedWindow();
    window->newfile();
    window->settings().port = QStringLiteral("COM3");
    return window;
}

void TestRefusedNeverSent::focus(QWidget* widget)
{
    // A dialog closed before may have left the window inactive, and focus changes in an
    // inactive window send no focus events: the departures under test would not happen.
    if (!window->isActiveWindow()) {
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
    }
    widget->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), widget);
}

void TestRefusedNeverSent::typeIntoName(const QString& text)
{
    QLineEdit* name = window->form().m_nev;
    focus(name);
    name->selectAll();
    // Typed key by key; QTest's own typing knows no accented letters.
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, name, Qt::Key_unknown, QString(c), Qt::NoModifier);
    QCOMPARE(name->text(), text);
}

void TestRefusedNeverSent::pressDownloadShortcut()
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_D, Qt::ControlModifier);
}

void TestRefusedNeverSent::moduleUntouched()
{
    for (const SimRequest& request : module->requests())
        QVERIFY(request.command != '}');
    QVERIFY(module->writes().isEmpty());
    QCOMPARE(module->fields(), SimModule::sampleFields());
}

void TestRefusedNeverSent::typedThenMenuOpenedWithTheMouse()
{
    typeIntoName(QStringLiteral("Kút"));
    Ui::MainWindow& ui = window->form();

    // Opening "Eszköz" leaves the field: its check speaks before anything can be chosen.
    DialogDriver driver;
    driver.expectMessage();
    const QPoint device = ui.menuBar->actionGeometry(ui.menuDevice->menuAction()).center();
    QTest::mouseClick(ui.menuBar, Qt::LeftButton, {}, device);
    QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));
    QCOMPARE(driver.seen().size(), 1);
    QCOMPARE(driver.last().icon, QMessageBox::Warning);
    QCOMPARE(driver.last().title, QStringLiteral("Hiba"));
    QCOMPARE(driver.last().text, accentText);
    QCOMPARE(ui.m_nev->text(), QString());
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->close();

    // Choosing "Betöltés az eszközbe" now finds the emptied field.
    driver.clearSeen();
    driver.expectMessage();
    ui.actionDownload->trigger();
    QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));
    QCOMPARE(driver.seen().size(), 1);
    QCOMPARE(driver.last().text, QStringLiteral("Minden beviteli mezõ kitöltése kötelezõ!"));
    moduleUntouched();
}

void TestRefusedNeverSent::typedThenShortcutWithoutLeaving()
{
    typeIntoName(QStringLiteral("Kút"));
    Ui::MainWindow& ui = window->form();

    DialogDriver driver;
    driver.expectMessage();
    pressDownloadShortcut();
    QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));
    QCOMPARE(driver.seen().size(), 1);
    QCOMPARE(driver.last().icon, QMessageBox::Critical);
    QCOMPARE(driver.last().title, QStringLiteral("Hiba"));
    QCOMPARE(driver.last().text, accentText);
    // The download leaves the field as it is, so the user sees what is wrong ...
    QCOMPARE(ui.m_nev->text(), QStringLiteral("Kút"));
    QCOMPARE(window->focusWidget(), ui.m_nev);
    QCOMPARE(window->settings().downloadText, QString());
    moduleUntouched();

    // ... and leaving it afterwards runs its own check as always.
    driver.clearSeen();
    driver.expectMessage();
    fixture::leave(ui.m_nev, ui.m_id);
    QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));
    QCOMPARE(driver.seen().size(), 1);
    QCOMPARE(driver.last().icon, QMessageBox::Warning);
    QCOMPARE(driver.last().text, accentText);
    QCOMPARE(ui.m_nev->text(), QString());
    moduleUntouched();
}

void TestRefusedNeverSent::fromAFile_data()
{
    QTest::addColumn<QString>("field");  // the field the file fills
    QTest::addColumn<QString>("value");  // what the file puts there
    QTest::addColumn<QString>("cursor"); // where the user is when pressing Ctrl+D
    QTest::addColumn<QString>("title");  // the one box
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("page");

    // The cursor sits in the same group: focusing the refused field leaves it, and that
    // must not put the group's warning before the download's box.
    QTest::newRow("separator, cursor in the same group") << "m_nev"
                                                         << "A|B"
                                                         << "m_pin"
                                                         << "Beviteli hiba" << separatorText << 0;
    QTest::newRow("accented name, cursor in the same group")
        << "m_nev" << QStringLiteral("Kút") << "m_id"
        << "Hiba" << accentText << 0;
    QTest::newRow("accented input name, cursor on another page")
        << "be2_nev" << QStringLiteral("Fázis S ő") << "m_nev"
        << "Hiba" << accentText << 2;
    QTest::newRow("accented message in a hidden field")
        << "be4_off_msg" << QStringLiteral("Négy") << "m_nev"
        << "Hiba" << accentText << 2;
    QTest::newRow("line break in a name")
        << "m_nev" << QStringLiteral("Kut\r1") << "m_pin"
        << "Beviteli hiba" << QStringLiteral("Sortörés nem használható!") << 0;
    QTest::newRow("letter in a telephone number")
        << "t2"
        << "3630x"
        << "t1"
        << "Beviteli hiba" << QStringLiteral("Csak valós telefonszámok adhatóak meg!") << 0;
}

void TestRefusedNeverSent::fromAFile()
{
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QString, cursor);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(int, page);

    // A file saved from the connected form, with one value no check would let through.
    Configuration config = bindings::take(window->form());
    QStringList lines = config.lines();
    const int line = fields::allEdits().indexOf(field);
    QVERIFY(line >= 0);
    lines[line] = value;
    const QString path = dir.filePath(QStringLiteral("odd.vgf"));
    QVERIFY(configfile::writeFile(path, lines));

    DialogDriver driver;
    driver.expectFile(path);
    window->openfile();
    QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));
    auto* edit = window->findChild<QLineEdit*>(field);
    QCOMPARE(edit->text(), value);

    focus(window->findChild<QLineEdit*>(cursor));

    driver.clearSeen();
    driver.expectMessage();
    pressDownloadShortcut();
    QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));
    QCOMPARE(driver.seen().size(), 1);
    QCOMPARE(driver.last().icon, QMessageBox::Critical);
    QCOMPARE(driver.last().title, title);
    QCOMPARE(driver.last().text, text);
    QCOMPARE(window->form().tabWidget->currentIndex(), page);
    if (!edit->isHidden())
        QCOMPARE(window->focusWidget(), edit);
    QCOMPARE(edit->text(), value);
    moduleUntouched();
}

void TestRefusedNeverSent::ownContextMenuIsNoDeparture()
{
    typeIntoName(QStringLiteral("Kút"));
    QLineEdit* name = window->form().m_nev;
    // The field's own context menu takes the focus without a check: the user is still
    // editing. Any box would make the driver fail.
    DialogDriver driver;
    QTimer::singleShot(0, name, [name] {
        QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(5, 5),
                                name->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(name, &event);
    });
    QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()));
    QApplication::activePopupWidget()->close();
    QVERIFY2(driver.done(), qPrintable(driver.problems()));
    QVERIFY(driver.seen().isEmpty());
    QCOMPARE(name->text(), QStringLiteral("Kút"));
}

VEXAGRID_TEST_MAIN(TestRefusedNeverSent)
#include "tst_refusedneversent.moc"
