#include "core/downloadframe.h"

#include <QTest>

class tst_downloadframe : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void freshForm();
    void otherSeparator();
    void fields_data();
    void fields();
    void separatorRefused_data();
    void separatorRefused();
};

namespace {

QStringList debugMessages;

void captureMessage(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtDebugMsg)
        debugMessages.append(message);
}

// The form's values as the caller would take them off the widgets: the fresh form with every
// text field filled.
class Form
{
public:
    Form()
    {
        const QStringList texts = {
            "smskp=36309888000", "m_pin=1234", "m_id=0001", "m_nev=VexaGrid-3", "visszaallas=1",
            "rele_time=0005", "maxsms=10", "abe1_lo_msg=A1 alacsony", "abe1_hi_msg=A1 magas",
            "abe1_vissza=A1 vissza", "abe2_hi_msg=A2 magas", "be_a1_nev=Analog 1",
            "be_a2_nev=Analog 2", "be1_nev=Fazis R", "be2_nev=Fazis S", "be3_nev=Fazis T",
            "be4_nev=Bemenet 4", "be1_on_msg=Be1 be", "be2_on_msg=Be2 be", "be3_on_msg=Be3 be",
            "be4_on_msg=Be4 be", "be1_off_msg=Be1 ki", "be2_off_msg=Be2 ki", "be3_off_msg=Be3 ki",
            "be4_off_msg=Be4 ki", "ki1_on=Ki1 be", "ki2_on=Ki2 be", "ki3_on=Ki3 be",
            "ki4_on=Ki4 be", "ki1_off=Ki1 ki", "ki2_off=Ki2 ki", "ki3_off=Ki3 ki", "ki4_off=Ki4 ki",
            "abe2_clr=A2 torles", "act_be=AKTIV", "act_ki=PASSZIV", "t1=36301234567",
            // Never part of the frame: the "+" fields and the analog input's fixed values.
            "smsplus=+", "tplus_1=+", "tplus_3=+", "abe1_lo=12", "abe1_lo_2=3", "abe1_hi=45",
            "abe1_hi_2=6", "abe2_hi=12345"};
        for (const QString& entry : texts)
            setText(entry);
    }

    void setText(const QString& entry)
    {
        const qsizetype eq = entry.indexOf(u'=');
        values.setText(entry.left(eq), entry.mid(eq + 1));
    }

    // Checks a box or a radio button by object name, as a click would.
    void check(const QString& name)
    {
        QVERIFY2(fields::find(name), qPrintable(name));
        for (const QString& other : fields::radioGroup(name))
            values.setChecked(other, false);
        values.setChecked(name, true);
    }

    fields::Values values;
};

// clang-format off
const QStringList freshFields = {
    "36309888000", "1234", "0001", "VexaGrid-3", "1", "0005", "10", "15", "000", "299", "0",
    "99999", "", "", "", "", "A1 alacsony", "A1 magas", "A1 vissza", "A2 magas", "", "",
    "Analog 1", "Analog 2", "Fazis R", "Fazis S", "Fazis T", "Bemenet 4", "Be1 be", "Be2 be",
    "Be3 be", "Be4 be", "Be1 ki", "Be2 ki", "Be3 ki", "Be4 ki", "Ki1 be", "Ki2 be", "Ki3 be",
    "Ki4 be", "Ki1 ki", "Ki2 ki", "Ki3 ki", "Ki4 ki", "A2 torles", "AKTIV", "PASSZIV", "",
    "0836301234567", "08", "08", "08", "08", "08", "08", "08"};
// clang-format on

QString padded(const QString& text)
{
    return text.leftJustified(16, u' ');
}

} // namespace

void tst_downloadframe::init()
{
    debugMessages.clear();
    qInstallMessageHandler(captureMessage);
}

void tst_downloadframe::cleanup()
{
    qInstallMessageHandler(nullptr);
}

void tst_downloadframe::freshForm()
{
    const QString text = frame::build(Form().values, u'|').valueOr(QString());

    QCOMPARE(text.size(), 952);
    QVERIFY(text.startsWith(QLatin1StringView("36309888000     |")));
    QVERIFY(text.endsWith(u'|'));

    QStringList expected;
    for (const QString& field : freshFields)
        expected.append(padded(field));
    expected.append(QString()); // after the last separator
    QCOMPARE(text.split(u'|'), expected);
    QCOMPARE(debugMessages, QStringList());
}

void tst_downloadframe::otherSeparator()
{
    const QString text = frame::build(Form().values, u'#').valueOr(QString());
    QCOMPARE(text.size(), 952);
    QCOMPARE(text.count(u'#'), 56);
    QVERIFY(!text.contains(u'|'));
    QCOMPARE(text.split(u'#').value(48), padded("0836301234567"));
}

