// The checks that run when the user leaves a field, the permission boxes of the
// telephone grid, the SMS-centre provider, and the window's interface states.
#include "tests/support/dialogdriver.h"
#include "tests/support/testmain.h"
#include "tests/support/windowfixture.h"
#include "ui_mainwindow.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

const char* const separatorText = "A | karakter nem használható!";
const char* const accentText = "Ékezetek nem használhatóak!";

} // namespace

class TestChecks : public QObject
{
    Q_OBJECT

private slots:
    void init() { window = fixture::connectedWindow(); }
    void cleanup()
    {
        delete window;
        window = nullptr;
    }

    void fieldChecks_data();
    void fieldChecks();
    void firstBadFieldInFormOrderIsRefusedFirst();
    void leavingAnUnchangedFieldChecksTheGroup();
    void returnChecksTheGroup();
    void refusalShowsOneBoxPerDeparture();
    void providerSelection();
    void permissionBoxesFollowTheRow();
    void lockedAndUnlockedLooks();
    void vexaGridLayout();
    void outputChoiceTheModuleLacksFallsBackToNone();
    void lockedWindowStartsNoExchangeByShortcut();

private:
    QLineEdit* edit(const QString& name) { return window->findChild<QLineEdit*>(name); }
    template <class T> T* find(const QString& name) { return window->findChild<T*>(name); }

    MainWindow* window = nullptr;
};

void TestChecks::fieldChecks_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title"); // empty: accepted
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("after"); // the text once the check has run

    const QString input = QStringLiteral("Beviteli hiba");
    const QString digits = QStringLiteral("Csak számok adhatóak meg!");
    QTest::newRow("visszaallas empty") << "visszaallas"
                                       << ""
                                       << ""
                                       << ""
                                       << "";
    QTest::newRow("visszaallas 1") << "visszaallas"
                                   << "1"
                                   << ""
                                   << ""
                                   << "1";
    QTest::newRow("visszaallas 2") << "visszaallas"
                                   << "2"
                                   << "Input error"
                                   << "Az érték 0 vagy 1 lehet."
                                   << "";
    QTest::newRow("visszaallas a") << "visszaallas"
                                   << "a"
                                   << "Input error"
                                   << "Az érték 0 vagy 1 lehet."
                                   << "";
    QTest::newRow("m_id zero fill") << "m_id"
                                    << "12"
                                    << ""
                                    << ""
                                    << "0012";
    QTest::newRow("m_id full") << "m_id"
                               << "4321"
                               << ""
                               << ""
                               << "4321";
    QTest::newRow("m_id empty") << "m_id"
                                << ""
                                << ""
                                << ""
                                << "";
    QTest::newRow("m_id digits first") << "m_id"
                                       << "1a" << input << digits << "";
    QTest::newRow("m_pin spaced") << "m_pin"
                                  << "12 4"
                                  << ""
                                  << ""
                                  << "12 4";
    QTest::newRow("m_pin letter") << "m_pin"
                                  << "12a" << input << digits << "";
    QTest::newRow("rele_time letter") << "rele_time"
                                      << "5x" << input << digits << "";
    QTest::newRow("maxsms minus") << "maxsms"
                                  << "-1" << input << digits << "";
    QTest::newRow("m_nev accent") << "m_nev"
                                  << "Kút"
                                  << "Hiba" << accentText << "";
    QTest::newRow("m_nev punctuation") << "m_nev"
                                       << "Ház-1, (2)!"
                                       << "Hiba" << accentText << "";
    QTest::newRow("m_nev plain") << "m_nev"
                                 << "Hz-1, (2)! +"
                                 << ""
                                 << ""
                                 << "Hz-1, (2)! +";
    QTest::newRow("m_nev lone plus") << "m_nev"
                                     << "+"
                                     << ""
                                     << ""
                                     << "+";
    QTest::newRow("m_nev separator") << "m_nev"
                                     << "a|b" << input << separatorText << "";
    QTest::newRow("smskp telephone") << "smskp"
                                     << "+36 30 123"
                                     << ""
                                     << ""
                                     << "+36 30 123";
    QTest::newRow("smskp dash") << "smskp"
                                << "36-30" << input << "Csak valós telefonszám adható meg!"
                                << "";
    const QString phones = QStringLiteral("Csak valós telefonszámok adhatóak meg!");
    QTest::newRow("t3 digits") << "t3"
                               << "36 30 1234567"
                               << ""
                               << ""
                               << "36 30 1234567";
    QTest::newRow("t3 plus") << "t3"
                             << "+3630" << input << phones << "";
    QTest::newRow("t3 lone plus") << "t3"
                                  << "+" << input << phones << "";
    QTest::newRow("t8 separator") << "t8"
                                  << "12|3" << input << phones << "";
    QTest::newRow("be2_nev accent") << "be2_nev"
                                    << "Fázis"
                                    << "Hiba" << accentText << "";
    QTest::newRow("be1_nev separator") << "be1_nev"
                                       << "R|S" << input << separatorText << "";
    QTest::newRow("be3_off_msg plain") << "be3_off_msg"
                                       << "T: 230V ok."
                                       << ""
                                       << ""
                                       << "T: 230V ok.";
    QTest::newRow("ki2_off accent") << "ki2_off"
                                    << "kész"
                                    << "Hiba" << accentText << "";
    QTest::newRow("act_be accent") << "act_be"
                                   << "BEKAPCSOLÓ"
                                   << "Hiba" << accentText << "";
    QTest::newRow("act_ki empty") << "act_ki"
                                  << ""
                                  << ""
                                  << ""
                                  << "";
    QTest::newRow("act_ki separator") << "act_ki"
                                      << "|" << input << separatorText << "";
}

