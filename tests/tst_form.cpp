// The configuration form as the window builds it: names, classes, the form order the
// files and both device formats rely on, the grid's "group" properties, the initial
// states and the names a screen reader speaks.
#include "app/mainwindow.h"
#include "core/configuration.h"
#include "core/fields.h"
#include "form/bindings.h"
#include "tests/support/testmain.h"
#include "ui_mainwindow.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>

namespace {

template <class T> QStringList namesIn(QWidget* group)
{
    QStringList names;
    const auto children = group->findChildren<T*>();
    for (T* child : children)
        names << child->objectName();
    return names;
}

// Row and column of every grid check box, as the telephone grid lays them out.
QString expectedGroup(const QString& name)
{
    static const QStringList col5{"tc1_14", "tc1_16", "tc1_15", "tc1_10",
                                  "tc1_9",  "tc1_13", "tc1_11", "tc1_12"};
    static const QStringList col6{"tc1_22", "tc1_24", "tc1_23", "tc1_18",
                                  "tc1_17", "tc1_21", "tc1_19", "tc1_20"};
    if (col5.contains(name))
        return QStringLiteral("%1.5").arg(col5.indexOf(name) + 1);
    if (col6.contains(name))
        return QStringLiteral("%1.6").arg(col6.indexOf(name) + 1);
    const QString row = name.section(QLatin1Char('_'), -1);
    if (name.startsWith(QLatin1String("cb_r_")))
        return row + QStringLiteral(".7");
    if (name.startsWith(QLatin1String("cb_s_")))
        return row + QStringLiteral(".8");
    const int column = 5 - name.mid(2, 1).toInt(); // tc4 -> 1, tc3 -> 2, tc2 -> 3, tc1 -> 4
    return row + QLatin1Char('.') + QString::number(column);
}

} // namespace

class TestForm : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        // The window starts locked; the form's own states are seen once it is unlocked.
        window = new MainWindow;
        window->globalEnableUI();
    }
    void cleanup() { delete window; }

    void groupsWalkInFormOrder();
    void groupTableIsTheForms_data();
    void groupTableIsTheForms();
    void gridGroupProperties();
    void namedWidgetsHaveTheirClass_data();
    void namedWidgetsHaveTheirClass();
    void maximumLengths_data();
    void maximumLengths();
    void initialStates();
    void radioGroupsAreExclusivePerRow();
    void coreKnowsTheForm();
    void gridRowsLineUp();
    void typingBeyondMaximumIsRefused();
    void everyInputHasAnAccessibleName();
    void accessibleNamesOfTheGrid();
    void windowAndActions();

private:
    MainWindow* window = nullptr;
};

void TestForm::groupsWalkInFormOrder()
{
    Ui::MainWindow& ui = window->form();
    QCOMPARE(namesIn<QLineEdit>(ui.g_general), fields::generalEdits());
    QCOMPARE(namesIn<QLineEdit>(ui.g_analog), fields::analogEdits());
    QCOMPARE(namesIn<QLineEdit>(ui.g_be), fields::inputEdits());
    QCOMPARE(namesIn<QLineEdit>(ui.g_ki), fields::outputEdits());
    QCOMPARE(namesIn<QLineEdit>(ui.g_activate), fields::activateEdits());
    QCOMPARE(namesIn<QLineEdit>(ui.g_tel), fields::telEdits());
    QCOMPARE(namesIn<QCheckBox>(ui.g_tel), fields::telBoxes());
    QCOMPARE(namesIn<QRadioButton>(ui.g_tel), fields::telRadios());
    QCOMPARE(namesIn<QRadioButton>(ui.g_analog), fields::analogRadios());
    QCOMPARE(namesIn<QRadioButton>(ui.g_ki_csengetes), fields::outputModeRadios());

    QCOMPARE(fields::allEdits().size(), 58);
    QCOMPARE(fields::allBoxes().size(), 64);
    QCOMPARE(fields::allRadios().size(), 50);
    // No other group holds a field that a walk of the whole window would pick up.
    QCOMPARE(ui.centralWidget->findChildren<QLineEdit*>().size(), 58);
    QCOMPARE(ui.centralWidget->findChildren<QCheckBox*>().size(), 64);
    QCOMPARE(ui.centralWidget->findChildren<QRadioButton*>().size(), 50);
}

