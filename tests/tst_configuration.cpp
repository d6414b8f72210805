// The rules of the form without its widgets: loading a file, filling from a read-out, the
// field checks and the download's checks, as the command line meets them. (That the window
// applies the same rules to its widgets is what tst_equivalence shows.)
#include "core/configuration.h"
#include "core/description.h"
#include "core/fieldchecks.h"
#include "core/fields.h"

#include <QTest>

namespace {

// The lines of `config` with some values replaced, by object name.
QStringList linesWith(const Configuration& config, const QList<QPair<QString, QString>>& values)
{
    QStringList lines = config.lines();
    const QStringList names = fields::allEdits() + fields::allBoxes() + fields::allRadios();
    for (const auto& value : values)
        lines[names.indexOf(value.first)] = value.second;
    return lines;
}

// 56 read-out fields with every text filled and the telephone rows given.
QStringList readOut(const QStringList& telRows, const QString& mask = QStringLiteral("00"),
                    const QString& range = QStringLiteral("0"))
{
    QStringList fields;
    for (int number = 1; number <= 48; ++number)
        fields << QStringLiteral("F%1").arg(number);
    fields[0] = QStringLiteral("36209300099");
    fields[7] = mask;
    fields[10] = range;
    for (int row = 0; row < 8; ++row)
        fields << telRows.value(row, QStringLiteral("08"));
    return fields;
}

} // namespace

class TestConfiguration : public QObject
{
    Q_OBJECT

private slots:
    void lockedFormLoadsOnlyFixedValues();
    void loadRules_data();
    void loadRules();
    void radioGroupWithoutOneKeepsItsChoice();
    void tooShortChangesNothing();
    void readOutRules();
    void generalCheckFillsTheIdOnItsWay();
    void downloadChecksInFormOrder();
    void downloadClearsForeignColumns();
    void description_data();
    void description();
};

void TestConfiguration::lockedFormLoadsOnlyFixedValues()
{
    Configuration config = Configuration::fresh();
    QVERIFY(!config.isUnlocked());
    QVERIFY(config.load(linesWith(
        config,
        {{"m_nev", "Kazan"}, {"smskp", "123"}, {"tc4_1", "1"}, {"r1_1", "1"}, {"be1_nev", "+"}})));
    // Nothing is enabled while no module is connected: only "+" and the SMS centre load.
    QCOMPARE(config.text("m_nev"), QString());
    QCOMPARE(config.text("be1_nev"), QStringLiteral("+"));
    QCOMPARE(config.text("smskp"), QStringLiteral("123"));
    QCOMPARE(config.provider(), 3);
    QVERIFY(!config.isChecked("tc4_1"));
    QVERIFY(config.isChecked("r1_0"));
}

void TestConfiguration::loadRules_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("loaded"); // the text, or "1"/"0" for a box or button

    QTest::newRow("a text") << "m_nev"
                            << "Kazanhaz"
                            << "Kazanhaz";
    QTest::newRow("cut to the field's length") << "m_pin"
                                               << "123456"
                                               << "1234";
    QTest::newRow("analog page loads empty") << "be_a1_nev"
                                             << "Analog"
                                             << "";
    QTest::newRow("a \"+\" loads anywhere") << "abe2_clr"
                                            << "+"
                                            << "+";
    QTest::newRow("the fixed + field takes only \"+\"") << "smsplus"
                                                        << "x"
                                                        << "";
    QTest::newRow("a hidden field loads") << "be4_nev"
                                          << "Negy"
                                          << "Negy";
    QTest::newRow("a hidden box loads") << "tc1_1"
                                        << "1"
                                        << "1";
    QTest::newRow("output 3 of a row never") << "r2_3"
                                             << "1"
                                             << "0";
    QTest::newRow("the 30 V range never") << "max_be_30"
                                          << "1"
                                          << "0";
    QTest::newRow("a box takes only \"1\"") << "tc4_2"
                                            << "x"
                                            << "0";
}

