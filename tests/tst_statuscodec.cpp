#include "core/statuscodec.h"

#include <QTest>

class tst_statuscodec : public QObject
{
    Q_OBJECT

private slots:
    void decode_data();
    void decode();
    void signal_data();
    void signal();
    void tooFewPieces_data();
    void tooFewPieces();
};

namespace {

using status::Lamp;

// Lamps as letters: A active, O off, X alarm, N normal.
QString letters(const std::array<Lamp, 4>& lamps)
{
    QString text;
    for (Lamp lamp : lamps)
        text += lamp == Lamp::Active  ? u'A'
                : lamp == Lamp::Off   ? u'O'
                : lamp == Lamp::Alarm ? u'X'
                                      : u'N';
    return text;
}

// Pieces S0..S7 with the flags at their positions: S0[5..8], S1[3..6], S2 from 3, S3 from 4,
// S4[6], S5 from 5.
QString line(const QString& outs, const QString& ins, const QString& supply = QStringLiteral("1"),
             const QString& strength = QStringLiteral("3"))
{
    return QStringLiteral("OUTS=%1 IN=%2 AN=12.5 CNT=00042 POWER=%3 CSQ_=%4 x V_1.03")
        .arg(outs, ins, supply, strength);
}

} // namespace

void tst_statuscodec::decode_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<DeviceKind>("kind");
    QTest::addColumn<QString>("outs");
    QTest::addColumn<QString>("phases");
    QTest::addColumn<QString>("analog");
    QTest::addColumn<QString>("counter");
    QTest::addColumn<bool>("supplyNormal");
    QTest::addColumn<QString>("version");

    QTest::newRow("kind 4") << line("1010", "1001") << DeviceKind::VexaGrid3 << "AOAO"
                            << "XNNX"
                            << "12.5 V"
                            << "00042" << true << "V_1.03";
    QTest::newRow("kind 0, all set") << line("1111", "1111") << DeviceKind::Unknown << "AOOO"
                                     << "XXNN"
                                     << "--.- V"
                                     << "-----" << true << "V_1.03";
    QTest::newRow("kind 0, none set") << line("0000", "0000", "0") << DeviceKind::Unknown << "OOOO"
                                      << "NNNN"
                                      << "--.- V"
                                      << "-----" << false << "V_1.03";
    QTest::newRow("only 1 is set") << line("2a0b", "0x9-") << DeviceKind::VexaGrid3 << "OOOO"
                                   << "NNNN"
                                   << "12.5 V"
                                   << "00042" << true << "V_1.03";
    // Every position past the end of its piece counts as not set; values there are empty.
    QTest::newRow("short pieces") << "OUTS= IN AN CNT POWER CSQ_ x V" << DeviceKind::VexaGrid3
                                  << "OOOO"
                                  << "NNNN"
                                  << " V"
                                  << "" << false << "V";
    QTest::newRow("short S0 and S1 but flags")
        << "OUTS=1 IN=1 AN= CNT= POWER=1 C x V" << DeviceKind::VexaGrid3 << "AOOO"
        << "XNNN"
        << " V"
        << "" << true << "V";
    QTest::newRow("blanks only") << "       " << DeviceKind::VexaGrid3 << "OOOO"
                                 << "NNNN"
                                 << " V"
                                 << "" << false << "";
    // Two blanks in a row leave an empty piece that shifts every later one.
    QTest::newRow("two blanks in a row")
        << "OUTS=1000  IN=1010 AN=12.5 CNT=00042 POWER=1 CSQ_=3 x V_1.03" << DeviceKind::VexaGrid3
        << "AOOO"
        << "NNNN"
        << "1010 V"
        << "2.5" << false << "x";
}

void tst_statuscodec::decode()
{
    QFETCH(QString, reply);
    QFETCH(DeviceKind, kind);

    const Expected<status::View> view = status::decode(reply, kind);
    QVERIFY(view.ok());
    QTEST(letters(view->out), "outs");
    QTEST(letters(view->phase), "phases");
    QTEST(view->analog, "analog");
    QTEST(view->counter, "counter");
    QTEST(view->supply == Lamp::Normal, "supplyNormal");
    QTEST(view->version, "version");
}

void tst_statuscodec::signal_data()
{
    QTest::addColumn<QString>("strength");
    QTest::addColumn<int>("value");

    QTest::newRow("3") << "3" << 30;
    QTest::newRow("6") << "6" << 10;
    QTest::newRow("0") << "0" << 10;
    QTest::newRow("missing") << "" << 10;
    QTest::newRow("not a number") << "3x" << 10;
    QTest::newRow("negative") << "-3" << 10;
    QTest::newRow("huge, no overflow") << "999999999" << 10;
}

void tst_statuscodec::signal()
{
    QFETCH(QString, strength);
    QFETCH(int, value);

    for (DeviceKind kind : {DeviceKind::Unknown, DeviceKind::VexaGrid3}) {
        const Expected<status::View> view =
            status::decode(line("1000", "0000", "1", strength), kind);
        QVERIFY(view.ok());
        QCOMPARE(view->signal, value);
        QCOMPARE(view->signalLow, value == 10);
    }
}

void tst_statuscodec::tooFewPieces_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("why");

    QTest::newRow("empty") << ""
                           << "Az állapotválasz 1 részből áll, legalább 8 kell.";
    QTest::newRow("seven pieces") << "OUTS=1000 IN=1010 AN=12.5 CNT=00042 POWER=1 CSQ_=3 x"
                                  << "Az állapotválasz 7 részből áll, legalább 8 kell.";
    QTest::newRow("other separators") << "a\tb\tc\td\te\tf\tg\th"
                                      << "Az állapotválasz 1 részből áll, legalább 8 kell.";
}

void tst_statuscodec::tooFewPieces()
{
    QFETCH(QString, reply);
    for (DeviceKind kind : {DeviceKind::VexaGrid3, DeviceKind::Unknown}) {
        const Expected<status::View> view = status::decode(reply, kind);
        QVERIFY(!view.ok());
        QCOMPARE(view.failure().code, messages::Code::StatusFailed);
        QTEST(view.failure().message, "why");
    }
}

// Spelled out: Qt's main macros do not compile cleanly with clang's -Wpedantic.
int main(int argc, char** argv)
{
    tst_statuscodec test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_statuscodec.moc"
