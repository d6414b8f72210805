// Reading the configuration out of the module, end to end: a simulated module on COM3
// holds the fields, the user presses "Kiolvasás az eszközből", and the test looks at the
// bytes the module received, the form and the message boxes.
#include "core/configcodec.h"
#include "core/fields.h"
#include "form/bindings.h"
#include "tests/support/dialogdriver.h"
#include "tests/support/seriallog.h"
#include "tests/support/simfixture.h"
#include "tests/support/testmain.h"
#include "tests/support/windowfixture.h"
#include "ui_mainwindow.h"

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMutex>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

namespace {

// How long a test waits for something the module or the program is bound to do. Only a
// failing test waits this long; a starved machine gets all the room it needs.
constexpr int kEventWaitMs = 30000;

const QString unknownFormat = QStringLiteral("Sikertelen kiolvasás. (Ismeretlen formátum)");

// Which line edit shows which field of the module; the telephone numbers come separately.
const QList<QPair<QString, int>>& textFields()
{
    static const QList<QPair<QString, int>> fields{
        {"smskp", 1},        {"m_pin", 2},        {"m_id", 3},         {"m_nev", 4},
        {"visszaallas", 5},  {"rele_time", 6},    {"maxsms", 7},       {"abe1_lo_msg", 17},
        {"abe1_hi_msg", 18}, {"abe1_vissza", 19}, {"abe2_hi_msg", 20}, {"be_a1_nev", 23},
        {"be_a2_nev", 24},   {"be1_nev", 25},     {"be2_nev", 26},     {"be3_nev", 27},
        {"be4_nev", 28},     {"be1_on_msg", 29},  {"be2_on_msg", 30},  {"be3_on_msg", 31},
        {"be4_on_msg", 32},  {"be1_off_msg", 33}, {"be2_off_msg", 34}, {"be3_off_msg", 35},
        {"be4_off_msg", 36}, {"ki1_on", 37},      {"ki2_on", 38},      {"ki3_on", 39},
        {"ki4_on", 40},      {"ki1_off", 41},     {"ki2_off", 42},     {"ki3_off", 43},
        {"ki4_off", 44},     {"abe2_clr", 45},    {"act_be", 46},      {"act_ki", 47}};
    return fields;
}

// A configuration with a different text in every field. Field 1, 8 and 11 are given;
// the telephone rows exercise the coding:
//   1  columns 1-3, RING and SMS, output 1
//   2  only columns 5 and 6 (not this module's), RING and SMS, output 2
//   3  column 4, output none, SMS clear
//   4  codes "0" and "8": nothing at all
//   5  column 1 and C1 "3": SMS with output 3, which this module does not have
//   6  a single character: too short for the two codes
//   7  RING alone, output 4
//   8  column 2 and SMS, output 2, a 14-digit number
QStringList configuration(const QString& smsCentre, const QString& outputModes,
                          const QString& analogRange)
{
    QStringList f{smsCentre, "4321",      "0042", "Kazanhaz 2", "1",        "0030",
                  "12",      outputModes, "123",  "456",        analogRange};
    for (int i = 12; i <= 47; ++i)
        f << QStringLiteral("Field %1").arg(i);
    f << "u48";
    f << SimModule::phoneField(1 + 2 + 4 + 64, 1, true, "36301234567")
      << SimModule::phoneField(16 + 32 + 64, 2, true, "36201112222")
      << SimModule::phoneField(8, 0, false, "3611") << QStringLiteral("0836705556666")
      << QStringLiteral("13301234") << "5" << SimModule::phoneField(64, 4, false, "1")
      << SimModule::phoneField(2, 2, true, "36301234567890");
    return f;
}

} // namespace

class TestReadup : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void moduleConfigurationFillsTheForm_data();
    void moduleConfigurationFillsTheForm();
    void erasedModuleGivesAnEmptyForm();
    void badRepliesLeaveTheFormUntouched_data();
    void badRepliesLeaveTheFormUntouched();
    void portThatDoesNotOpen();
    void cancelLeavesTheFormUntouched();
    void historyShowsComparesAndRestores();
    void unwritableRecordWarnsOncePerSession();

