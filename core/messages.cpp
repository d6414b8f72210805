#include "core/messages.h"

#include "core/configcodec.h"
#include "core/maker.h"

namespace messages {

QString fileTooShort(const QString& path)
{
    return QStringLiteral("A kiválasztott file \"%1\" nem nyitható meg a jelenlegi verzióval.\n"
                          "Kérem töltse le a legújabb verziót a '%2' oldalról,\n"
                          "majd töltse be a 'defval_vg.dll' fájlt!")
        .arg(configfile::fileTitle(path), maker::kWebSite);
}

} // namespace messages