void TestChecks::fieldChecks()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, title);
    QFETCH(QString, message);
    QFETCH(QString, after);

    Ui::MainWindow& ui = window->form();
    if (field == "smskp")
        ui.smskp_combo->setCurrentIndex(3); // "Egyéni": the user types the number
    const int page = field.startsWith("be")                             ? 2
                     : field.startsWith("k") || field.startsWith("act") ? 3
                                                                        : 0;
    ui.tabWidget->setCurrentIndex(page);

    QLineEdit* target = edit(field);
    target->setText(text);
    DialogDriver driver;
    if (!title.isEmpty())
        driver.expectMessage();
    fixture::leave(target, ui.port_gomb);
    QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));
    QCOMPARE(target->text(), after);
    if (title.isEmpty()) {
        QVERIFY(driver.seen().isEmpty());
        return;
    }
    QCOMPARE(driver.seen().size(), 1);
    QCOMPARE(driver.last().icon, QMessageBox::Warning);
    QCOMPARE(driver.last().title, title);
    QCOMPARE(driver.last().text, message);
    QCOMPARE(driver.last().buttonCount, 1);
    QVERIFY(!driver.last().hasDefaultButton);
    QTRY_COMPARE(window->focusWidget(), target);
}

void TestChecks::firstBadFieldInFormOrderIsRefusedFirst()
{
    Ui::MainWindow& ui = window->form();
    ui.tabWidget->setCurrentIndex(2);
    ui.be1_nev->setText("Fázis R");
    ui.be3_off_msg->setText("visszaállt");
    DialogDriver driver;
    driver.expectMessage();
    fixture::leave(ui.be3_off_msg, ui.port_gomb);
    QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));
    QVERIFY(ui.be1_nev->text().isEmpty());
    QCOMPARE(ui.be3_off_msg->text(), "visszaállt");
    QTRY_COMPARE(window->focusWidget(), ui.be1_nev);

    // The next run, from the refused field, finds the other one.
    driver.expectMessage();
    fixture::leave(ui.be1_nev, ui.port_gomb);
    QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));
    QVERIFY(ui.be3_off_msg->text().isEmpty());
    QTRY_COMPARE(window->focusWidget(), ui.be3_off_msg);

    // Two bad general fields: m_pin comes before m_nev.
    ui.tabWidget->setCurrentIndex(0);
    ui.m_pin->setText("x");
    ui.m_nev->setText("é");
    driver.expectMessage();
    fixture::leave(ui.m_nev, ui.port_gomb);
    QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));
    QCOMPARE(driver.last().text, "Csak számok adhatóak meg!");
    QVERIFY(ui.m_pin->text().isEmpty());
    QCOMPARE(ui.m_nev->text(), "é");
}

