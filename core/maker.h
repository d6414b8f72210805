#pragma once

#include <QString>

// The maker's name and web site, wherever the program shows them.
namespace maker {

inline const QString kWebSite = QStringLiteral("www.vexagrid.hu");

// The status bar's copyright line: the words, then a link to the web site. Written
// with entities, so that the same line reads the same from the defaults file in any
// 8-bit code page.
inline QString copyrightLink()
{
    return QStringLiteral("&copy; 2016 VexaGrid Kft. &ndash; minden jog fenntartva. "
                          "<a href=\"http://www.vexagrid.hu\">www.vexagrid.hu</a>");
}

} // namespace maker