void TestConfiguration::loadRules()
{
    QFETCH(QString, name);
    QFETCH(QString, line);
    QFETCH(QString, loaded);

    Configuration config = Configuration::connected();
    // A radio button's line is the only "1" of its group.
    QList<QPair<QString, QString>> values;
    for (const QString& other : fields::radioGroup(name))
        values << qMakePair(other, QStringLiteral("0"));
    values << qMakePair(name, line);
    QVERIFY(config.load(linesWith(config, values)));
    if (fields::allEdits().contains(name))
        QCOMPARE(config.text(name), loaded);
    else
        QCOMPARE(config.isChecked(name), loaded == QLatin1String("1"));
}

void TestConfiguration::radioGroupWithoutOneKeepsItsChoice()
{
    Configuration config = Configuration::connected();
    config.setChecked("r3_2", true);
    config.setChecked("k1", true);
    QStringList lines =
        linesWith(config, {{"r1_1", "1"}, {"r1_2", "1"}, {"r1_0", "0"}, {"k1", "0"}, {"b1", "0"}});
    for (const QString& radio : fields::radioGroup("r3_0"))
        lines[fields::allEdits().size() + 64 + fields::allRadios().indexOf(radio)] = "0";
    QVERIFY(config.load(lines));
    QVERIFY(config.isChecked("r3_2")); // no "1" in its group: the choice stays
    QVERIFY(config.isChecked("k1"));
    QVERIFY(config.isChecked("r1_2")); // several "1": the last in form order wins
    QVERIFY(!config.isChecked("r1_1"));
}

void TestConfiguration::tooShortChangesNothing()
{
    Configuration config = Configuration::connected();
    const Configuration before = config;
    const Expected<void> loaded = config.load(config.lines().mid(0, 171));
    QVERIFY(!loaded);
    QCOMPARE(loaded.failure().code, messages::Code::FileTooShort);
    QCOMPARE(loaded.failure().message,
             QStringLiteral("túl rövid: 171 sor, egy konfigurációs fájl 172 sorból áll (régebbi "
                            "vagy csonka fájl)."));
    QCOMPARE(config, before);
    QVERIFY(config.load(config.lines().mid(0, 171) << QString()));
}

void TestConfiguration::readOutRules()
{
    Configuration config = Configuration::connected();
    // Row 1: columns 1, 4 (hidden), 5, 6 and RING and SMS, output 3.
    // Row 2: only SMS, output 1 (no alarm column: the SMS box cannot stay).
    // Row 3: too short: an empty row.
    const QString row1 = QString(QChar(0x30 + 1 + 8 + 16 + 32 + 64)) + QChar(0x30 + 3) + "3630";
    config.fillFromReadOut(readOut({row1, "01" + QStringLiteral("3620"), "1"}, "05", "1"));

    QVERIFY(config.isChecked("tc4_1"));
    QVERIFY(config.isChecked("tc1_1")); // the hidden column 4 as the module has it
    QVERIFY(!config.isChecked("tc1_14") && !config.isChecked("tc1_22"));
    QVERIFY(config.isChecked("cb_r_1") && config.isChecked("cb_s_1"));
    QVERIFY(config.isChecked("r1_0")); // output 3 is not this module's
    QCOMPARE(config.text("t1"), QStringLiteral("3630"));
    QVERIFY(!config.isChecked("cb_s_2"));
    QVERIFY(config.isChecked("r2_1"));
    QCOMPARE(config.text("t3"), QString());
    QVERIFY(config.isChecked("r3_0"));
    // Field 8 = 5: outputs 1 and 3 monostable; field 11 not "0": 30 V.
    QVERIFY(config.isChecked("b1") && config.isChecked("k2") && config.isChecked("b3"));
    QVERIFY(config.isChecked("max_be_30"));
    QCOMPARE(config.text("abe1_lo") + config.text("abe1_lo_2"), QStringLiteral("000"));
    QCOMPARE(config.text("abe1_hi") + config.text("abe1_hi_2"), QStringLiteral("299"));
    QCOMPARE(config.text("abe2_hi"), QStringLiteral("99999"));
    QCOMPARE(config.text("m_nev"), QStringLiteral("F4"));
    QCOMPARE(config.text("act_ki"), QStringLiteral("F47"));
    QCOMPARE(config.provider(), 1); // Telenor's number
    QVERIFY(!config.isEnabled("smskp"));
}