void TestChecks::leavingAnUnchangedFieldChecksTheGroup()
{
    // A bad value that came in without typing (from a file) is reported as soon as
    // the user leaves any field of its group, even one whose text did not change.
    Ui::MainWindow& ui = window->form();
    ui.m_pin->setText("1234");
    DialogDriver driver;
    fixture::leave(ui.m_pin, ui.port_gomb); // nothing wrong yet
    QVERIFY(driver.seen().isEmpty());
    ui.maxsms->setText("1a");
    driver.expectMessage();
    fixture::leave(ui.m_pin, ui.port_gomb);
    QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));
    QVERIFY(ui.maxsms->text().isEmpty());
    QCOMPARE(ui.m_pin->text(), "1234");
}

void TestChecks::returnChecksTheGroup()
{
    Ui::MainWindow& ui = window->form();
    ui.tabWidget->setCurrentIndex(3);
    ui.ki1_on->setFocus();
    ui.ki1_on->setText("bekapcsolás");
    DialogDriver driver;
    driver.expectMessage();
    QTest::keyClick(ui.ki1_on, Qt::Key_Return);
    QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));
    QVERIFY(ui.ki1_on->text().isEmpty());
}

void TestChecks::refusalShowsOneBoxPerDeparture()
{
    // The box takes the focus from the refused field, and closing it gives it back;
    // neither may start another check that shows a second box.
    Ui::MainWindow& ui = window->form();
    ui.m_nev->setText("Kút");
    ui.t1->setText("+36");
    DialogDriver driver;
    driver.expectMessage();
    fixture::leave(ui.m_nev, ui.t2); // from one group straight into another
    QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));
    QTest::qWait(50);
    QVERIFY2(driver.done(), qPrintable(driver.problems()));
    QCOMPARE(driver.seen().size(), 1);
    QCOMPARE(driver.last().text, accentText);
}

void TestChecks::providerSelection()
{
    Ui::MainWindow& ui = window->form();
    ui.smskp_combo->setCurrentIndex(2);
    QCOMPARE(ui.smskp_combo->currentText(), "Vodafone");
    QVERIFY(!ui.smskp->isEnabled());
    QCOMPARE(ui.smskp->text(), "36709996500");
    ui.smskp_combo->setCurrentIndex(1);
    QCOMPARE(ui.smskp->text(), "36209300099");
    ui.smskp_combo->setCurrentIndex(3);
    QCOMPARE(ui.smskp_combo->currentText(), "Egyéni");
    QVERIFY(ui.smskp->isEnabled());
    QCOMPARE(ui.smskp->text(), "36209300099");
    QTRY_COMPARE(window->focusWidget(), ui.smskp);
    ui.smskp_combo->setCurrentIndex(0);
    QCOMPARE(ui.smskp->text(), "36309888000");
    QVERIFY(!ui.smskp->isEnabled());
}

