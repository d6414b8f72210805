#pragma once

#include <QColor>
#include <QFont>
#include <QString>

// One set of colours for every drawing, so the icons, the module picture and the
// manual look like they belong to the same program. The accents follow the device
// buttons of the main window (blue connect, red write, orange read, teal status).
namespace palette {

inline const QColor ink{0x26, 0x32, 0x38};        // outlines, dark text
inline const QColor slate{0x45, 0x5a, 0x64};      // module front, bars
inline const QColor steel{0x9a, 0xa3, 0xab};      // enclosure outline
inline const QColor shell{0xe8, 0xea, 0xed};      // enclosure body
inline const QColor shellLight{0xf6, 0xf7, 0xf8}; // raised front
inline const QColor shellDark{0xd3, 0xd7, 0xdc};  // terminal bands, shadows
inline const QColor brand{0x0b, 0x3d, 0x91};      // label plate, headings
inline const QColor brandLight{0x2f, 0x6d, 0xc4};
inline const QColor read{0xef, 0x7d, 0x00};  // "Kiolvasás" orange
inline const QColor write{0xc6, 0x28, 0x28}; // "Betöltés" red
inline const QColor ok{0x2e, 0x9e, 0x4f};    // green
inline const QColor teal{0x00, 0xaa, 0x7f};
inline const QColor gold{0xd4, 0xa5, 0x2b};
inline const QColor goldLight{0xf3, 0xda, 0x86};
inline const QColor goldDark{0x9c, 0x73, 0x12};

// The drawings use DejaVu Sans where it is installed (Debian's default face); the
// style hint lets other systems fall back to their own sans-serif face.
inline QFont sans(qreal pixelSize, int weight = QFont::Normal)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(qMax(1, qRound(pixelSize)));
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

inline QFont sansF(qreal pointSize, int weight = QFont::Normal)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setWeight(static_cast<QFont::Weight>(weight));
    return font;
}

} // namespace palette