private:
    // A new connected window on COM3 that records into `path`.
    void useRecord(const QString& path);
    // Every value, check state and enabled state of the form, one entry per widget.
    QStringList snapshot() const;
    // Fills the form with values a read-out would overwrite.
    void makeStale();
    // Presses the read-out button and answers the boxes the driver was told about.
    void readOut(DialogDriver& driver);
    void verifyBox(const DialogDriver& driver, const QString& text);
    QString text(const QString& edit) const;

    SimFixture* sim = nullptr;
    SimModule* module = nullptr;
    MainWindow* window = nullptr;
    QByteArray usualRecord;
};

void TestReadup::init()
{
    sim = new SimFixture;
    QVERIFY(sim->isValid());
    module = sim->start("COM3");
    QVERIFY(module);
    window = fixture::connectedWindow();
    window->settings().port = "COM3";
    usualRecord = qgetenv("VEXAGRID_RECORD");
}

void TestReadup::cleanup()
{
    delete window;
    window = nullptr;
    delete sim;
    sim = nullptr;
    qputenv("VEXAGRID_RECORD", usualRecord);
}

void TestReadup::useRecord(const QString& path)
{
    delete window;
    qputenv("VEXAGRID_RECORD", QFile::encodeName(path));
    window = fixture::connectedWindow();
    window->settings().port = "COM3";
}

QStringList TestReadup::snapshot() const
{
    QStringList values;
    for (const QString& name : fields::allEdits()) {
        const auto* edit = window->findChild<QLineEdit*>(name);
        values << name + "=" + edit->text() + (edit->isEnabled() ? "" : " (disabled)");
    }
    for (const QString& name : fields::allBoxes()) {
        const auto* box = window->findChild<QCheckBox*>(name);
        values << name + "=" + (box->isChecked() ? "1" : "0") +
                      (box->isEnabled() ? "" : " (disabled)");
    }
    for (const QString& name : fields::allRadios())
        values << name + "=" + (window->findChild<QRadioButton*>(name)->isChecked() ? "1" : "0");
    values << "provider=" + QString::number(window->form().smskp_combo->currentIndex());
    return values;
}

void TestReadup::makeStale()
{
    Ui::MainWindow& ui = window->form();
    for (const auto& [name, number] : textFields()) {
        Q_UNUSED(number);
        window->findChild<QLineEdit*>(name)->setText("zz");
    }
    // Values the field checks accept, so that a check run by a focus change during the
    // read-out has nothing to refuse or to pad.
    ui.m_pin->setText("99");
    ui.m_id->setText("0099");
    ui.rele_time->setText("99");
    ui.maxsms->setText("99");
    ui.visszaallas->setText("0");
    for (int row = 1; row <= 8; ++row) {
        window->findChild<QLineEdit*>(QStringLiteral("t%1").arg(row))->setText("99");
        window->findChild<QRadioButton*>(QStringLiteral("r%1_1").arg(row))->setChecked(true);
    }
    // Permission columns first: the RING and SMS boxes stay checked only beside one.
    const auto boxes = ui.g_tel->findChildren<QCheckBox*>();
    for (bool notification : {false, true}) {
        for (QCheckBox* box : boxes) {
            const int column = box->property("group").toString().section('.', -1).toInt();
            if (!box->isHidden() && (column >= 7) == notification)
                box->setChecked(true);
        }
    }
    for (QRadioButton* radio : {ui.b1, ui.b2, ui.b3, ui.b4, ui.max_be_30})
        radio->setChecked(true);
    ui.abe1_lo->setText("11");
    ui.abe1_hi->setText("11");
    ui.abe2_hi->setText("11");
}

void TestReadup::readOut(DialogDriver& driver)
{
    window->form().tabWidget->setCurrentIndex(2);
    window->form().upload_gomb->click();
    QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));
    QCOMPARE(window->form().tabWidget->currentIndex(), 0);
    QVERIFY(window->findChildren<QProgressDialog*>().isEmpty());
}

void TestReadup::verifyBox(const DialogDriver& driver, const QString& text)
{
    QCOMPARE(driver.seen().size(), 1);
    QCOMPARE(driver.last().icon, QMessageBox::Critical);
    QCOMPARE(driver.last().title, "Hiba");
    QCOMPARE(driver.last().text, text);
    QCOMPARE(driver.last().buttonCount, 1);
    QVERIFY(!driver.last().hasDefaultButton);
}