void TestForm::groupTableIsTheForms_data()
{
    QTest::addColumn<fields::Group>("group");
    for (const fields::Group group : fields::kGroups)
        QTest::newRow(qPrintable(fields::boxName(group))) << group;
}

// Each group of the field table is a group box of the form holding exactly the group's
// fields, on the tab page the table gives it under the title the table gives that page.
void TestForm::groupTableIsTheForms()
{
    QFETCH(fields::Group, group);
    Ui::MainWindow& ui = window->form();
    QGroupBox* box = bindings::groupBox(ui, group);
    QVERIFY(box);
    QCOMPARE(box->objectName(), fields::boxName(group));
    QCOMPARE(namesIn<QLineEdit>(box), fields::namesIn(group, fields::Widget::LineEdit));
    QCOMPARE(namesIn<QCheckBox>(box), fields::namesIn(group, fields::Widget::CheckBox));
    QCOMPARE(namesIn<QRadioButton>(box), fields::namesIn(group, fields::Widget::RadioButton));
    const int page = fields::pageOf(group);
    QVERIFY(ui.tabWidget->widget(page)->isAncestorOf(box));
    QCOMPARE(ui.tabWidget->tabText(page), fields::pageTitle(page));
}

void TestForm::gridGroupProperties()
{
    QSet<QString> groups;
    for (const QString& name : fields::telBoxes()) {
        auto* box = window->findChild<QCheckBox*>(name);
        QVERIFY2(box, qPrintable(name));
        const QString group = box->property("group").toString();
        QCOMPARE(group, expectedGroup(name));
        groups.insert(group);
    }
    QCOMPARE(groups.size(), 64); // every row and column exactly once
    QCOMPARE(window->findChild<QCheckBox*>("tc4_1")->property("group").toString(), "1.1");
    QCOMPARE(window->findChild<QCheckBox*>("tc1_1")->property("group").toString(), "1.4");
    QCOMPARE(window->findChild<QCheckBox*>("cb_s_8")->property("group").toString(), "8.8");
}

void TestForm::namedWidgetsHaveTheirClass_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    const char* widgets[][2] = {
        {"image", "QLabel"},
        {"tabWidget", "QTabWidget"},
        {"tab1", "QWidget"},
        {"tab2", "QWidget"},
        {"tab3", "QWidget"},
        {"tab4", "QWidget"},
        {"g_general", "QGroupBox"},
        {"g_tel", "QGroupBox"},
        {"g_analog", "QGroupBox"},
        {"g_be", "QGroupBox"},
        {"g_ki", "QGroupBox"},
        {"g_ki_csengetes", "QGroupBox"},
        {"g_activate", "QGroupBox"},
        {"g_allapot", "QGroupBox"},
        {"g_eszkoz", "QGroupBox"},
        {"smskp_combo", "QComboBox"},
        {"terero", "QProgressBar"},
        {"l_terero", "QLabel"},
        {"label_ver", "QLabel"},
        {"l_ver", "QLabel"},
        {"label_analog", "QLabel"},
        {"l_analog", "QLabel"},
        {"label_counter", "QLabel"},
        {"l_counter", "QLabel"},
        {"label_tp", "QLabel"},
        {"w_tp", "QWidget"},
        {"allapot_gomb", "QPushButton"},
        {"port_gomb", "QPushButton"},
        {"verify_gomb", "QPushButton"},
        {"download_gomb", "QPushButton"},
        {"upload_gomb", "QPushButton"},
        {"label_be4_nev", "QLabel"},
        {"label_be4_on", "QLabel"},
        {"label_be4_off", "QLabel"},
        {"label_k3_on", "QLabel"},
        {"label_k4_on", "QLabel"},
        {"label_k3_off", "QLabel"},
        {"label_k4_off", "QLabel"},
        {"label_k3", "QLabel"},
        {"label_k4", "QLabel"},
        {"act_be_label", "QLabel"},
        {"act_be_label_2", "QLabel"},
        {"menuBar", "QMenuBar"},
        {"menuFile", "QMenu"},
        {"menuSettings", "QMenu"},
        {"menuDevice", "QMenu"},
        {"menuHelp", "QMenu"},
        {"statusBar", "QStatusBar"},
    };
    for (const auto& widget : widgets)
        QTest::newRow(widget[0]) << QString::fromLatin1(widget[0])
                                 << QString::fromLatin1(widget[1]);
    for (int n = 1; n <= 4; ++n) {
        for (const char* pattern : {"label_be%1", "w_be%1", "label_ki%1", "w_ki%1"}) {
            const QString name = QString::fromLatin1(pattern).arg(n);
            QTest::newRow(qPrintable(name))
                << name
                << (name.startsWith('w') ? QStringLiteral("QWidget") : QStringLiteral("QLabel"));
        }
    }
}

