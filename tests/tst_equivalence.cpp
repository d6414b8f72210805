// The window and the headless core agree byte for byte: the same files, read-outs and
// downloads through the real window (its dialogs, its widgets and their reactions) and
// through Configuration alone give the same frames and the same file lines. Random cases
// are seeded, so a difference can be replayed.
#include "app/download.h"
#include "app/readup.h"
#include "core/configcodec.h"
#include "core/configuration.h"
#include "core/fieldchecks.h"
#include "core/fields.h"
#include "core/readoutcodec.h"
#include "device/conversations.h"
#include "form/bindings.h"
#include "tests/support/dialogdriver.h"
#include "tests/support/simfixture.h"
#include "tests/support/testmain.h"
#include "tests/support/windowfixture.h"
#include "ui_mainwindow.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <memory>

namespace {

constexpr quint32 kSeed = 20261208;
constexpr int kRandomFiles = 220;
constexpr int kRandomReadOuts = 220;
constexpr int kReadOutsOnTheLine = 6;

// Characters a file or a module may bring: plain, separator, "+", accented, 0xFF, blanks.
const QString kPool = QStringLiteral("abcXYZ0189 +-|.,_~{}\u00e9\u0151\u00fa\u00c1\u00ff");

QString randomText(QRandomGenerator& rng, int maxLength)
{
    switch (rng.bounded(8)) {
    case 0:
        return QString();
    case 1:
        return QStringLiteral("+");
    case 2: {
        QString digits;
        for (int i = rng.bounded(1, maxLength + 1); i > 0; --i)
            digits += QChar(u'0' + rng.bounded(10));
        return digits;
    }
    default: {
        QString text;
        for (int i = rng.bounded(maxLength + 1); i > 0; --i)
            text += kPool.at(rng.bounded(int(kPool.size())));
        return text;
    }
    }
}

// A value every check lets through, so that the download gets as far as its frame.
QString cleanText(QRandomGenerator& rng, const QString& name)
{
    static const QStringList digitsOnly{"m_pin", "m_id", "rele_time", "maxsms", "t1", "t2",
                                        "t3",    "t4",   "t5",        "t6",     "t7", "t8"};
    const int length = rng.bounded(1, fields::maxLength(name) + 1);
    if (name == QLatin1String("visszaallas"))
        return QString::number(rng.bounded(2));
    QString text;
    for (int i = 0; i < length; ++i) {
        if (digitsOnly.contains(name))
            text += QChar(u'0' + rng.bounded(10));
        else
            text += QChar(rng.bounded(0x20, 0x7F) == '|' ? 'x' : rng.bounded(0x20, 0x7F));
    }
    return text.replace(u'|', u'/');
}

// 172 value lines (or an odd file: short, long, "---", the defaults file's extra lines).
QStringList randomFile(QRandomGenerator& rng)
{
    QStringList lines;
    const bool clean = rng.bounded(3) != 0;
    for (const QString& name : fields::allEdits()) {
        if (clean && name == QLatin1String("smskp"))
            lines << (rng.bounded(2) ? QStringLiteral("36709996500") : cleanText(rng, "t1"));
        else if (clean && !name.contains(QLatin1String("plus")))
            lines << cleanText(rng, name);
        else
            lines << randomText(rng, fields::maxLength(name) + 3);
    }
    for (int i = 0; i < fields::allBoxes().size(); ++i) {
        const int pick = rng.bounded(10);
        lines << (pick < 3    ? QStringLiteral("1")
                  : pick == 9 ? QStringLiteral("x")
                              : QStringLiteral("0"));
    }
    for (int i = 0; i < fields::allRadios().size(); ++i)
        lines << (rng.bounded(4) == 0 ? QStringLiteral("1") : QStringLiteral("0"));
    switch (rng.bounded(12)) {
    case 0:
        lines = lines.mid(0, rng.bounded(1, 172));
        break;
    case 1:
        lines.insert(rng.bounded(172), QStringLiteral("---"));
        break;
    case 2:
        lines << QStringLiteral("extra") << QString();
        break;
    default:
        break;
    }
    return lines;
}

QByteArray fileBytes(QRandomGenerator& rng, const QStringList& lines)
{
    if (rng.bounded(4) != 0)
        return configfile::encode(lines);
    return lines.join(u'\n').toUtf8() + '\n'; // LF only
}

// A read-out reply the module could send: 56 fields, telephone rows with any code bytes.
QByteArray randomReply(QRandomGenerator& rng)
{
    QByteArray reply;
    const QByteArray ends[] = {"\r\n", "|", "\n", "\r"};
    const QByteArray end = ends[rng.bounded(4)];
    for (int number = 1; number <= fields::kSlots; ++number) {
        QString text;
        if (number >= fields::kFirstTelSlot && rng.bounded(8) != 0) {
            text += QChar(rng.bounded(0x20, 0x100));
            text += QChar(rng.bounded(0x20, 0x100));
            text += randomText(rng, 14);
        } else if (number == 8) { // the output modes' number
            text = QString::number(rng.bounded(20));
        } else {
            text = randomText(rng, 18);
        }
        text.remove(u'|');
        if (text.trimmed().isEmpty() && rng.bounded(2) == 0)
            text = QStringLiteral("  ");
        if (text.isEmpty())
            text = QStringLiteral(" ");
        QByteArray bytes = text.toLatin1().leftJustified(16, ' ');
        reply += bytes + end;
    }
    return reply;
}

} // namespace