QString TestReadup::text(const QString& edit) const
{
    return window->findChild<QLineEdit*>(edit)->text();
}

void TestReadup::moduleConfigurationFillsTheForm_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("baud");
    QTest::addColumn<bool>("lonePlus");
    QTest::addColumn<QString>("smsCentre");
    QTest::addColumn<QString>("outputModes");
    QTest::addColumn<QString>("analogRange");
    QTest::addColumn<int>("provider");
    QTest::addColumn<QStringList>("monostable");
    QTest::addColumn<QString>("range");

    QTest::newRow("CR LF lines, known provider")
        << int(SimModule::ReadOutFormat::CrLf) << 1200 << false << "36709996500"
        << "5"
        << "0" << 2 << QStringList{"b1", "b3"} << "max_be_15";
    // A user may type a lone "+" into the name, the custom SMS centre or a number; each is
    // a value of its own field and shifts nothing.
    QTest::newRow("\"|\" separators, lone \"+\" fields before, custom provider")
        << int(SimModule::ReadOutFormat::Pipe) << 9600 << true << "36201234567"
        << "abc"
        << "" << 3 << QStringList{} << "max_be_30";
}

void TestReadup::moduleConfigurationFillsTheForm()
{
    QFETCH(int, format);
    QFETCH(int, baud);
    QFETCH(bool, lonePlus);
    QFETCH(QString, smsCentre);
    QFETCH(QString, outputModes);
    QFETCH(QString, analogRange);
    QFETCH(int, provider);
    QFETCH(QStringList, monostable);
    QFETCH(QString, range);

    const QStringList fields = configuration(smsCentre, outputModes, analogRange);
    QVERIFY(module->setFields(fields));
    module->setReadOutFormat(SimModule::ReadOutFormat(format));
    window->settings().baud = baud;
    Ui::MainWindow& ui = window->form();
    makeStale();
    if (lonePlus) {
        ui.smskp_combo->setCurrentIndex(3);
        ui.smskp->setText("+");
        ui.m_nev->setText("+");
        ui.t3->setText("+");
    }

    DialogDriver driver;
    readOut(driver);
    QVERIFY(driver.seen().isEmpty());

    QCOMPARE(module->received(), QByteArray("~{"));
    QCOMPARE(module->requests().size(), 1);
    QCOMPARE(module->requests().first().line.toString(), QStringLiteral("%1 8N1").arg(baud));
    QVERIFY(module->waitForCloses(1, kEventWaitMs));

    for (const auto& [name, number] : textFields())
        QCOMPARE(name + "=" + text(name), name + "=" + fields.at(number - 1));
    // The module keeps no analog thresholds: the form shows the fixed ones.
    QCOMPARE(text("abe1_lo"), "00");
    QCOMPARE(text("abe1_lo_2"), "0");
    QCOMPARE(text("abe1_hi"), "29");
    QCOMPARE(text("abe1_hi_2"), "9");
    QCOMPARE(text("abe2_hi"), "99999");
    QCOMPARE(text("smsplus"), "+");

    const QStringList numbers{"36301234567", "36201112222",   "3611", "36705556666", "301234", "",
                              "1",           "36301234567890"};
    for (int row = 1; row <= 8; ++row) {
        QCOMPARE(text(QStringLiteral("t%1").arg(row)), numbers.at(row - 1));
        QCOMPARE(text(QStringLiteral("tplus_%1").arg(row)), "+");
    }

    // Boxes by their place in the grid, "row.column". Columns 5 and 6 end unchecked, and a
    // row without a permission column has its RING and SMS boxes cleared and locked.
    const QStringList checked{"1.1", "1.2", "1.3", "1.7", "1.8", "3.4", "5.1", "5.8", "8.2", "8.8"};
    const QList<int> activeRows{1, 3, 5, 8};
    for (QCheckBox* box : ui.g_tel->findChildren<QCheckBox*>()) {
        const QString place = box->property("group").toString();
        QVERIFY2(box->isChecked() == checked.contains(place), qPrintable(place));
        if (place.endsWith(".7") || place.endsWith(".8")) {
            QVERIFY2(box->isEnabled() == activeRows.contains(place.section('.', 0, 0).toInt()),
                     qPrintable(place));
        }
    }
    // Outputs 3 and 4 do not exist on this module: rows naming them show "none".
    const QStringList radios{"r1_1", "r2_2", "r3_0", "r4_0", "r5_0", "r6_0", "r7_0", "r8_2"};
    for (const QString& name : fields::telRadios())
        QCOMPARE(name + "=" + QString::number(window->findChild<QRadioButton*>(name)->isChecked()),
                 name + "=" + QString::number(radios.contains(name)));

    for (int n = 1; n <= 4; ++n) {
        const QString mono = QStringLiteral("b%1").arg(n);
        const bool isMono = monostable.contains(mono);
        QCOMPARE(window->findChild<QRadioButton*>(mono)->isChecked(), isMono);
        QCOMPARE(window->findChild<QRadioButton*>(QStringLiteral("k%1").arg(n))->isChecked(),
                 !isMono);
    }
    QVERIFY(window->findChild<QRadioButton*>(range)->isChecked());

    QCOMPARE(ui.smskp_combo->currentIndex(), provider);
    QCOMPARE(ui.smskp->isEnabled(), provider == 3);

    // Nothing about the window's state changes.
    QVERIFY(ui.download_gomb->isEnabled());
    QVERIFY(ui.upload_gomb->isEnabled());

    // Recorded: this module, a success, the configuration the form shows now.
    const std::optional<fixture::RecordedEvent> recorded = fixture::lastEvent();
    QVERIFY(recorded);
    QCOMPARE(recorded->event.operation, record::Operation::ReadOut);
    QCOMPARE(recorded->event.port, "COM3");
    QCOMPARE(recorded->event.moduleId, "0042");
    QCOMPARE(recorded->event.message, "Sikeres kiolvasás.");
    QVERIFY(recorded->event.succeeded());
    QCOMPARE(recorded->configuration, bindings::take(ui).lines());

    if (!lonePlus) {
        QVERIFY(QDir().mkpath("screenshots"));
        QVERIFY(window->grab().save("screenshots/readout.png"));
    }
}

