#include "app/readup.h"

#include "app/windowrecord.h"

#include "core/configuration.h"
#include "core/fields.h"
#include "core/programsettings.h"
#include "device/conversations.h"
#include "device/outcomes.h"
#include "form/bindings.h"
#include "form/formcontext.h"
#include "form/messagebox.h"
#include "form/progress.h"
#include "record/exchange.h"
#include "ui_mainwindow.h"

#include <QProgressDialog>

namespace readup {

namespace {

// 56 fields of 16 characters; line ends do not count. A longer reply leaves the bar
// standing full while it goes on.
constexpr int kProgressRange = fields::kSlots * fields::kSlotWidth;

} // namespace

void apply(FormContext& context, const QStringList& fields)
{
    // The form's own reactions (the RING/SMS rule, the provider's SMS centre) run as the
    // values go in, as they would had a user made the same changes one by one.
    Configuration config = bindings::take(context.ui);
    config.fillFromReadOut(fields);
    bindings::put(config, context.ui);
}

void run(FormContext& context, WindowRecord& history)
{
    Ui::MainWindow& ui = context.ui;
    const ProgramSettings& settings = context.settings;
    ui.tabWidget->setCurrentIndex(0);

    QProgressDialog dialog(QStringLiteral("Kiolvasás..."), QStringLiteral("Megszakítás"), 0,
                           kProgressRange, context.window);
    progress::prepare(dialog);

    record::Event event = WindowRecord::event(record::Operation::ReadOut, settings.port);
    event.identification = settings.deviceId;
    const conversation::Result reply =
        conversation::readOut(settings.port, settings.baud, progress::byteCounter(dialog));
    progress::dismiss(dialog);
    record::takeResult(event, reply, QStringLiteral("Sikeres kiolvasás."));
    if (reply.ok()) {
        apply(context, reply.fields);
        // What the form holds now: the module's fields on the form as they were read into it.
        const Configuration read = bindings::take(ui);
        event.configuration = read.lines();
        event.moduleId = read.text(QStringLiteral("m_id"));
        history.setModuleId(event.moduleId);
        history.keep(event);
        return;
    }
    history.keep(event);
    // A cancel shows nothing; every failure its box.
    const outcomes::Words words = outcomes::of(reply);
    if (!words.title.isEmpty())
        messagebox::critical(context.window, words.title, words.window);
}

} // namespace readup