void TestForm::namedWidgetsHaveTheirClass()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    auto* object = window->findChild<QObject*>(name);
    QVERIFY2(object, qPrintable(name));
    QCOMPARE(QString::fromLatin1(object->metaObject()->className()), className);
}

void TestForm::maximumLengths_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("maxLength");
    const QList<QPair<QString, int>> fixed{
        {"smsplus", 1},     {"smskp", 16},    {"m_pin", 4},  {"m_id", 4},    {"m_nev", 16},
        {"visszaallas", 1}, {"rele_time", 4}, {"maxsms", 2}, {"abe1_hi", 2}, {"abe1_hi_2", 1},
        {"abe1_lo", 2},     {"abe1_lo_2", 1}, {"abe2_hi", 5}};
    QSet<QString> named;
    for (const auto& entry : fixed) {
        QTest::newRow(qPrintable(entry.first)) << entry.first << entry.second;
        named.insert(entry.first);
    }
    for (int y = 1; y <= 8; ++y) {
        QTest::newRow(qPrintable(QStringLiteral("t%1").arg(y)))
            << QStringLiteral("t%1").arg(y) << 14;
        QTest::newRow(qPrintable(QStringLiteral("tplus_%1").arg(y)))
            << QStringLiteral("tplus_%1").arg(y) << 1;
    }
    // Every other text field of the form holds 16 characters.
    for (const QString& name : fields::analogEdits() + fields::inputEdits() +
                                   fields::outputEdits() + fields::activateEdits()) {
        if (!named.contains(name))
            QTest::newRow(qPrintable(name)) << name << 16;
    }
}

void TestForm::maximumLengths()
{
    QFETCH(QString, name);
    QFETCH(int, maxLength);
    auto* edit = window->findChild<QLineEdit*>(name);
    QVERIFY2(edit, qPrintable(name));
    QCOMPARE(edit->maxLength(), maxLength);
}