class TestEquivalence : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void openThenDownload();
    void openThenSave();
    void readOutThenSave();
    void bytesOnTheLine();
    void commandLineMatchesTheWindow();

private:
    // The window right after a module was identified, and the core in the same state.
    void connect();
    // Opens `bytes` as a file in the window and in the core; false when they differ.
    bool open(const QByteArray& bytes, const QString& label);
    bool download(const QString& label);
    QStringList savedLines(const QString& label);
    QString write(const QString& name, const QByteArray& bytes);

    // An empty device map of our own: COM9 exists nowhere, whatever the machine has.
    std::unique_ptr<SimFixture> ports;
    QTemporaryDir dir;
    QString startDir;
    std::unique_ptr<MainWindow> window;
    Configuration core = Configuration::connected();
    int compared = 0;
    int framesCompared = 0;
    int refusalsCompared = 0;
    int tooShort = 0;
};

void TestEquivalence::initTestCase()
{
    startDir = QDir::currentPath();
    ports = std::make_unique<SimFixture>();
    QVERIFY(ports->isValid());
    QVERIFY(dir.isValid());
    QDir::setCurrent(dir.path());
    QVERIFY(QFile::copy(fixture::sourcePath(QStringLiteral("resources/defval_vg.dll")),
                        dir.filePath(QStringLiteral("defval_vg.dll"))));
}

void TestEquivalence::cleanupTestCase()
{
    window.reset();
    ports.reset();
    QDir::setCurrent(startDir);
    qInfo("%d cases compared (%d frames, %d refusals, %d files too short), window and core "
          "agreed on every one",
          compared, framesCompared, refusalsCompared, tooShort);
}

void TestEquivalence::connect()
{
    // Not shown: no focus moves, so no departure check runs between the steps compared.
    window = std::make_unique<MainWindow>();
    window->globalEnableUI();
    window->setVexaGridUI();
    window->newfile();
    window->settings().port = QStringLiteral("COM9"); // no such port: a download fails at once

    core = Configuration::connected();
    QVERIFY(core.load(*configfile::readFile(QStringLiteral("defval_vg.dll"))));
    QCOMPARE(bindings::take(window->form()), core);
}

