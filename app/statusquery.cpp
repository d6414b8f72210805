#include "app/statusquery.h"

#include "core/programsettings.h"
#include "core/statuscodec.h"
#include "device/serialport.h"
#include "form/formcontext.h"
#include "form/messagebox.h"
#include "ui_mainwindow.h"

#include <QProgressDialog>

#include <optional>

namespace statusquery {

namespace {

// The module answers the status request at this rate only.
constexpr qint32 kBaudRate = 1200;
// Each reply byte is waited for at most this long.
constexpr int kReadWaitMs = 4500;
constexpr int kProgressRange = 50;

void showBusy(Ui::MainWindow& ui)
{
    ui.allapot_gomb->setStyleSheet(
        QStringLiteral("color: rgb(255, 255, 255); background-color: rgb(180, 180, 180);"));
    ui.allapot_gomb->setText(QStringLiteral("Várjon!..."));
    ui.allapot_gomb->setEnabled(false);
    ui.terero->setStyleSheet(QString());
    ui.terero->reset();
}

void showReady(Ui::MainWindow& ui)
{
    ui.allapot_gomb->setStyleSheet(
        QStringLiteral("color: rgb(255, 255, 255); background-color: rgb(0, 170, 127);"));
    ui.allapot_gomb->setText(QStringLiteral("Állapot lekérdezése"));
    ui.allapot_gomb->setEnabled(true);
}

void advance(QProgressDialog& progress)
{
    // A fresh or reset dialog stands below its minimum.
    progress.setValue(qMax(progress.value(), progress.minimum()) + 1);
}

// Sends the request and reads the reply line without its CR; nullopt when the port does
// not open. The dialog advances with every byte, and that is also when it lets the
// window repaint.
std::optional<QString> query(const QString& port, QProgressDialog& progress)
{
    SerialPort line(port, kBaudRate);
    if (!line.open(0, kReadWaitMs, 0, 0))
        return std::nullopt;
    line.writeByte('~', false);
    line.writeByte('[', false);
    advance(progress);

    // Nobody can cancel this read, so a line that never ends is cut off and judged as it is.
    QString reply;
    char byte = 0;
    while (reply.size() < SerialPort::ReplyLimit && line.readByte(&byte)) {
        if (byte == '\r') {
            progress.reset();
            break;
        }
        reply.append(QChar(uchar(byte)));
        advance(progress);
    }
    line.close();
    return reply;
}

// The module's texts are shown as they came, never read as markup.
void setPlainText(QLabel* label, const QString& text)
{
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
}

void showView(Ui::MainWindow& ui, const status::View& view)
{
    QWidget* const outputs[] = {ui.w_ki1, ui.w_ki2, ui.w_ki3, ui.w_ki4};
    QWidget* const inputs[] = {ui.w_be1, ui.w_be2, ui.w_be3, ui.w_be4};
    for (std::size_t i = 0; i < view.out.size(); ++i) {
        outputs[i]->setStyleSheet(status::lampStyleSheet(view.out[i]));
        inputs[i]->setStyleSheet(status::lampStyleSheet(view.phase[i]));
    }
    setPlainText(ui.l_analog, view.analog);
    setPlainText(ui.l_counter, view.counter);
    ui.w_tp->setStyleSheet(status::lampStyleSheet(view.supply));

    ui.terero->setRange(0, status::kSignalMaximum);
    ui.terero->reset();
    ui.terero->setValue(view.signal);
    ui.terero->setStyleSheet(status::signalChunkStyleSheet(view.signalLow));

    setPlainText(ui.l_ver, view.version);
}

// Closes the dialog for good; reset() also stops its timer, so it cannot pop up again
// behind a message box.
void dismiss(QProgressDialog& progress)
{
    progress.reset();
    progress.hide();
}

} // namespace

void run(FormContext& context)
{
    Ui::MainWindow& ui = context.ui;
    showBusy(ui);

    // No cancel button: the query ends by itself after at most 4.5 s of silence.
    QProgressDialog progress(QStringLiteral("Állapot lekérdezése..."), QString(), 0, kProgressRange,
                             context.window);
    progress.setWindowModality(Qt::WindowModal);
    // A reply longer than the range leaves the bar full instead of closing and reopening
    // the dialog half-way through the line.
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    progress.setMinimumDuration(0);
    progress.show();

    const std::optional<QString> reply = query(context.settings.port, progress);
    const std::optional<status::View> view =
        reply ? status::decode(*reply, context.settings.deviceKind) : std::nullopt;
    if (!view) {
        // The panel keeps the last good query's values; only the signal bar stays empty.
        showReady(ui);
        dismiss(progress);
        messagebox::critical(context.window, QStringLiteral("Hiba"),
                             QStringLiteral("Sikertelen lekérdezés.\nEllenõrizze az eszközt!"));
        return;
    }

    showView(ui, *view);
    showReady(ui);
    dismiss(progress);
}

} // namespace statusquery
