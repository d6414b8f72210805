#include "app/portselection.h"

#include "app/configfiles.h"
#include "app/setcom.h"
#include "core/programsettings.h"
#include "device/conversations.h"
#include "device/outcomes.h"
#include "form/formcontext.h"
#include "form/interfacestate.h"
#include "form/messagebox.h"

#include <QLabel>

namespace portselection {

namespace {

// The longest wait for one reply byte while the dialog searches the ports, in ms.
constexpr int kSearchTimeoutMs = 300;

} // namespace

void run(FormContext& context, bool searchAtOnce)
{
    ProgramSettings& settings = context.settings;
    setcom dialog(settings.port, settings.baud, kSearchTimeoutMs, searchAtOnce, context.window);
    if (dialog.exec() != QDialog::Accepted)
        return;

    settings.port = dialog.port();
    settings.baud = dialog.baud();
    // Three blanks before "Baud" here, two at start-up (mainwindow.cpp): both are the
    // window's own texts.
    context.portLabel->setText(
        QStringLiteral("%1   Baud: %2").arg(settings.port).arg(settings.baud));

    // A port that does not even open gets the answer of a silent one, and why it did not
    // open on a line of its own, instead of no answer at all.
    const conversation::Result identification =
        conversation::identify(settings.port, settings.baud);
    const QString reply = identification.shown();
    if (!identification.ok()) {
        settings.deviceKind = std::int32_t(DeviceKind::Unknown);
        const outcomes::Words words = outcomes::of(identification);
        messagebox::warning(context.window, words.title, words.window);
        return;
    }

    settings.deviceKind = std::int32_t(DeviceKind::VexaGrid3);
    interfacestate::unlock(context.ui);
    interfacestate::applyVexaGridLayout(context.ui);
    settings.deviceId = reply;
    configfiles::newFile(context);
    messagebox::information(context.window, QStringLiteral("Eszköz"),
                            QStringLiteral("A port sikeresen kiválasztva: ") + settings.port +
                                QStringLiteral("\nA csatlakoztatott eszköz: ") + reply);
}

} // namespace portselection