void TestConfiguration::generalCheckFillsTheIdOnItsWay()
{
    Configuration config = Configuration::connected();
    config.setText("m_id", "7");
    config.setText("m_nev", "K\u00fat");
    QVERIFY(!fieldchecks::validate(fieldchecks::Group::General, config));
    QCOMPARE(config.text("m_id"), QStringLiteral("7")); // validation changes nothing
    const Expected<void> checked = fieldchecks::check(fieldchecks::Group::General, config);
    QVERIFY(!checked);
    QCOMPARE(checked.failure().code, messages::Code::FieldRefused);
    QCOMPARE(checked.failure().message,
             QStringLiteral("Hiba: Ékezetek nem használhatóak! (m_nev)"));
    QCOMPARE(fieldchecks::Refusal::of(checked.failure()).field, QStringLiteral("m_nev"));
    QCOMPARE(config.text("m_id"), QStringLiteral("0007")); // m_id comes before m_nev

    config.setText("m_pin", "1a");
    config.setText("m_id", "8");
    QCOMPARE(
        fieldchecks::Refusal::of(fieldchecks::check(fieldchecks::Group::General, config).failure())
            .field,
        QStringLiteral("m_pin"));
    QCOMPARE(config.text("m_id"), QStringLiteral("8")); // the walk stopped before it
}

void TestConfiguration::downloadChecksInFormOrder()
{
    Configuration config = Configuration::connected();
    for (const QString& name : fields::allEdits()) {
        if (fieldchecks::isRequired(config, name))
            config.setText(name, "1");
    }
    QVERIFY(fieldchecks::prepareDownload(config, u'|'));

    // An empty required field first, then the groups' checks in their order.
    Configuration missing = config;
    missing.setText("act_ki", QString());
    missing.setText("t2", "+");
    Expected<QString> plan = fieldchecks::prepareDownload(missing, u'|');
    QVERIFY(!plan);
    QCOMPARE(plan.failure().code, messages::Code::FieldMissing);
    QCOMPARE(fieldchecks::Refusal::of(plan.failure()).field, QStringLiteral("act_ki"));

    Configuration refused = config;
    refused.setText("ki2_on", "\u00e9");
    refused.setText("t2", "+");
    plan = fieldchecks::prepareDownload(refused, u'|');
    QVERIFY(!plan);
    QCOMPARE(plan.failure().code, messages::Code::FieldRefused);
    const fieldchecks::Refusal refusal = fieldchecks::Refusal::of(plan.failure());
    QCOMPARE(refusal.field, QStringLiteral("t2")); // telephone before outputs
    QCOMPARE(refusal.title, QStringLiteral("Beviteli hiba"));
    QCOMPARE(plan.failure().message,
             QStringLiteral("Beviteli hiba: Csak valós telefonszámok adhatóak meg! (t2)"));

    // A custom SMS centre must be filled; a listed provider's is not asked for.
    Configuration custom = config;
    custom.selectProvider(3);
    custom.setText("smskp", QString());
    QCOMPARE(fieldchecks::Refusal::of(fieldchecks::prepareDownload(custom, u'|').failure()).field,
             QStringLiteral("smskp"));
}

void TestConfiguration::downloadClearsForeignColumns()
{
    Configuration config = Configuration::connected();
    for (const QString& name : fields::allEdits()) {
        if (fieldchecks::isRequired(config, name))
            config.setText(name, "1");
    }
    // Columns 3, 4 and RING would make the row's code the separator itself.
    for (const char* box : {"tc2_1", "tc1_1", "cb_r_1", "tc1_14"})
        config.setChecked(box, true);
    const Expected<QString> plan = fieldchecks::prepareDownload(config, u'|');
    QVERIFY(plan);
    QVERIFY(!config.isChecked("tc1_1") && !config.isChecked("tc1_14"));
    QVERIFY(config.isChecked("tc2_1") && config.isChecked("cb_r_1"));
    const QString row1 = plan->section(u'|', 48, 48);
    QCOMPARE(row1.at(0), QChar(0x30 + 4 + 64));
}

