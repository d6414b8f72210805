#pragma once

#include <QString>

// The maker's name and web site, wherever the program shows them.
namespace maker {

inline const QString webSite = QStringLiteral("www.vexagrid.hu");

// The status bar's copyright line: the words, then a link to the web site.
inline QString copyrightLink()
{
    return QStringLiteral("© 2016 VexaGrid Kft. – minden jog fenntartva. "
                          "<a href=\"http://www.vexagrid.hu\">www.vexagrid.hu</a>");
}

} // namespace maker
