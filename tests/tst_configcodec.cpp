#include "core/configcodec.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

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
    void unusableFiles_data();
    void unusableFiles();
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

void tst_configcodec::unusableFiles_data()
{
    QTest::addColumn<bool>("write"); // writeFile(), otherwise readFile()
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("why"); // the message after "<path>: "
    QTest::addColumn<QString>("reason");

    using messages::Code;
    QTest::newRow("write onto a directory")
        << true << "folder.vgf" << int(Code::SaveFailed) << "nem írható: könyvtár, nem fájl."
        << "not-a-file";
    QTest::newRow("write into no folder") << true << "missing/x.vgf" << int(Code::SaveFailed)
                                          << "nem írható: a könyvtára nem létezik."
                                          << "no-folder";
    QTest::newRow("write into a read-only folder")
        << true << "locked/x.vgf" << int(Code::SaveFailed) << "nem írható: nincs jogosultság."
        << "no-permission";
    QTest::newRow("read nothing") << false << "gone.vgf" << int(Code::FileMissing)
                                  << "nincs ilyen fájl."
                                  << "";
    QTest::newRow("read a directory")
        << false << "folder.vgf" << int(Code::NotAFile) << "könyvtár, nem konfigurációs fájl."
        << "not-a-file";
    QTest::newRow("read a file without rights")
        << false << "secret.vgf" << int(Code::FileUnreadable)
        << "nem olvasható (nincs jogosultság)."
        << "no-permission";
}

// A file that cannot be used says why, in the words the command line prints and the window
// logs, and a failed write leaves what was there.
void tst_configcodec::unusableFiles()
{
    QFETCH(bool, write);
    QFETCH(QString, name);
    QFETCH(int, code);

    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("folder.vgf"));
    QVERIFY(QDir(dir.path()).mkdir("locked"));
    QFile old(dir.filePath("locked/x.vgf"));
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old\r\n") == 5);
    old.close();
    QFile secret(dir.filePath("secret.vgf"));
    QVERIFY(secret.open(QIODevice::WriteOnly));
    secret.close();
#ifndef Q_OS_WIN
    if ((name.startsWith("locked") || name.startsWith("secret")) && geteuid() == 0)
        QSKIP("permissions do not stop root");
#else
    if (name.startsWith("locked") || name.startsWith("secret"))
        QSKIP("Windows has no read-only folder nor an owner-only file here");
#endif
    QFile::setPermissions(dir.filePath("locked"), QFile::ReadOwner | QFile::ExeOwner);
    QFile::setPermissions(dir.filePath("secret.vgf"), QFileDevice::Permissions());

    const QString path = dir.filePath(name);
    const Expected<QStringList> read =
        write ? Expected<QStringList>(QStringList()) : configfile::readFile(path);
    const Expected<void> written =
        write ? configfile::writeFile(path, numbered(172)) : Expected<void>();
    QFile::setPermissions(dir.filePath("locked"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::setPermissions(dir.filePath("secret.vgf"), QFile::ReadOwner | QFile::WriteOwner);
    QVERIFY(!read || !written);
    const Failure& failure = write ? written.failure() : read.failure();
    QCOMPARE(int(failure.code), code);
    QFETCH(QString, why);
    QCOMPARE(failure.message, path + QStringLiteral(": ") + why);
    QCOMPARE(failure.details.value("file").toString(), path);
    QTEST(failure.details.value("reason").toString(), "reason");
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("old\r\n"));
}

// Spelled out: Qt's main macros do not compile cleanly with clang's -Wpedantic.
int main(int argc, char** argv)
{
    tst_configcodec test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_configcodec.moc"