void TestChecks::permissionBoxesFollowTheRow()
{
    auto* ring = find<QCheckBox>("cb_r_5");
    auto* sms = find<QCheckBox>("cb_s_5");
    QVERIFY(!ring->isEnabled() && !sms->isEnabled());
    QVERIFY(!ring->isChecked() && !sms->isChecked());

    // Any permission column enables both boxes without checking them.
    find<QCheckBox>("tc4_5")->setChecked(true);
    QVERIFY(ring->isEnabled() && sms->isEnabled());
    QVERIFY(!ring->isChecked() && !sms->isChecked());
    ring->setChecked(true);
    sms->setChecked(true);
    find<QCheckBox>("tc2_5")->setChecked(true);
    find<QCheckBox>("tc4_5")->setChecked(false);
    QVERIFY(ring->isChecked() && ring->isEnabled()); // column 3 still holds the row
    find<QCheckBox>("tc2_5")->setChecked(false);
    QVERIFY(!ring->isChecked() && !sms->isChecked());
    QVERIFY(!ring->isEnabled() && !sms->isEnabled());

    // Column 5 counts (it is only hidden by the module's layout).
    find<QCheckBox>("tc1_9")->setChecked(true);
    QVERIFY(ring->isEnabled() && sms->isEnabled());
    find<QCheckBox>("tc1_9")->setChecked(false);
    QVERIFY(!ring->isEnabled());

    // RING and SMS never make a row active, not even each other.
    auto* ring2 = find<QCheckBox>("cb_r_2");
    ring2->setChecked(true);
    QVERIFY(!ring2->isChecked() && !ring2->isEnabled());
    QVERIFY(!find<QCheckBox>("cb_s_2")->isEnabled());

    // Other rows are not touched.
    find<QCheckBox>("tc3_1")->setChecked(true);
    QVERIFY(find<QCheckBox>("cb_r_1")->isEnabled());
    QVERIFY(!find<QCheckBox>("cb_r_3")->isEnabled());
}

void TestChecks::lockedAndUnlockedLooks()
{
    const QString grey = "color: rgb(255,255,255); background-color: rgb(180,180,180);";
    const QString blue = "color: rgb(255, 255, 255); \nbackground-color: rgb(0, 0, 191);";
    Ui::MainWindow& ui = window->form();

    window->globalDisableUI();
    QVERIFY(!ui.tabWidget->isEnabled());
    QVERIFY(!ui.g_allapot->isEnabled());
    QVERIFY(ui.port_gomb->isEnabled());
    QCOMPARE(ui.port_gomb->styleSheet(), blue);
    for (QPushButton* button :
         {ui.allapot_gomb, ui.download_gomb, ui.upload_gomb, ui.verify_gomb}) {
        QVERIFY2(!button->isEnabled(), qPrintable(button->objectName()));
        QCOMPARE(button->styleSheet(), grey);
    }
    QVERIFY(!ui.actionOpen->isEnabled());
    QVERIFY(!ui.actionSave->isEnabled());
    QVERIFY(!ui.menuDevice->isEnabled());
    QVERIFY(ui.actionPort->isEnabled() && ui.actionExit->isEnabled());
    QVERIFY(ui.actionAbout->isEnabled() && ui.actionContents->isEnabled());

    window->globalEnableUI();
    QVERIFY(ui.tabWidget->isEnabled() && ui.g_allapot->isEnabled());
    QCOMPARE(ui.download_gomb->styleSheet(),
             "color: rgb(255,255,255); background-color: rgb(191,0,0);");
    QCOMPARE(ui.upload_gomb->styleSheet(),
             "color: rgb(255,255,255); background-color: rgb(255,128,0);");
    QCOMPARE(ui.allapot_gomb->styleSheet(),
             "color: rgb(255,255,255); background-color: rgb(0,170,127);");
    QCOMPARE(ui.verify_gomb->styleSheet(),
             "color: rgb(255,255,255); background-color: rgb(0,128,0);");
    QCOMPARE(ui.port_gomb->styleSheet(), blue);
    for (QPushButton* button :
         {ui.allapot_gomb, ui.download_gomb, ui.upload_gomb, ui.verify_gomb, ui.port_gomb})
        QVERIFY(button->isEnabled());
    QVERIFY(ui.verify_gomb->isHidden());
    QVERIFY(ui.actionOpen->isEnabled() && ui.actionSave->isEnabled() && ui.menuDevice->isEnabled());
}