void TestForm::initialStates()
{
    Ui::MainWindow& ui = window->form();
    QCOMPARE(ui.smskp_combo->count(), 4);
    QCOMPARE(ui.smskp_combo->itemText(0), "T-Mobile");
    QCOMPARE(ui.smskp_combo->itemText(1), "Telenor");
    QCOMPARE(ui.smskp_combo->itemText(2), "Vodafone");
    QCOMPARE(ui.smskp_combo->itemText(3), "Egyéni");
    QCOMPARE(ui.smskp_combo->currentText(), "T-Mobile");
    QVERIFY(ui.smskp_combo->isEnabled());
    QCOMPARE(ui.smskp->text(), "36309888000");
    QVERIFY(!ui.smskp->isEnabled());
    QCOMPARE(ui.smsplus->text(), "+");
    QVERIFY(ui.smsplus->isReadOnly());
    QVERIFY(!ui.smsplus->isEnabled());
    for (int y = 1; y <= 8; ++y) {
        auto* plus = window->findChild<QLineEdit*>(QStringLiteral("tplus_%1").arg(y));
        QCOMPARE(plus->text(), "+");
        QVERIFY(plus->isReadOnly());
        QVERIFY(!plus->isEnabled());
    }
    for (const QString& name : fields::allEdits()) {
        if (name != "smsplus" && name != "smskp" && !name.startsWith("tplus_"))
            QVERIFY2(window->findChild<QLineEdit*>(name)->text().isEmpty(), qPrintable(name));
    }
    for (const QString& name : fields::telBoxes())
        QVERIFY2(!window->findChild<QCheckBox*>(name)->isChecked(), qPrintable(name));

    QVERIFY(ui.max_be_15->isChecked());
    for (int n = 1; n <= 4; ++n) {
        QVERIFY(window->findChild<QRadioButton*>(QStringLiteral("b%1").arg(n))->isChecked());
        QVERIFY(!window->findChild<QRadioButton*>(QStringLiteral("k%1").arg(n))->isChecked());
    }
    QCOMPARE(ui.tabWidget->count(), 4);
    QCOMPARE(ui.tabWidget->currentIndex(), 0);
    const QStringList tabs{"Általános", "Analóg bemenetek", "R-S-T bemenetek", "Kimenetek"};
    for (int i = 0; i < 4; ++i)
        QCOMPARE(ui.tabWidget->tabText(i), tabs[i]);

    QCOMPARE(ui.terero->value(), 0);
    QVERIFY(!ui.terero->isTextVisible());
    QCOMPARE(ui.terero->orientation(), Qt::Vertical);
    QCOMPARE(ui.terero->geometry(), QRect(126, 30, 25, 121));
    QCOMPARE(ui.l_analog->text(), "0.0 V");
    QCOMPARE(ui.l_counter->text(), "00000");
    QVERIFY(ui.l_ver->text().isEmpty());
    QVERIFY(ui.l_ver->font().bold());
    QCOMPARE(ui.allapot_gomb->text(), "Állapot lekérdezése");
    QCOMPARE(ui.allapot_gomb->geometry(), QRect(10, 470, 141, 41));
    QCOMPARE(ui.port_gomb->styleSheet(),
             "color: rgb(255, 255, 255); \nbackground-color: rgb(0, 0, 191);");
    QCOMPARE(ui.port_gomb->text(), "Eszköz csatlakoztatása");
    QCOMPARE(ui.download_gomb->text(), "Betöltés az eszközbe");
    QCOMPARE(ui.upload_gomb->text(), "Kiolvasás az eszközből");
    QCOMPARE(ui.verify_gomb->text(), "Betöltés ellenőrzése");
    for (QWidget* button :
         {static_cast<QWidget*>(ui.port_gomb), static_cast<QWidget*>(ui.verify_gomb),
          static_cast<QWidget*>(ui.download_gomb), static_cast<QWidget*>(ui.upload_gomb)})
        QVERIFY(button->font().bold());
    QCOMPARE(ui.m_nev->font().family(), "Courier");
    QCOMPARE(ui.m_nev->font().styleHint(), QFont::TypeWriter);
    QVERIFY(ui.maxsms->font().family() != "Courier");
    // The "+" before the SMS centre is no text field of the module's: no typewriter face.
    QVERIFY(ui.smsplus->font().family() != "Courier");
}

