#include "core/configcodec.h"

#include <QTest>

class tst_configcodec : public QObject
{
    Q_OBJECT

private slots:
    void encodeBytes_data();
    void encodeBytes();
    void decode_data();
    void decode();
    void lineCounts_data();
    void lineCounts();
    void fileTitle_data();
    void fileTitle();
};

namespace {

QStringList numbered(int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines.append(QString::number(i));
    return lines;
}

} // namespace

void tst_configcodec::encodeBytes_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("nothing") << QStringList() << QByteArray();
    QTest::newRow("one empty line") << QStringList{""} << QByteArray("\r\n");
    QTest::newRow("values") << QStringList{"+", "36309888000", "", "0"}
                            << QByteArray("+\r\n36309888000\r\n\r\n0\r\n");
}

void tst_configcodec::encodeBytes()
{
    QFETCH(QStringList, lines);
    QTEST(configfile::encode(lines), "bytes");
}

void tst_configcodec::decode_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("empty file") << QByteArray() << QStringList{""};
    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
    QTest::newRow("LF only") << QByteArray("a\nb\n") << QStringList{"a", "b"};
    QTest::newRow("no final ending") << QByteArray("a\r\nb") << QStringList{"a", "b"};
    QTest::newRow("trailing empty line") << QByteArray("a\r\n\r\n") << QStringList{"a", ""};
    QTest::newRow("lone CR stays") << QByteArray("a\rb\r\n") << QStringList{"a\rb"};
    QTest::newRow("CR before CR LF stays") << QByteArray("a\r\r\n") << QStringList{"a\r"};
    QTest::newRow("CR at end of file") << QByteArray("a\r\nb\r") << QStringList{"a", "b"};
    // Among the values the end mark is a value: a field holding "---" saves a file that opens.
    QTest::newRow("end mark among the values")
        << QByteArray("a\r\n---\r\nb\r\n") << QStringList{"a", "---", "b"};
    QTest::newRow("end mark without ending") << QByteArray("a\r\n---") << QStringList{"a", "---"};
    QTest::newRow("not an end mark")
        << QByteArray("--- \r\n----\r\n-- -\r\nb\r\n") << QStringList{"--- ", "----", "-- -", "b"};
}

void tst_configcodec::decode()
{
    QFETCH(QByteArray, content);
    QTEST(configfile::decodeLines(content), "lines");
}

void tst_configcodec::lineCounts_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("complete");

    const QByteArray full = configfile::encode(numbered(172));

    QTest::newRow("171 lines") << configfile::encode(numbered(171)) << 171 << false;
    QTest::newRow("171 + one empty line") << configfile::encode(numbered(171) << "") << 172 << true;
    QTest::newRow("172 lines") << full << 172 << true;
    QTest::newRow("173 lines") << configfile::encode(numbered(173)) << 173 << true;
    QTest::newRow("defaults with end mark as 173") << configfile::encode(numbered(172) << "---"
                                                                                       << "about")
                                                   << 173 << true;
    QTest::newRow("end mark as line 100, a value")
        << configfile::encode(numbered(99) << "---" << numbered(72)) << 172 << true;
    QTest::newRow("end mark as line 172, a value") << configfile::encode(numbered(171) << "---"
                                                                                       << "x")
                                                   << 173 << true;
    QTest::newRow("end mark as line 174") << configfile::encode(numbered(173) << "---"
                                                                              << "x")
                                          << 174 << true;
}

void tst_configcodec::lineCounts()
{
    QFETCH(QByteArray, content);
    QFETCH(int, count);
    const QStringList lines = configfile::decodeLines(content);
    QCOMPARE(lines.size(), count);
    QTEST(configfile::hasAllValues(lines), "complete");
}

void tst_configcodec::fileTitle_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("title");

    QTest::newRow("plain") << "/home/u/conf.vgf"
                           << "conf.vgf";
    QTest::newRow("no extension") << "dir/conf"
                                  << "conf.";
    QTest::newRow("two points") << "a.b.vgf"
                                << "a.b.vgf";
    QTest::newRow("defaults file") << "defval_vg.dll"
                                   << "defval_vg.dll";
    QTest::newRow("points in directory") << "/a.b/c"
                                         << "c.";
}

void tst_configcodec::fileTitle()
{
    QFETCH(QString, path);
    QTEST(configfile::fileTitle(path), "title");
}

// Spelled out: Qt's main macros do not compile cleanly with clang's -Wpedantic.
int main(int argc, char** argv)
{
    tst_configcodec test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_configcodec.moc"