void TestReadup::erasedModuleGivesAnEmptyForm()
{
    // A fresh module answers 56 fields of 0xFF: blanks, so 56 empty fields, and telephone
    // rows too short for their codes.
    makeStale();
    DialogDriver driver;
    readOut(driver);
    QVERIFY(driver.seen().isEmpty());

    Ui::MainWindow& ui = window->form();
    for (const auto& [name, number] : textFields()) {
        Q_UNUSED(number);
        QCOMPARE(name + "=" + text(name), name + "=");
    }
    for (int row = 1; row <= 8; ++row) {
        QCOMPARE(text(QStringLiteral("t%1").arg(row)), "");
        QVERIFY(window->findChild<QRadioButton*>(QStringLiteral("r%1_0").arg(row))->isChecked());
    }
    for (QCheckBox* box : ui.g_tel->findChildren<QCheckBox*>())
        QVERIFY2(!box->isChecked(), qPrintable(box->objectName()));
    for (QRadioButton* radio : {ui.k1, ui.k2, ui.k3, ui.k4})
        QVERIFY(radio->isChecked());
    QVERIFY(ui.max_be_30->isChecked());
    QCOMPARE(ui.smskp_combo->currentIndex(), 3);
    QVERIFY(ui.smskp->isEnabled());
}

void TestReadup::badRepliesLeaveTheFormUntouched_data()
{
    QTest::addColumn<bool>("silent");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("diagnostic");

    auto fields = [](int count) {
        QByteArray reply;
        for (int i = 1; i <= count; ++i)
            reply += "f" + QByteArray::number(i) + "|";
        return reply;
    };
    // Each of these waits out the module's 1200 ms of silence.
    QTest::newRow("silent module") << true << QByteArray() << "sep error";
    QTest::newRow("no separator") << false << QByteArray("V_VEXAGRID-3 FW2.14 ~{?") << "sep error";
    QTest::newRow("55 fields and an empty one")
        << false << QByteArray(fields(55) + "|") << "dberror: 55";
    QTest::newRow("57 fields") << false << fields(57) << "dberror: 57";
}