void TestChecks::vexaGridLayout()
{
    Ui::MainWindow& ui = window->form();
    // Row 2 with columns 4-6 only: the layout clears them and the row falls inactive.
    find<QCheckBox>("tc1_2")->setChecked(true);
    find<QCheckBox>("tc1_16")->setChecked(true);
    find<QCheckBox>("tc1_24")->setChecked(true);
    find<QCheckBox>("cb_r_2")->setChecked(true);
    // Row 1 keeps its column 1 and its RING box.
    find<QCheckBox>("tc4_1")->setChecked(true);
    find<QCheckBox>("tc1_1")->setChecked(true);
    find<QCheckBox>("cb_r_1")->setChecked(true);
    window->setVexaGridUI();

    for (const char* name : {"tc1_2", "tc1_16", "tc1_24", "tc1_1", "tc1_14", "tc1_22"}) {
        QVERIFY2(find<QCheckBox>(name)->isHidden(), name);
        QVERIFY2(!find<QCheckBox>(name)->isChecked(), name);
    }
    QVERIFY(!find<QCheckBox>("cb_r_2")->isChecked() && !find<QCheckBox>("cb_r_2")->isEnabled());
    QVERIFY(!find<QCheckBox>("cb_s_2")->isEnabled());
    QVERIFY(find<QCheckBox>("tc4_1")->isChecked() && find<QCheckBox>("cb_r_1")->isChecked());
    QVERIFY(!find<QCheckBox>("tc4_1")->isHidden());
    QVERIFY(!find<QCheckBox>("cb_s_8")->isHidden());

    for (int row = 1; row <= 8; ++row) {
        for (int output = 0; output <= 4; ++output) {
            auto* radio = find<QRadioButton>(QStringLiteral("r%1_%2").arg(row).arg(output));
            QCOMPARE(radio->isEnabled(), output <= 2);
        }
    }
    QVERIFY(!ui.tabWidget->isTabEnabled(1));
    for (const char* name : {"label_be4_nev",
                             "label_be4_on",
                             "label_be4_off",
                             "be4_nev",
                             "be4_on_msg",
                             "be4_off_msg",
                             "label_analog",
                             "l_analog",
                             "label_counter",
                             "l_counter",
                             "label_be4",
                             "label_ki3",
                             "label_ki4",
                             "w_be4",
                             "w_ki3",
                             "w_ki4",
                             "label_tp",
                             "w_tp",
                             "label_k3_on",
                             "label_k4_on",
                             "label_k3_off",
                             "label_k4_off",
                             "ki3_on",
                             "ki4_on",
                             "ki3_off",
                             "ki4_off",
                             "label_k3",
                             "label_k4",
                             "b3",
                             "b4",
                             "k3",
                             "k4"})
        QVERIFY2(find<QWidget>(name)->isHidden(), name);
    for (const char* name : {"be3_nev", "ki2_off", "b2", "k2", "w_be3", "w_ki2", "l_ver", "terero"})
        QVERIFY2(!find<QWidget>(name)->isHidden(), name);
}

void TestChecks::outputChoiceTheModuleLacksFallsBackToNone()
{
    // A fresh window, so that output 3 can still be chosen before the layout.
    delete window;
    window = new MainWindow;
    window->globalEnableUI();
    auto* r5_3 = find<QRadioButton>("r5_3");
    r5_3->setEnabled(true);
    r5_3->setChecked(true);
    find<QRadioButton>("r2_4")->setEnabled(true);
    find<QRadioButton>("r2_4")->setChecked(true);
    find<QRadioButton>("r1_2")->setChecked(true);
    window->setVexaGridUI();
    QVERIFY(!r5_3->isEnabled());
    QVERIFY(!r5_3->isChecked());
    QVERIFY(find<QRadioButton>("r5_0")->isChecked());
    QVERIFY(find<QRadioButton>("r2_0")->isChecked());
    QVERIFY(find<QRadioButton>("r1_2")->isChecked()); // outputs 1 and 2 exist
}

void TestChecks::lockedWindowStartsNoExchangeByShortcut()
{
    // With the Eszköz menu locked its shortcuts must not start an exchange either.
    window->globalDisableUI();
    DialogDriver driver;
    QTest::keyClick(window, Qt::Key_R, Qt::ControlModifier);
    QTest::keyClick(window, Qt::Key_D, Qt::ControlModifier);
    QTest::qWait(50);
    QVERIFY2(driver.done(), qPrintable(driver.problems()));
    QVERIFY(driver.seen().isEmpty());
}

VEXAGRID_TEST_MAIN(TestChecks)
#include "tst_checks.moc"