// The headless configuration knows the form's facts without its widgets; they must be the
// form's own: the exclusive groups, the initial values and what the layout enables and hides.
// (The lengths, captions and grid properties the window takes from the field table; the
// tests above hold them against the form's own values.)
void TestForm::coreKnowsTheForm()
{
    for (const QString& name : fields::allRadios()) {
        QButtonGroup* group = window->findChild<QRadioButton*>(name)->group();
        QVERIFY2(group && group->exclusive(), qPrintable(name));
        QStringList members;
        for (QAbstractButton* button : group->buttons())
            members << button->objectName();
        QStringList expected = fields::radioGroup(name);
        members.sort();
        expected.sort();
        QCOMPARE(members, expected);
    }
    MainWindow fresh;
    QCOMPARE(bindings::take(fresh.form()), Configuration::fresh());
    for (const QString& name : fields::allEdits() + fields::allBoxes() + fields::allRadios()) {
        auto* widget = fresh.findChild<QWidget*>(name);
        QCOMPARE(Configuration::fresh().isEnabled(name), widget->isEnabled());
        QCOMPARE(Configuration::fresh().isHidden(name), widget->isHidden());
    }
}

void TestForm::gridRowsLineUp()
{
    // The boxes and buttons of a telephone row stand 5 px below its line edits, and the
    // header over the RING and SMS columns wraps like the other headers.
    for (int y = 1; y <= 8; ++y) {
        const int top = window->findChild<QLineEdit*>(QStringLiteral("t%1").arg(y))->y();
        QCOMPARE(top, 55 + 25 * (y - 1));
        for (const QString& name : fields::telBoxes() + fields::telRadios()) {
            const bool inRow = name.startsWith(QLatin1Char('r'))
                                   ? name.mid(1, 1).toInt() == y
                                   : fields::gridPosition(name).row == y;
            if (inRow)
                QCOMPARE(window->findChild<QWidget*>(name)->y(), top + 5);
        }
    }
    auto* header = window->findChild<QLabel*>(QStringLiteral("label_ringsms"));
    QVERIFY(header);
    QVERIFY(header->wordWrap());
    QCOMPARE(header->text(), QStringLiteral("RING/SMS"));
}

void TestForm::radioGroupsAreExclusivePerRow()
{
    for (int y = 1; y <= 8; ++y) {
        auto* group = window->findChild<QButtonGroup*>(QStringLiteral("rg%1").arg(y));
        QVERIFY(group);
        QVERIFY(group->exclusive());
        QCOMPARE(group->buttons().size(), 5);
        QCOMPARE(group->checkedButton()->objectName(), QStringLiteral("r%1_0").arg(y));
        // Choosing another output moves the row's single choice.
        window->findChild<QRadioButton*>(QStringLiteral("r%1_2").arg(y))->setChecked(true);
        int checked = 0;
        for (QAbstractButton* button : group->buttons())
            checked += button->isChecked() ? 1 : 0;
        QCOMPARE(checked, 1);
    }
    auto* outputs = window->findChild<QButtonGroup*>("buttonGroup_3");
    QVERIFY(outputs);
    QCOMPARE(outputs->buttons().size(), 2);
    QVERIFY(window->findChild<QButtonGroup*>("buttonGroup_5")
                ->buttons()
                .contains(window->form().max_be_30));
}

void TestForm::typingBeyondMaximumIsRefused()
{
    QTest::keyClicks(window->form().m_pin, "12345");
    QCOMPARE(window->form().m_pin->text(), "1234");
}

void TestForm::everyInputHasAnAccessibleName()
{
    const auto inputs = window->form().centralWidget->findChildren<QWidget*>();
    for (QWidget* widget : inputs) {
        if (qobject_cast<QLineEdit*>(widget) || qobject_cast<QAbstractButton*>(widget) ||
            qobject_cast<QComboBox*>(widget)) {
            const QString spoken = widget->accessibleName().isEmpty()
                                       ? (qobject_cast<QAbstractButton*>(widget)
                                              ? qobject_cast<QAbstractButton*>(widget)->text()
                                              : QString())
                                       : widget->accessibleName();
            QVERIFY2(!spoken.isEmpty(), qPrintable(widget->objectName()));
        }
    }
}