void TestConfiguration::description_data()
{
    QTest::addColumn<bool>("pin");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("used");

    // clang-format off
    QTest::newRow("SMS centre with its provider") << false << "smskp" << "SMS központ száma" << "+3612345 (Egyéni)" << true;
    QTest::newRow("PIN hidden") << false << "m_pin" << "Modul PIN-kódja" << "****" << true;
    QTest::newRow("PIN asked for") << true << "m_pin" << "Modul PIN-kódja" << "1234" << true;
    QTest::newRow("odd characters as they are") << false << "m_nev" << "Modul neve" << "a \"b\" <c>&" << true;
    QTest::newRow("row: everything") << false << "t1" << "1. telefonszám" << "+36301234567, RING, SMS, fázis R S T, kimenet 1" << true;
    QTest::newRow("row: SMS and one phase") << false << "t2" << "2. telefonszám" << "+36209876543, SMS, fázis S" << true;
    QTest::newRow("row: an output, no number") << false << "t3" << "3. telefonszám" << "nincs szám, kimenet 2" << true;
    QTest::newRow("row: nothing") << false << "t4" << "4. telefonszám" << "nincs megadva" << true;
    QTest::newRow("row: the hidden column apart") << false << "t5" << "5. telefonszám" << "+3620, fázis R" << true;
    QTest::newRow("the hidden column") << false << "t5.4-6" << "5. telefonszám, 4-6. riasztási oszlop" << "4." << false;
    QTest::newRow("a column 4 of nothing") << false << "t1.4-6" << "1. telefonszám, 4-6. riasztási oszlop" << "nincs" << false;
    QTest::newRow("monostable") << false << "b1" << "1-es kimenet rácsengetéskor" << "monostabil" << true;
    QTest::newRow("bistable") << false << "b2" << "2-es kimenet rácsengetéskor" << "bistabil" << true;
    QTest::newRow("output 3, hidden") << false << "b3" << "3-as kimenet rácsengetéskor" << "monostabil" << false;
    QTest::newRow("hidden input") << false << "be4_nev" << "4-es bemenet neve" << "Bemenet 4" << false;
    QTest::newRow("analog range") << false << "max_be_15" << "Max. bemenő feszültség" << "0..30 V" << false;
    QTest::newRow("threshold") << false << "abe1_hi" << "Analóg bemenet magas riasztási szint egészrésze" << "29" << false;
    // clang-format on
}

// A configuration as a person reads it: each kind of telephone row, odd characters kept,
// what the module lacks apart, the PIN only when asked for.
void TestConfiguration::description()
{
    QFETCH(bool, pin);
    QFETCH(QString, key);
    QFETCH(QString, caption);
    QFETCH(QString, value);
    QFETCH(bool, used);

    fields::Values values;
    const auto check = [&values](const char* name) {
        values.setChecked(QLatin1String(name), true);
    };
    values.setText("smskp", "3612345");
    values.setText("m_pin", "1234");
    values.setText("m_nev", "a \"b\" <c>&");
    values.setText("be4_nev", "Bemenet 4");
    values.setText("abe1_hi", "29");
    values.setText("t1", "36301234567");
    values.setChecked("r1_0", false);
    for (const char* name : {"tc4_1", "tc3_1", "tc2_1", "cb_r_1", "cb_s_1", "r1_1"})
        check(name);
    values.setText("t2", "36209876543");
    for (const char* name : {"tc3_2", "cb_s_2"})
        check(name);
    values.setChecked("r3_0", false);
    check("r3_2");
    values.setText("t5", "3620");
    for (const char* name : {"tc4_5", "tc1_5"})
        check(name);
    values.setChecked("b2", false);
    check("k2");
    values.setChecked("max_be_15", false);
    check("max_be_30");

    const QList<description::Item> items = description::describe(values, {pin});
    const auto found =
        std::find_if(items.cbegin(), items.cend(),
                     [&key](const description::Item& item) { return item.key == key; });
    QVERIFY2(found != items.cend(), qPrintable(key));
    QCOMPARE(found->caption, caption);
    QCOMPARE(found->value, value);
    QCOMPARE(found->used, used);
    // Every used item comes before the unused ones of its section, sections in the window's
    // order.
    int last = -1;
    for (const description::Item& item : items) {
        const int rank = int(item.section) * 2 + (item.used ? 0 : 1);
        QVERIFY(rank >= last);
        last = rank;
    }
}

QTEST_APPLESS_MAIN(TestConfiguration)
#include "tst_configuration.moc"