QString TestEquivalence::write(const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

bool TestEquivalence::open(const QByteArray& bytes, const QString& label)
{
    const QString path = write(QStringLiteral("case.vgf"), bytes);
    const QStringList lines = *configfile::readFile(path);
    const bool loads = core.load(lines).ok();
    if (!loads)
        ++tooShort;

    DialogDriver driver;
    driver.expectFile(path);
    if (!loads)
        driver.expectMessage(); // too short
    window->openfile();
    if (!driver.waitDone()) {
        qWarning("%s: %s", qPrintable(label), qPrintable(driver.problems()));
        return false;
    }
    if (bindings::take(window->form()) != core) {
        const QStringList shown = bindings::take(window->form()).lines();
        for (int i = 0; i < shown.size(); ++i) {
            if (shown.at(i) != core.lines().at(i))
                qWarning("%s: line %d: window \"%s\", core \"%s\"", qPrintable(label), i + 1,
                         qPrintable(shown.at(i)), qPrintable(core.lines().at(i)));
        }
        return false;
    }
    return true;
}

bool TestEquivalence::download(const QString& label)
{
    const Expected<QString> plan = fieldchecks::prepareDownload(core, u'|');
    const fieldchecks::Refusal refusal =
        plan ? fieldchecks::Refusal() : fieldchecks::Refusal::of(plan.failure());
    QString shownText;
    DialogDriver driver;
    if (plan) {
        driver.expectDialog(QStringLiteral("dload"), [](QDialog* dialog) {
            // The worker fails at once on a port that does not exist; then OK closes it.
            auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
            QTRY_VERIFY(buttons->isEnabled());
            buttons->button(QDialogButtonBox::Ok)->click();
        });
    } else {
        driver.expectMessage();
    }
    window->download();
    if (!driver.waitDone()) {
        qWarning("%s: %s", qPrintable(label), qPrintable(driver.problems()));
        return false;
    }
    if (!plan && (driver.last().title != refusal.title || driver.last().text != refusal.text)) {
        qWarning("%s: window refused with \"%s\", core with \"%s\"", qPrintable(label),
                 qPrintable(driver.last().text), qPrintable(refusal.text));
        return false;
    }
    ++(plan ? framesCompared : refusalsCompared);
    if (window->settings().downloadText != plan.valueOr(QString())) {
        qWarning("%s: frames differ", qPrintable(label));
        return false;
    }
    return bindings::take(window->form()) == core;
}

QStringList TestEquivalence::savedLines(const QString& label)
{
    const QString path = dir.filePath(QStringLiteral("saved.vgf"));
    QFile::remove(path);
    DialogDriver driver;
    driver.expectFile(path);
    driver.expectMessage();
    window->save();
    if (!driver.waitDone())
        qWarning("%s: %s", qPrintable(label), qPrintable(driver.problems()));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.readAll() != configfile::encode(core.lines())) {
        qWarning("%s: the saved file differs", qPrintable(label));
        return QStringList();
    }
    return core.lines();
}

void TestEquivalence::openThenDownload()
{
    connect();
    QRandomGenerator rng(kSeed);
    // The sample, then odd files, then random ones, one after the other on the same window:
    // what a file leaves unset (a radio group without "1") carries over in both.
    QList<QPair<QString, QByteArray>> cases;
    cases << qMakePair(
        QStringLiteral("defaults"), *[] {
            QFile file(QStringLiteral("defval_vg.dll"));
            file.open(QIODevice::ReadOnly);
            return new QByteArray(file.readAll());
        }());
    QStringList base = core.lines();
    QStringList odd = base;
    odd[fields::allEdits().indexOf(QStringLiteral("be_a1_nev"))] = QStringLiteral("analog");
    odd[fields::allEdits().indexOf(QStringLiteral("smsplus"))] = QStringLiteral("+");
    odd[fields::allEdits().indexOf(QStringLiteral("t3"))] = QStringLiteral("+");
    cases << qMakePair(QStringLiteral("\"+\" and a disabled page"), configfile::encode(odd));
    odd = base;
    for (const QString& box : fields::telBoxes()) {
        if (fields::gridPosition(box).column >= 3)
            odd[fields::allEdits().size() + fields::allBoxes().indexOf(box)] = "1";
    }
    cases << qMakePair(QStringLiteral("boxes in hidden columns"), configfile::encode(odd));
    odd = base;
    for (const QString& radio : fields::telRadios())
        odd[fields::allEdits().size() + 64 + fields::allRadios().indexOf(radio)] =
            radio.endsWith(QLatin1String("_3")) || radio.endsWith(QLatin1String("_4")) ? "1" : "0";
    cases << qMakePair(QStringLiteral("outputs 3 and 4"), configfile::encode(odd));
    odd = base;
    odd[fields::allEdits().indexOf(QStringLiteral("m_nev"))] = QStringLiteral("A|B");
    cases << qMakePair(QStringLiteral("a \"|\""), configfile::encode(odd));
    cases << qMakePair(QStringLiteral("short"), configfile::encode(base.mid(0, 171)));
    cases << qMakePair(QStringLiteral("long"),
                       configfile::encode(base + QStringList{"x", "y", "z"}));
    odd = base;
    odd.insert(100, QStringLiteral("---"));
    cases << qMakePair(QStringLiteral("end mark inside"), configfile::encode(odd));
    cases << qMakePair(QStringLiteral("LF only"), base.join(u'\n').toUtf8());
    for (int i = 0; i < kRandomFiles; ++i) {
        const QStringList lines = randomFile(rng);
        cases << qMakePair(QStringLiteral("random file %1 (seed %2)").arg(i).arg(kSeed),
                           fileBytes(rng, lines));
    }

    for (const auto& entry : cases) {
        QVERIFY2(open(entry.second, entry.first), qPrintable(entry.first));
        QVERIFY2(download(entry.first), qPrintable(entry.first));
        ++compared;
    }
}

