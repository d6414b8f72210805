#include "core/programsettings.h"

QString programVersion()
{
    return QStringLiteral(VEXAGRID_VERSION);
}