void TestReadup::badRepliesLeaveTheFormUntouched()
{
    QFETCH(bool, silent);
    QFETCH(QByteArray, reply);
    QFETCH(QString, diagnostic);

    if (silent)
        module->setFault(SimModule::Fault::Silent);
    else
        module->setRawReply(SimModule::Request::ReadOut, reply);
    makeStale();
    const QStringList before = snapshot();

    SerialLog diagnostics;
    DialogDriver driver;
    driver.expectMessage();
    readOut(driver);
    verifyBox(driver, unknownFormat);
    QCOMPARE(diagnostics.messages(), QStringList{diagnostic});
    QVERIFY(module->waitForReceived(2, kEventWaitMs));
    QCOMPARE(module->received(), QByteArray("~{"));
    QCOMPARE(snapshot(), before);

    const std::optional<fixture::RecordedEvent> recorded = fixture::lastEvent();
    QVERIFY(recorded);
    QCOMPARE(recorded->event.operation, record::Operation::ReadOut);
    QCOMPARE(recorded->event.outcome, messages::codeName(messages::Code::UnknownFormat));
    QVERIFY(recorded->configuration.isEmpty());
}

void TestReadup::portThatDoesNotOpen()
{
    window->settings().port = "COM7";
    makeStale();
    const QStringList before = snapshot();

    SerialLog diagnostics;
    DialogDriver driver;
    driver.expectMessage();
    readOut(driver);
    // The box keeps its text; why the port did not open follows on a line of its own.
    verifyBox(driver, QStringLiteral("Sikertelen kiolvasás.\nNem lehet megnyitni a portot.\n"
                                     "A COM7 nem nyitható meg: nincs ilyen port."));
    QVERIFY(diagnostics.messages().contains("unable to open comport"));
    QCOMPARE(snapshot(), before);
    QVERIFY(module->received().isEmpty());
}