void tst_downloadframe::fields_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QStringList>("checks");
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("expected");

    const QStringList none;
    const QString ringAll = QString(QChar(0x7F)) + u'4';

    // clang-format off
    QTest::newRow("m_pin 12")          << QStringList{"m_pin=12"}     << none << 2 << "0012";
    QTest::newRow("m_pin empty")       << QStringList{"m_pin="}       << none << 2 << "0000";
    QTest::newRow("rele_time empty")   << QStringList{"rele_time="}   << none << 6 << "0000";
    QTest::newRow("maxsms not filled") << QStringList{"maxsms=5"}     << none << 7 << "5";
    QTest::newRow("long text not cut") << QStringList{"m_nev=ABCDEFGHIJKLMNOPQRS"} << none << 4
                                       << "ABCDEFGHIJKLMNOPQRS";
    QTest::newRow("lone + in smskp")   << QStringList{"smskp=+"}      << none << 1 << "+";
    QTest::newRow("lone + in m_nev")   << QStringList{"m_nev=+"}      << none << 4 << "+";
    QTest::newRow("lone + in t3")      << QStringList{"t3=+"}         << none << 51 << "08+";

    QTest::newRow("b1 and b3")  << none << QStringList{"k2", "k4"} << 8 << "05";
    QTest::newRow("all k")      << none << QStringList{"k1", "k2", "k3", "k4"} << 8 << "00";
    QTest::newRow("max_be_30")  << none << QStringList{"max_be_30"} << 11 << "1";

    QTest::newRow("row 2: 0x79, 0x33") << QStringList{"t2=36201234567"}
                                       << QStringList{"tc4_2", "tc1_2", "cb_r_2", "cb_s_2", "r2_3"}
                                       << 50 << "y336201234567";
    QTest::newRow("row 1: column 2") << none << QStringList{"tc3_1"} << 49 << "2836301234567";
    QTest::newRow("row 8: everything")   << none
                                         << QStringList{"tc4_8", "tc3_8", "tc2_8", "tc1_8",
                                                        "cb_r_8", "cb_s_8", "r8_4"}
                                         << 56 << ringAll;
    QTest::newRow("SMS box alone")       << none << QStringList{"cb_s_4"} << 52 << "00";
    QTest::newRow("output 4, no SMS")    << none << QStringList{"r6_4"} << 54 << "0<";
    QTest::newRow("ring box alone")      << none << QStringList{"cb_r_7"} << 55 << "p8";
    QTest::newRow("columns 5, 6 ignored") << none << QStringList{"tc1_9", "tc1_17"} << 53 << "08";
    QTest::newRow("row 3 stays in row 3") << none
                                          << QStringList{"tc4_3", "tc3_3", "cb_r_3", "cb_s_3", "r3_2"}
                                          << 51 << "s2";
    // clang-format on
}

void tst_downloadframe::fields()
{
    QFETCH(QStringList, texts);
    QFETCH(QStringList, checks);
    QFETCH(int, field);
    QFETCH(QString, expected);

    Form form;
    for (const QString& entry : texts)
        form.setText(entry);
    for (const QString& name : checks)
        form.check(name);

    const QStringList pieces = frame::build(form.values, u'|').valueOr(QString()).split(u'|');
    QCOMPARE(pieces.size(), 57);
    for (int i = 0; i < 56; ++i) {
        const QString want = i == field - 1 ? expected : freshFields[i];
        QVERIFY2(pieces[i] == padded(want),
                 qPrintable(QStringLiteral("field %1: \"%2\"").arg(i + 1).arg(pieces[i])));
    }
}

void tst_downloadframe::separatorRefused_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QStringList>("checks");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<int>("clashRow");
    QTest::addColumn<bool>("refused");

    // Columns 3, 4 and 7 make P1 0x30 + 4 + 8 + 64, which is "|". Column 4 is hidden on this
    // module's form but a file or a read-out can still check it.
    const QStringList clash = {"tc2_6", "tc1_6", "cb_r_6"};
    const QStringList none;
    QTest::newRow("P1 is |") << none << clash << QChar(u'|') << 6 << true;
    QTest::newRow("P1 | with another separator") << none << clash << QChar(u'#') << 0 << false;
    QTest::newRow("P2 is the separator") << none << QStringList{"r2_3"} << QChar(u';') << 2 << true;
    QTest::newRow("text with separator")
        << QStringList{"be2_nev=a|b"} << none << QChar(u'|') << 0 << true;
}

void tst_downloadframe::separatorRefused()
{
    QFETCH(QStringList, texts);
    QFETCH(QStringList, checks);
    QFETCH(QChar, separator);
    QFETCH(bool, refused);

    Form form;
    for (const QString& entry : texts)
        form.setText(entry);
    for (const QString& name : checks)
        form.check(name);

    QTEST(frame::separatorClashRow(form.values, separator), "clashRow");
    const Expected<QString> text = frame::build(form.values, separator);
    QCOMPARE(!text, refused);
    if (!refused)
        QCOMPARE(text->count(separator), 56);
    else
        QCOMPARE(text.failure().code, messages::Code::Unsendable);
    QCOMPARE(debugMessages, QStringList());
}

// Spelled out: Qt's main macros do not compile cleanly with clang's -Wpedantic.
int main(int argc, char** argv)
{
    tst_downloadframe test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_downloadframe.moc"
