#include "app/readup.h"

#include "core/fieldrules.h"
#include "core/formorder.h"
#include "core/programsettings.h"
#include "core/readoutcodec.h"
#include "device/serialport.h"
#include "form/checks.h"
#include "form/formcontext.h"
#include "form/messagebox.h"
#include "form/progress.h"
#include "ui_mainwindow.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QProgressDialog>
#include <QRadioButton>

#include <array>

namespace readup {

namespace {

// 56 fields of 16 characters; line ends do not count. A longer reply leaves the bar
// standing full while it goes on.
constexpr int kProgressRange = readout::kFieldCount * 16;

// Read waits of the read-out: every reply byte is waited for at most 1000 + 200 ms.
constexpr int kReadMultiplier = 1000;
constexpr int kReadConstant = 200;

constexpr int kTelRows = 8;

QString failureTitle()
{
    return QStringLiteral("Hiba");
}

QString unknownFormat()
{
    return QStringLiteral("Sikertelen kiolvasás. (Ismeretlen formátum)");
}

// Field `number`, counted from 1 as the module counts them.
const QString& field(const QStringList& fields, int number)
{
    return fields.at(number - 1);
}

void setText(Ui::MainWindow& ui, const QString& name, const QString& text)
{
    if (auto* edit = ui.centralWidget->findChild<QLineEdit*>(name))
        edit->setText(text);
}

// The radio button that shows a row's output. A row may name only an output whose button
// the module's layout leaves usable; for any other (outputs 3 and 4, which this module
// does not have, or a code no button stands for) the row shows "none", just as the
// layout itself moves such a row to "none".
QRadioButton* outputRadio(Ui::MainWindow& ui, int row, int output)
{
    auto* radio = ui.g_tel->findChild<QRadioButton*>(QStringLiteral("r%1_%2").arg(row).arg(output));
    if (!radio || !radio->isEnabledTo(ui.g_tel))
        radio = ui.g_tel->findChild<QRadioButton*>(QStringLiteral("r%1_0").arg(row));
    return radio;
}

// Fills the form from the 56 fields. The order matters: each change of a telephone box
// runs the RING/SMS rule and the provider choice runs its slot, so the form ends as it
// would had a user made the same changes one by one.
void fillForm(Ui::MainWindow& ui, const QStringList& fields)
{
    // Taken by name: a lone "+" that a user typed into one of these is a value, not the
    // read-only "+" before the SMS centre, and must not shift the fields after it.
    QLineEdit* const general[] = {ui.smskp,       ui.m_pin,     ui.m_id,  ui.m_nev,
                                  ui.visszaallas, ui.rele_time, ui.maxsms};
    for (int i = 0; i < int(std::size(general)); ++i) {
        general[i]->clear();
        general[i]->setText(field(fields, i + 1));
    }

    // Every output bistable unless its bit of the mask makes it monostable.
    QRadioButton* const bistable[] = {ui.k1, ui.k2, ui.k3, ui.k4};
    QRadioButton* const monostable[] = {ui.b1, ui.b2, ui.b3, ui.b4};
    for (QRadioButton* radio : bistable)
        radio->setChecked(true);
    const int mask = readout::outputModeMask(field(fields, readout::kOutputModeField));
    for (int n = 0; n < 4; ++n) {
        if (mask & (1 << n))
            monostable[n]->setChecked(true);
    }

    // The module keeps no analog thresholds; the form shows the fixed ones it works with.
    ui.abe1_lo_2->setText(QStringLiteral("0"));
    ui.abe1_lo->setText(QStringLiteral("00"));
    ui.abe1_hi_2->setText(QStringLiteral("9"));
    ui.abe1_hi->setText(QStringLiteral("29"));
    if (readout::analogRange15(field(fields, readout::kAnalogRangeField)))
        ui.max_be_15->setChecked(true);
    else
        ui.max_be_30->setChecked(true);

    ui.abe2_hi->setText(QStringLiteral("99999"));
    ui.abe1_lo_msg->setText(field(fields, 17));
    ui.abe1_hi_msg->setText(field(fields, 18));
    ui.abe1_vissza->setText(field(fields, 19));
    ui.abe2_hi_msg->setText(field(fields, 20));
    ui.be_a1_nev->setText(field(fields, 23));
    ui.be_a2_nev->setText(field(fields, 24));

    const QStringList texts = formorder::inputEdits() + formorder::outputEdits();
    for (int i = 0; i < int(texts.size()); ++i)
        setText(ui, texts.at(i), field(fields, 25 + i));

    ui.abe2_clr->setText(field(fields, 45));
    ui.act_be->setText(field(fields, 46));
    ui.act_ki->setText(field(fields, 47));

    std::array<readout::TelRow, kTelRows> rows;
    for (int y = 1; y <= kTelRows; ++y) {
        rows[y - 1] = readout::decodeTelRow(field(fields, readout::kFirstTelField + y - 1));
        setText(ui, QStringLiteral("t%1").arg(y), rows[y - 1].number);
    }

    // Columns 5 and 6 are not this module's: whatever the module holds there, they end
    // unchecked.
    for (int y = 1; y <= kTelRows; ++y) {
        for (const QString& name : formorder::telBoxes()) {
            auto* box = ui.g_tel->findChild<QCheckBox*>(name);
            int row = 0;
            int column = 0;
            if (!box || !checks::gridPosition(box, &row, &column) || row != y)
                continue;
            box->setChecked(rows[y - 1].columnChecked(column));
            if (column == 5 || column == 6)
                box->setChecked(false);
        }
    }

    for (int y = 1; y <= kTelRows; ++y) {
        if (QRadioButton* radio = outputRadio(ui, y, rows[y - 1].output))
            radio->setChecked(true);
    }

    ui.smskp_combo->setCurrentIndex(fieldrules::providerIndexForNumber(ui.smskp->text()));
}

// Closes the dialog for good. reset() also stops the dialog's own timer, which would
// otherwise still pop up a dialog that never saw a byte while a message box is open.
void dismiss(QProgressDialog& progress)
{
    progress.reset();
    progress.hide();
}

} // namespace

void run(FormContext& context)
{
    Ui::MainWindow& ui = context.ui;
    const ProgramSettings& settings = context.settings;
    ui.tabWidget->setCurrentIndex(0);

    QProgressDialog progress(QStringLiteral("Kiolvasás..."), QStringLiteral("Megszakítás"), 0,
                             kProgressRange, context.window);
    progress.setWindowModality(Qt::WindowModal);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    // The reply takes some 8 s at 1200 baud and can be cancelled only while the dialog is
    // up, so it comes with the first byte instead of after the usual 4 s.
    progress.setMinimumDuration(0);

    SerialPort line(settings.port, settings.baud);
    if (!line.open(kReadMultiplier, kReadConstant, 0, 0)) {
        dismiss(progress);
        messagebox::critical(
            context.window, failureTitle(),
            QStringLiteral("Sikertelen kiolvasás.\nNem lehet megnyitni a portot."));
        return;
    }
    line.writeText(QStringLiteral("~{"), false);
    const QString raw = line.readAll(progress::byteCounter(progress), SerialPort::ReadOutLimit);
    if (progress.wasCanceled()) {
        line.close();
        dismiss(progress);
        return;
    }
    const QString reply = readout::normalise(raw);
    line.close();

    const readout::SplitResult split = readout::split(reply, QLatin1Char(settings.uploadSeparator));
    if (split.error != readout::SplitResult::Ok) {
        dismiss(progress);
        if (split.error == readout::SplitResult::NoSeparator)
            qCDebug(lcSerial, "sep error");
        else
            qCDebug(lcSerial, "dberror: %d", split.count);
        messagebox::critical(context.window, failureTitle(), unknownFormat());
        return;
    }

    fillForm(ui, split.fields);
    dismiss(progress);
}

} // namespace readup