void TestForm::accessibleNamesOfTheGrid()
{
    auto name = [this](const char* object) {
        return window->findChild<QWidget*>(object)->accessibleName();
    };
    QCOMPARE(name("t3"), "3. telefonszám");
    QCOMPARE(name("tc4_3"), "3. sor, R fázis");
    QCOMPARE(name("tc3_3"), "3. sor, S fázis");
    QCOMPARE(name("tc2_3"), "3. sor, T fázis");
    QCOMPARE(name("cb_r_3"), "3. sor, RING");
    QCOMPARE(name("cb_s_3"), "3. sor, SMS");
    QCOMPARE(name("r3_2"), "3. sor, kimenet 2");
    QCOMPARE(name("m_nev"), "Modul neve");
    // A button of a pair: what the pair sets, then its own choice.
    QCOMPARE(name("b1"), "1-es kimenet monostabil");
    QCOMPARE(name("k3"), "3-as kimenet bistabil");
    QCOMPARE(name("max_be_30"), "Max. bemenő feszültség 0..30 V");
}

void TestForm::windowAndActions()
{
    QCOMPARE(window->windowTitle(), "VexaGrid-3 letöltő szoftver");
    QCOMPARE(window->minimumSize(), QSize(910, 600));
    QCOMPARE(window->maximumSize(), QSize(910, 600));
    QCOMPARE(window->palette().color(QPalette::Active, QPalette::Text), QColor(0, 111, 0));
    QCOMPARE(window->palette().color(QPalette::Disabled, QPalette::Text), QColor(118, 116, 108));

    struct Action
    {
        const char* name;
        const char* text;
        const char* shortcut;
    };
    const Action actions[] = {{"actionNew", "New", "Ctrl+N"},
                              {"actionOpen", "Megnyitás", "Ctrl+O"},
                              {"actionSave", "Mentés", "Ctrl+S"},
                              {"actionSaveAs", "Save As", ""},
                              {"actionExit", "Kilépés", "Ctrl+Q"},
                              {"actionPort", "Port", ""},
                              {"actionReadup", "Kiolvasás az eszközből", "Ctrl+R"},
                              {"actionDownload", "Betöltés az eszközbe", "Ctrl+D"},
                              {"actionVerify", "Betöltés ellenőrzése", "Ctrl+V"},
                              {"actionContents", "Tartalom", "F1"},
                              {"actionAbout", "Névjegy", ""},
                              {"actionSheet", "Konfigurációs lap mentése PDF-be...", "Ctrl+P"}};
    for (const Action& expected : actions) {
        auto* action = window->findChild<QAction*>(expected.name);
        QVERIFY2(action, expected.name);
        QCOMPARE(action->text(), QString::fromUtf8(expected.text));
        QCOMPARE(action->shortcut(), QKeySequence(QString::fromLatin1(expected.shortcut)));
    }
    Ui::MainWindow& ui = window->form();
    QVERIFY(!ui.actionNew->isEnabled() && !ui.actionNew->isVisible());
    QVERIFY(!ui.actionSaveAs->isEnabled() && !ui.actionSaveAs->isVisible());

    auto texts = [](QMenu* menu) {
        QStringList list;
        for (QAction* action : menu->actions())
            list << (action->isSeparator() ? QStringLiteral("-") : action->text());
        return list;
    };
    QCOMPARE(texts(ui.menuFile),
             QStringList({"New", "Megnyitás", "Mentés", "Save As",
                          "Konfigurációs lap mentése PDF-be...", "-", "Kilépés"}));
    QCOMPARE(texts(ui.menuSettings), QStringList({"Port"}));
    QCOMPARE(texts(ui.menuDevice), QStringList({"Kiolvasás az eszközből", "-",
                                                "Betöltés az eszközbe", "Betöltés ellenőrzése"}));
    QCOMPARE(texts(ui.menuHelp), QStringList({"Tartalom", "Névjegy"}));
    QStringList menus;
    for (QAction* action : ui.menuBar->actions())
        menus << action->text();
    QCOMPARE(menus, QStringList({"File", "Beállítások", "Eszköz", "Help"}));
}

VEXAGRID_TEST_MAIN(TestForm)
#include "tst_form.moc"
