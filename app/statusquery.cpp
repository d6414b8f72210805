#include "app/statusquery.h"

#include "core/programsettings.h"
#include "core/statuscodec.h"
#include "device/conversations.h"
#include "device/outcomes.h"
#include "form/formcontext.h"
#include "form/messagebox.h"
#include "form/progress.h"
#include "form/styles.h"
#include "ui_mainwindow.h"

#include <QProgressDialog>

namespace statusquery {

namespace {

constexpr int kProgressRange = 50;

void showBusy(Ui::MainWindow& ui)
{
    ui.allapot_gomb->setStyleSheet(styles::kStatusButtonBusy);
    ui.allapot_gomb->setText(QStringLiteral("Várjon!..."));
    ui.allapot_gomb->setEnabled(false);
    ui.terero->setStyleSheet(QString());
    ui.terero->reset();
}

void showReady(Ui::MainWindow& ui)
{
    ui.allapot_gomb->setStyleSheet(styles::kStatusButtonReady);
    ui.allapot_gomb->setText(QStringLiteral("Állapot lekérdezése"));
    ui.allapot_gomb->setEnabled(true);
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
        outputs[i]->setStyleSheet(styles::lamp(view.out[i]));
        inputs[i]->setStyleSheet(styles::lamp(view.phase[i]));
    }
    setPlainText(ui.l_analog, view.analog);
    setPlainText(ui.l_counter, view.counter);
    ui.w_tp->setStyleSheet(styles::lamp(view.supply));

    ui.terero->setRange(0, status::kSignalMaximum);
    ui.terero->reset();
    ui.terero->setValue(view.signal);
    ui.terero->setStyleSheet(styles::signalChunk(view.signalLow));

    setPlainText(ui.l_ver, view.version);
}

} // namespace

void run(FormContext& context)
{
    Ui::MainWindow& ui = context.ui;
    showBusy(ui);

    // No cancel button: the query ends by itself after at most 4.5 s of silence.
    QProgressDialog progress(QStringLiteral("Állapot lekérdezése..."), QString(), 0, kProgressRange,
                             context.window);
    // A reply longer than the range leaves the bar full instead of closing and reopening
    // the dialog half-way through the line.
    progress::prepare(progress);
    progress.show();

    // The dialog advances with every byte, and that is also when it lets the window repaint.
    conversation::StatusProgress steps;
    steps.requestSent = [&progress] { progress::advance(progress); };
    steps.byte = [&progress](char byte) {
        if (byte == '\r')
            progress.reset();
        else
            progress::advance(progress);
    };
    const conversation::Result reply = conversation::queryStatus(context.settings.port, steps);
    const Expected<status::View> view =
        reply.ok() ? status::decode(reply.reply, DeviceKind(context.settings.deviceKind))
                   : Expected<status::View>(reply.failure());
    if (!view) {
        // The panel keeps the last good query's values; only the signal bar stays empty.
        showReady(ui);
        progress::dismiss(progress);
        const outcomes::Words words = outcomes::of(reply);
        messagebox::critical(context.window, words.title, words.window);
        return;
    }

    showView(ui, *view);
    showReady(ui);
    progress::dismiss(progress);
}

} // namespace statusquery