void TestEquivalence::openThenSave()
{
    connect();
    QRandomGenerator rng(kSeed + 1);
    for (int i = 0; i < kRandomFiles; ++i) {
        const QString label = QStringLiteral("random file %1 (seed %2)").arg(i).arg(kSeed + 1);
        const QStringList lines = randomFile(rng);
        QVERIFY2(open(fileBytes(rng, lines), label), qPrintable(label));
        QVERIFY2(!savedLines(label).isEmpty(), qPrintable(label));
        ++compared;
    }
}

void TestEquivalence::readOutThenSave()
{
    connect();
    QRandomGenerator rng(kSeed + 2);
    for (int i = 0; i < kRandomReadOuts; ++i) {
        const QString label = QStringLiteral("random reply %1 (seed %2)").arg(i).arg(kSeed + 2);
        const QByteArray reply = randomReply(rng);
        const Expected<QStringList> split =
            readout::split(readout::normalise(QString::fromLatin1(reply)), u'|');
        QVERIFY(split.ok());
        FormContext context = window->context();
        readup::apply(context, *split);
        core.fillFromReadOut(*split);
        QVERIFY2(bindings::take(window->form()) == core, qPrintable(label));
        QVERIFY2(!savedLines(label).isEmpty(), qPrintable(label));
        ++compared;
    }
}

// On the line: the window's read-out and download against one simulated module, the
// conversations with the core's frame against another; the same bytes both ways.
void TestEquivalence::bytesOnTheLine()
{
    SimModule* windowSide = ports->start(QStringLiteral("COM3"));
    SimModule* coreSide = ports->start(QStringLiteral("COM4"));
    QVERIFY(windowSide && coreSide);
    connect();
    window->settings().port = QStringLiteral("COM3");

    QRandomGenerator rng(kSeed + 3);
    for (int i = 0; i < kReadOutsOnTheLine; ++i) {
        const QString label =
            QStringLiteral("reply on the line %1 (seed %2)").arg(i).arg(kSeed + 3);
        const QByteArray reply = i == 0 ? QByteArray() : randomReply(rng);
        if (i == 0) {
            windowSide->setFields(SimModule::sampleFields());
            coreSide->setFields(SimModule::sampleFields());
        } else {
            windowSide->setRawReply(SimModule::Request::ReadOut, reply);
            coreSide->setRawReply(SimModule::Request::ReadOut, reply);
        }
        window->readup();
        const conversation::Result readOut = conversation::readOut(QStringLiteral("COM4"), 1200);
        QVERIFY(readOut.ok());
        core.fillFromReadOut(readOut.fields);
        QVERIFY2(bindings::take(window->form()) == core, qPrintable(label));

        const Expected<QString> plan = fieldchecks::prepareDownload(core, u'|');
        if (!plan)
            continue; // a refusal is compared in openThenDownload
        windowSide->clearRecordings();
        coreSide->clearRecordings();
        DialogDriver driver;
        driver.expectDialog(QStringLiteral("dload"), [](QDialog* dialog) {
            auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
            QTRY_VERIFY_WITH_TIMEOUT(buttons->isEnabled(), 30000);
            buttons->button(QDialogButtonBox::Ok)->click();
        });
        window->download();
        QVERIFY2(driver.waitDone(40000), qPrintable(driver.problems()));
        const conversation::Result written =
            conversation::writeFrame(QStringLiteral("COM4"), *plan, '|', 'O');
        QVERIFY(written.ok());
        QVERIFY(windowSide->waitForWrites(1, 30000) && coreSide->waitForWrites(1, 30000));
        QCOMPARE(windowSide->writes().first().bytes, coreSide->writes().first().bytes);
        QCOMPARE(windowSide->writes().first().bytes.size(), 955);
        ++compared;
    }
}

