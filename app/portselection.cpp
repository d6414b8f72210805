#include "app/portselection.h"

#include "app/configfiles.h"
#include "app/setcom.h"
#include "core/programsettings.h"
#include "device/serialport.h"
#include "form/formcontext.h"
#include "form/interfacestate.h"
#include "form/messagebox.h"

#include <QLabel>

namespace portselection {

namespace {

// The longest wait for one reply byte while the dialog searches the ports, in ms.
constexpr int searchTimeoutMs = 300;

// Asks the module on `port` who it is. The reply in upper case without its CRs (line
// feeds stay), or "" when the port does not open or nothing answers.
QString identify(const QString& port, qint32 baud)
{
    SerialPort line(port, baud);
    if (!line.open(500, 0, 0, 0))
        return QString();
    line.writeText(QStringLiteral("~|"), false);
    // Nobody can cancel this read, so a port that never goes silent is cut off.
    QString reply = line.readAll(nullptr, SerialPort::ReplyLimit).toUpper();
    reply.remove(QLatin1Char('\r'));
    line.close();
    return reply;
}

} // namespace

void run(FormContext& context, bool searchAtOnce)
{
    ProgramSettings& settings = context.settings;
    setcom dialog(settings.port, settings.baud, searchTimeoutMs, searchAtOnce, context.window);
    if (dialog.exec() != QDialog::Accepted)
        return;

    settings.port = dialog.port();
    settings.baud = dialog.baud();
    context.portLabel->setText(
        QStringLiteral("%1   Baud: %2").arg(settings.port).arg(settings.baud));

    // A port that does not even open has no module on it either: the user gets the
    // same answer as for a silent one instead of none at all.
    const QString reply = identify(settings.port, settings.baud);
    if (!reply.startsWith(QLatin1String("V_"))) {
        settings.deviceKind = 0;
        messagebox::warning(
            context.window, QStringLiteral("Eszköz"),
            QStringLiteral("A kiválasztott porton nem található csatlakoztatott eszköz."));
        return;
    }

    settings.deviceKind = 4;
    interfacestate::unlock(context.ui);
    interfacestate::applyVexaGridLayout(context.ui);
    settings.deviceId = reply;
    configfiles::newFile(context);
    messagebox::information(context.window, QStringLiteral("Eszköz"),
                            QStringLiteral("A port sikeresen kiválasztva: ") + settings.port +
                                QStringLiteral("\nA csatlakoztatott eszköz: ") + reply);
}

} // namespace portselection
