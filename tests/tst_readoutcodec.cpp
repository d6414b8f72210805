#include "core/readoutcodec.h"

#include <QTest>

class tst_readoutcodec : public QObject
{
    Q_OBJECT

private slots:
    void split_data();
    void split();
    void outputModeMask_data();
    void outputModeMask();
    void analogRange_data();
    void analogRange();
    void telRow_data();
    void telRow();
};

namespace {

// "f1|f2|...|fN|", the way the module sends its fields.
QString reply(int count, const QString& separator = QStringLiteral("|"))
{
    QStringList fields;
    for (int i = 1; i <= count; ++i)
        fields.append(QStringLiteral("f%1").arg(i));
    return fields.join(separator) + separator;
}

QStringList expectedFields(int count)
{
    QStringList fields;
    for (int i = 1; i <= count; ++i)
        fields.append(QStringLiteral("f%1").arg(i));
    return fields;
}

// Columns 1..8 of a row as "1"/"0" characters.
QString columns(const readout::TelRow& row)
{
    QString text;
    for (int c = 1; c <= 8; ++c)
        text += row.columnChecked(c) ? u'1' : u'0';
    return text;
}

} // namespace

void tst_readoutcodec::split_data()
{
    QTest::addColumn<QString>("raw");
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("fields");

    // What split() says: the fields, or why not (the detail "reason"); a reply it refuses
    // gives no fields.
    enum R { Ok, NoSeparator, WrongCount };
    const QStringList ok = expectedFields(56);

    QTest::newRow("56 fields") << reply(56) << int(R::Ok) << 56 << ok;
    QTest::newRow("no final separator") << reply(56).chopped(1) << int(R::Ok) << 56 << ok;
    QTest::newRow("55 fields") << reply(55) << int(R::WrongCount) << 55 << QStringList();
    QTest::newRow("57 fields") << reply(57) << int(R::WrongCount) << 57 << QStringList();
    QTest::newRow("empty reply") << "" << int(R::NoSeparator) << 0 << QStringList();
    QTest::newRow("no separator") << "V_VEXAGRID" << int(R::NoSeparator) << 0 << QStringList();
    QTest::newRow("separators only") << "|||" << int(R::WrongCount) << 0 << QStringList();

    QTest::newRow("CR LF endings") << reply(56, "\r\n") << int(R::Ok) << 56 << ok;
    QTest::newRow("LF endings") << reply(56, "\n") << int(R::Ok) << 56 << ok;
    QTest::newRow("CR endings") << reply(56, "\r") << int(R::Ok) << 56 << ok;

    // An empty piece between adjacent separators disappears before counting.
    QString adjacent = reply(56);
    adjacent.replace(QStringLiteral("|f2|"), QStringLiteral("||f2|"));
    QTest::newRow("adjacent separators, 56") << adjacent << int(R::Ok) << 56 << ok;
    QString adjacentShort = reply(55);
    adjacentShort.replace(QStringLiteral("|f2|"), QStringLiteral("||f2|"));
    QTest::newRow("adjacent separators, 55")
        << adjacentShort << int(R::WrongCount) << 55 << QStringList();

    // A field of blanks (or of 0xFF fill) still counts, as an empty text.
    QStringList blanks = ok;
    blanks[3] = QString();
    QString blankReply = reply(56);
    blankReply.replace(QStringLiteral("|f4|"), QStringLiteral("|    |"));
    QTest::newRow("field of blanks") << blankReply << int(R::Ok) << 56 << blanks;
    QString fillReply = reply(56);
    fillReply.replace(QStringLiteral("|f4|"), QString::fromLatin1("|\xFF\xFF\xFF|"));
    QTest::newRow("field of 0xFF fill") << fillReply << int(R::Ok) << 56 << blanks;

    QStringList trimmed = ok;
    trimmed[0] = QStringLiteral(" f1");
    QString padded = reply(56);
    padded.replace(QStringLiteral("f1|"), QString::fromLatin1(" f1  \xFF |"));
    QTest::newRow("trailing blanks only trimmed") << padded << int(R::Ok) << 56 << trimmed;
}

void tst_readoutcodec::split()
{
    QFETCH(QString, raw);
    QFETCH(int, error);
    QFETCH(int, count);
    QFETCH(QStringList, fields);

    const Expected<QStringList> result = readout::split(readout::normalise(raw), u'|');
    const char* const reasons[] = {"", "no-separator", "wrong-count"};
    const QJsonObject why = result ? QJsonObject() : result.failure().details;
    QCOMPARE(why.value("reason").toString(), QLatin1String(reasons[error]));
    QCOMPARE(result ? int(result->size()) : why.value("count").toInt(), count);
    QCOMPARE(result.valueOr(QStringList()), fields);
    if (!result)
        QCOMPARE(result.failure().code, messages::Code::UnknownFormat);
}

void tst_readoutcodec::outputModeMask_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("mask");

    QTest::newRow("5: b1 and b3") << "5" << 5;
    QTest::newRow("leading zero") << "05" << 5;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("not a number") << "5a" << 0;
}

void tst_readoutcodec::outputModeMask()
{
    QFETCH(QString, field);
    QTEST(readout::outputModeMask(field), "mask");
}

void tst_readoutcodec::analogRange_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("range15");

    QTest::newRow("1") << "1" << false;
    QTest::newRow("other") << "x0" << false;
    QTest::newRow("empty") << "" << false;
}

void tst_readoutcodec::analogRange()
{
    QFETCH(QString, field);
    QTEST(readout::analogRange15(field), "range15");
}

void tst_readoutcodec::telRow_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("columns"); // 1..8
    QTest::addColumn<int>("output");
    QTest::addColumn<QString>("number");

    QTest::newRow("0 and 8: nothing set")
        << "0836301234567" << true << "00000000" << 0 << "36301234567";
    QTest::newRow("C1 3: SMS and output 3") << "03" << true << "00000001" << 3 << "";
    QTest::newRow("y and 3") << "y336201234567" << true << "10010011" << 3 << "36201234567";
    QTest::newRow("? and <: columns 1-4, output 4") << "?<1" << true << "11110000" << 4 << "1";
    // The code characters are signed bytes: 0xB0 is below "0", so it marks the SMS box.
    QTest::newRow("signed C1") << QString::fromLatin1("0\xB0") << true << "00000001" << -128 << "";
    QTest::newRow("empty field") << "" << false << "00000000" << 0 << "";
    QTest::newRow("one character") << "7" << false << "00000000" << 0 << "";
}

void tst_readoutcodec::telRow()
{
    QFETCH(QString, field);
    const readout::TelRow row = readout::decodeTelRow(field);
    QTEST(row.valid, "valid");
    QTEST(columns(row), "columns");
    QTEST(row.output, "output");
    QTEST(row.number, "number");
}

// Spelled out: Qt's main macros do not compile cleanly with clang's -Wpedantic.
int main(int argc, char** argv)
{
    tst_readoutcodec test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_readoutcodec.moc"