// vexagrid-cli against the window: `write FILE` puts the same bytes on the line as the
// window's Open then download, and `read` saves the same file as the window's connect,
// read-out and Save, for the sample and seeded random files and replies.
void TestEquivalence::commandLineMatchesTheWindow()
{
    SimModule* windowSide = ports->start(QStringLiteral("COM5"));
    SimModule* cliSide = ports->start(QStringLiteral("COM6"));
    QVERIFY(windowSide && cliSide);
    const auto cli = [this](QStringList arguments) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("VEXAGRID_DOSDEVICES"), ports->deviceDirectory());
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(dir.path()); // its defaults file, as the window's
        process.start(qEnvironmentVariable("VEXAGRID_TEST_BIN_DIR") +
                          QStringLiteral("/vexagrid-cli"),
                      arguments << QStringLiteral("--quiet"));
        if (!process.waitForFinished(60000))
            return -1;
        if (process.exitCode() != 0)
            qWarning("vexagrid-cli %s: %s%s", qPrintable(arguments.join(u' ')),
                     process.readAllStandardOutput().constData(),
                     process.readAllStandardError().constData());
        return process.exitCode();
    };

    QRandomGenerator rng(kSeed + 4);
    int written = 0;
    for (int i = 0; written < 12 && i < 60; ++i) {
        const QString label =
            QStringLiteral("file for the command line %1 (seed %2)").arg(i).arg(kSeed + 4);
        connect();
        window->settings().port = QStringLiteral("COM5");
        const QStringList lines = i == 0 ? core.lines() : randomFile(rng);
        const QString path = write(QStringLiteral("cli.vgf"), configfile::encode(lines));
        Configuration planned = core;
        if (!planned.load(*configfile::readFile(path)) ||
            !fieldchecks::prepareDownload(planned, u'|'))
            continue; // refusals are compared in openThenDownload and in tst_cli
        QVERIFY2(open(configfile::encode(lines), label), qPrintable(label));
        windowSide->clearRecordings();
        cliSide->clearRecordings();
        DialogDriver driver;
        driver.expectDialog(QStringLiteral("dload"), [](QDialog* dialog) {
            auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
            QTRY_VERIFY_WITH_TIMEOUT(buttons->isEnabled(), 30000);
            buttons->button(QDialogButtonBox::Ok)->click();
        });
        window->download();
        QVERIFY2(driver.waitDone(40000), qPrintable(driver.problems()));
        QCOMPARE(
            cli({QStringLiteral("write"), QStringLiteral("--port"), QStringLiteral("COM6"), path}),
            0);
        QVERIFY(windowSide->waitForWrites(1, 30000) && cliSide->waitForWrites(1, 30000));
        QVERIFY2(windowSide->writes().first().bytes == cliSide->writes().first().bytes,
                 qPrintable(label));
        ++written;
        ++compared;
    }
    QCOMPARE(written, 12);

    for (int i = 0; i < 4; ++i) {
        const QString label =
            QStringLiteral("reply for the command line %1 (seed %2)").arg(i).arg(kSeed + 4);
        const QByteArray reply = randomReply(rng);
        windowSide->setRawReply(SimModule::Request::ReadOut, reply);
        cliSide->setRawReply(SimModule::Request::ReadOut, reply);
        connect();
        window->settings().port = QStringLiteral("COM5");
        window->readup();
        const QString saved = dir.filePath(QStringLiteral("cli-read.vgf"));
        QFile::remove(saved);
        QCOMPARE(cli({QStringLiteral("read"), QStringLiteral("--port"), QStringLiteral("COM6"),
                      QStringLiteral("-o"), saved}),
                 0);
        core = bindings::take(window->form());
        QFile file(saved);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY2(file.readAll() == configfile::encode(savedLines(label)), qPrintable(label));
        ++compared;
    }
}

VEXAGRID_TEST_MAIN(TestEquivalence)
#include "tst_equivalence.moc"
