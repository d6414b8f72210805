#include "core/programsettings.h"

QString programVersion()
{
    return QStringLiteral(VEXAGRID_VERSION);
}

const QList<qint32>& baudRates()
{
    static const QList<qint32> rates{150,  200,   300,   600,   1200,  1800,  2400,  4800,
                                     9600, 19200, 28800, 38400, 57600, 76800, 115200};
    return rates;
}
