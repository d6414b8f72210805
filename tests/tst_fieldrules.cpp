#include "core/fieldrules.h"

#include <QTest>

class tst_fieldrules : public QObject
{
    Q_OBJECT

private slots:
    void rules_data();
    void rules();
    void zeroFill_data();
    void zeroFill();
    void providers_data();
    void providers();
};

void tst_fieldrules::rules_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("plain");
    QTest::addColumn<bool>("digits");
    QTest::addColumn<bool>("telephone");
    QTest::addColumn<bool>("separator");
    QTest::addColumn<bool>("latin1");

    // clang-format off
    QTest::newRow("empty")          << QString()                   << true  << true  << true  << false << true;
    QTest::newRow("U+0000")         << QString(QChar(0x0000))      << false << false << false << false << true;
    QTest::newRow("U+0001")         << QString(QChar(0x0001))      << true  << false << false << false << true;
    QTest::newRow("U+007F")         << QString(QChar(0x007F))      << true  << false << false << false << true;
    QTest::newRow("U+0080")         << QString(QChar(0x0080))      << false << false << false << false << true;
    QTest::newRow("U+0100")         << QString(QChar(0x0100))      << false << false << false << false << false;
    QTest::newRow("é")              << QStringLiteral("Kút é")     << false << false << false << false << true;
    QTest::newRow("ő")              << QStringLiteral("ő")         << false << false << false << false << false;
    QTest::newRow("digits, blank")  << QStringLiteral("12 4")      << true  << true  << true  << false << true;
    QTest::newRow("plus number")    << QStringLiteral("+36 30 123") << true << false << true  << false << true;
    QTest::newRow("hyphen")         << QStringLiteral("36-30")     << true  << false << false << false << true;
    QTest::newRow("separator")      << QStringLiteral("a|b")       << true  << false << false << true  << true;
    QTest::newRow("ascii text")     << QStringLiteral("Haz-1, #2!") << true << false << false << false << true;
    // clang-format on
}

void tst_fieldrules::rules()
{
    QFETCH(QString, text);
    QTEST(fieldrules::isPlainText(text), "plain");
    QTEST(fieldrules::isDigits(text), "digits");
    QTEST(fieldrules::isTelephone(text), "telephone");
    QTEST(fieldrules::hasSeparator(text), "separator");
    QTEST(fieldrules::isLatin1(text), "latin1");
}

void tst_fieldrules::zeroFill_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("filled");

    QTest::newRow("one digit") << "7" << 4 << "0007";
    QTest::newRow("full") << "1234" << 4 << "1234";
    QTest::newRow("longer, not cut") << "12345" << 4 << "12345";
    QTest::newRow("empty") << "" << 4 << "0000";
    QTest::newRow("two-digit mask") << "5" << 2 << "05";
}

void tst_fieldrules::zeroFill()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    QTEST(fieldrules::zeroFill(text, width), "filled");
}

void tst_fieldrules::providers_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<int>("index");

    QTest::newRow("T-Mobile") << "36309888000" << 0;
    QTest::newRow("Telenor") << "36209300099" << 1;
    QTest::newRow("Vodafone") << "36709996500" << 2;
    QTest::newRow("with plus") << "+36709996500" << 3;
    QTest::newRow("empty") << "" << 3;
}

void tst_fieldrules::providers()
{
    QFETCH(QString, number);
    QFETCH(int, index);
    QCOMPARE(fieldrules::providerIndexForNumber(number), index);
    QCOMPARE(fieldrules::providerNumber(index), index < 3 ? number : QString());
}

// Spelled out: Qt's main macros do not compile cleanly with clang's -Wpedantic.
int main(int argc, char** argv)
{
    tst_fieldrules test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_fieldrules.moc"