void TestReadup::cancelLeavesTheFormUntouched()
{
    // Paced at 300 baud, the reply takes over half a minute; the user cancels early on.
    QVERIFY(module->setFields(configuration("36709996500", "5", "0")));
    module->setPaced(true);
    window->settings().baud = 300;
    // 56 fields of 16 characters and CR LF, 10 bits each.
    const qint64 replyMs = 56 * 18 * 10 * 1000 / 300;
    makeStale();
    const QStringList before = snapshot();

    struct
    {
        QString label, button;
        int maximum = 0, value = 0;
        bool visible = false;
        Qt::WindowModality modality = Qt::NonModal;
    } seen;
    QTimer::singleShot(400, window, [&] {
        auto* progress = window->findChild<QProgressDialog*>();
        if (!progress)
            return;
        seen.label = progress->labelText();
        seen.maximum = progress->maximum();
        seen.value = progress->value();
        seen.visible = progress->isVisible();
        seen.modality = progress->windowModality();
        if (QDir().mkpath("screenshots"))
            progress->grab().save("screenshots/readout-progress.png");
        if (auto* cancel = progress->findChild<QPushButton*>()) {
            seen.button = cancel->text();
            cancel->click();
        }
    });

    QElapsedTimer clock;
    clock.start();
    DialogDriver driver;
    readOut(driver);
    QVERIFY(driver.seen().isEmpty());
    // The read stopped at the cancel instead of running to the end of the reply.
    QVERIFY2(clock.elapsed() < replyMs / 2, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(module->waitForCloses(1, kEventWaitMs));

    QCOMPARE(seen.label, "Kiolvasás...");
    QCOMPARE(seen.button, "Megszakítás");
    QCOMPARE(seen.maximum, 896);
    QVERIFY(seen.value > 0);
    QVERIFY(seen.visible);
    QCOMPARE(seen.modality, Qt::WindowModal);
    QCOMPARE(snapshot(), before);
}

// Two read-outs of one module seen in "Előzmények": listed newest first, filtered, compared,
// the older one saved to a file and put back on the form.
void TestReadup::historyShowsComparesAndRestores()
{
    QTemporaryDir scratch;
    useRecord(scratch.filePath("record.sqlite"));
    // Start-up leaves the record alone: the first exchange opens it.
    QVERIFY(!QFile::exists(scratch.filePath("record.sqlite")));
    QStringList fields = configuration("36709996500", "5", "0");
    QStringList olderForm;
    for (const char* name : {"Kazanhaz 2", "Kazanhaz 3"}) {
        fields[3] = name;
        QVERIFY(module->setFields(fields));
        DialogDriver reads;
        readOut(reads);
        olderForm = olderForm.isEmpty() ? bindings::take(window->form()).lines() : olderForm;
    }

    QStringList seen; // the rows, then what the filter hid, then the differences
    const auto texts = [&seen](QTreeWidget* tree, int a, int b) {
        for (int i = 0; i < tree->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* row = tree->topLevelItem(i);
            seen << row->text(a) + " | " + row->text(b) + (row->isHidden() ? " hidden" : "");
        }
    };
    const QString saved = scratch.filePath("older.vgf");
    QVERIFY(QDir().mkpath("screenshots"));
    DialogDriver driver;
    driver.expectDialog("HistoryDialog", [&](QDialog* dialog) {
        auto* list = dialog->findChild<QTreeWidget*>("events");
        texts(list, 1, 3);
        dialog->findChild<QLineEdit*>("filter")->setText("azonos");
        texts(list, 1, 3);
        dialog->findChild<QLineEdit*>("filter")->clear();
        list->selectAll();
        texts(dialog->findChild<QTreeWidget*>("details"), 1, 2);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        dialog->grab().save("screenshots/history-diff.png");
        list->topLevelItem(0)->setSelected(false);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        dialog->grab().save("screenshots/history.png");
        QTimer::singleShot(0, dialog, [dialog] {
            dialog->findChild<QPushButton*>("saveToFile")->click();
            dialog->findChild<QPushButton*>("openOnForm")->click();
        });
    });
    driver.expectFile(saved);
    driver.expectMessage();
    window->form().actionHistory->trigger();
    QVERIFY2(driver.waitDone(), qPrintable(driver.problems()));

    const QString row = "Kiolvasás | 0042 Kazanhaz 3";
    QCOMPARE(seen,
             QStringList({row, row, row + " hidden", row + " hidden", "Kazanhaz 2 | Kazanhaz 3"}));
    QCOMPARE(driver.seen().at(2).text, "Sikeres mentés.");
    QCOMPARE(*configfile::readFile(saved), olderForm);
    QCOMPARE(text("m_nev"), "Kazanhaz 2");
    QVERIFY(window->settings().fileTitle.startsWith(QStringLiteral("előzmény ")));
    // The form holds what Open makes of the same configuration saved as a file.
    const QStringList restored = bindings::take(window->form()).lines();
    driver.expectFile(saved);
    window->openfile();
    QVERIFY2(driver.done(), qPrintable(driver.problems()));
    QCOMPARE(restored, bindings::take(window->form()).lines());
}

// A record that cannot be written leaves every read-out going; the window says so once.
void TestReadup::unwritableRecordWarnsOncePerSession()
{
    QTemporaryDir scratch;
    QFile plain(scratch.filePath("plain"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    useRecord(plain.fileName() + "/record.sqlite");
    QVERIFY(module->setFields(configuration("36709996500", "5", "0")));

    DialogDriver driver;
    driver.expectMessage();
    readOut(driver);
    QCOMPARE(driver.seen().size(), 1);
    QCOMPARE(driver.last().icon, QMessageBox::Warning);
    QCOMPARE(driver.last().title, "Előzmények");
    QVERIFY2(driver.last().text.startsWith("A modullal folytatott kapcsolat nem kerül az "
                                           "előzmények közé; a munka ettől folytatódik."),
             qPrintable(driver.last().text));
    QCOMPARE(text("m_nev"), "Kazanhaz 2");

    window->form().m_nev->clear();
    DialogDriver again;
    readOut(again);
    QVERIFY(again.seen().isEmpty());
    QCOMPARE(text("m_nev"), "Kazanhaz 2");
}

VEXAGRID_TEST_MAIN(TestReadup)
#include "tst_readup.moc"
