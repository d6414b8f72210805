#include "modulepicture.h"

#include "palette.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

namespace modulepicture {
namespace {

// The enclosure, in the picture's own 251 × 256 units.
constexpr qreal bodyLeft = 50;
constexpr qreal bodyRight = 201;
constexpr qreal bodyTop = 36;
constexpr qreal bodyBottom = 234;
constexpr qreal terminalPitch = (bodyRight - bodyLeft) / 4;

qreal terminalX(int i)
{
    return bodyLeft + terminalPitch * (i + 0.5);
}

void drawRail(QPainter& p)
{
    // A top-hat rail running behind the module, with its mounting slots.
    const QRectF rail(0, 113, size.width(), 34);
    QLinearGradient face(0, rail.top(), 0, rail.bottom());
    face.setColorAt(0.0, QColor(0x8f, 0x98, 0xa0));
    face.setColorAt(0.16, QColor(0xcf, 0xd5, 0xda));
    face.setColorAt(0.2, QColor(0xb8, 0xbf, 0xc6));
    face.setColorAt(0.8, QColor(0xc4, 0xca, 0xd0));
    face.setColorAt(0.84, QColor(0xe0, 0xe4, 0xe8));
    face.setColorAt(1.0, QColor(0x86, 0x8f, 0x97));
    p.setPen(QPen(QColor(0x78, 0x81, 0x89), 1));
    p.setBrush(face);
    p.drawRect(rail.adjusted(-1, 0, 1, 0));

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x5b, 0x64, 0x6c));
    for (qreal x : {9.0, 220.0})
        p.drawRoundedRect(QRectF(x, 125, 22, 10), 5, 5);
}

void drawScrew(QPainter& p, const QPointF& centre, qreal angle)
{
    // The recess of the terminal, then the screw head in it.
    p.setPen(QPen(QColor(0xa7, 0xae, 0xb5), 1));
    p.setBrush(QColor(0xc9, 0xce, 0xd3));
    p.drawRoundedRect(QRectF(centre.x() - 14, centre.y() - 13, 28, 26), 4, 4);

    QRadialGradient metal(centre + QPointF(-3, -3), 12);
    metal.setColorAt(0.0, QColor(0xfb, 0xfc, 0xfc));
    metal.setColorAt(0.7, QColor(0xb9, 0xc0, 0xc6));
    metal.setColorAt(1.0, QColor(0x8e, 0x97, 0x9f));
    p.setPen(QPen(QColor(0x7b, 0x84, 0x8c), 1));
    p.setBrush(metal);
    p.drawEllipse(centre, 9, 9);

    p.save();
    p.translate(centre);
    p.rotate(angle);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x4a, 0x52, 0x59));
    p.drawRoundedRect(QRectF(-7, -1.4, 14, 2.8), 1, 1);
    p.drawRoundedRect(QRectF(-1.4, -7, 2.8, 14), 1, 1);
    p.restore();
}

void drawLabel(QPainter& p, const QRectF& box, const QString& text, const QFont& font,
               const QColor& color)
{
    p.setFont(font);
    p.setPen(color);
    p.drawText(box, Qt::AlignCenter, text);
}

void drawAntennaConnector(QPainter& p)
{
    // An SMA socket on the top face: the hexagon nut, the threaded barrel and its
    // centre hole, seen from the front.
    const qreal cx = 168;
    QLinearGradient goldFace(cx - 11, 0, cx + 11, 0);
    goldFace.setColorAt(0.0, palette::goldDark);
    goldFace.setColorAt(0.35, palette::goldLight);
    goldFace.setColorAt(0.55, palette::gold);
    goldFace.setColorAt(1.0, palette::goldDark);

    p.setPen(QPen(palette::goldDark.darker(120), 1));
    p.setBrush(goldFace);
    p.drawRect(QRectF(cx - 7, 8, 14, 18));
    p.setPen(QPen(palette::goldDark, 1));
    for (qreal y = 10.5; y < 25; y += 2.5)
        p.drawLine(QPointF(cx - 6.5, y), QPointF(cx + 6.5, y - 1));
    p.setPen(QPen(palette::goldDark.darker(120), 1));
    p.setBrush(goldFace);
    p.drawEllipse(QPointF(cx, 8), 7, 2.2);
    p.setBrush(QColor(0x3a, 0x2c, 0x08));
    p.drawEllipse(QPointF(cx, 8), 2.6, 0.9);

    // The nut: three of its faces are visible.
    p.setPen(QPen(palette::goldDark.darker(120), 1));
    p.setBrush(goldFace);
    p.drawRect(QRectF(cx - 11, 25, 22, 11));
    p.setPen(QPen(palette::goldDark, 0.8));
    p.drawLine(QPointF(cx - 5.5, 25.5), QPointF(cx - 5.5, 35.5));
    p.drawLine(QPointF(cx + 5.5, 25.5), QPointF(cx + 5.5, 35.5));
    drawLabel(p, QRectF(cx + 12, 22, 30, 12), QStringLiteral("ANT"), palette::sans(8, QFont::Bold),
              QColor(0x60, 0x6a, 0x72));
}

void drawLed(QPainter& p, const QPointF& centre, const QColor& color, bool lit)
{
    if (lit) {
        QRadialGradient glow(centre, 11);
        QColor halo = color;
        halo.setAlpha(110);
        glow.setColorAt(0.0, halo);
        halo.setAlpha(0);
        glow.setColorAt(1.0, halo);
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(centre, 11, 11);
    }
    p.setPen(QPen(QColor(0x55, 0x5e, 0x66), 1));
    p.setBrush(QColor(0x3b, 0x43, 0x4a));
    p.drawEllipse(centre, 6.2, 6.2);

    const QColor body = lit ? color : color.darker(260);
    QRadialGradient lens(centre + QPointF(-1.5, -1.8), 5.5);
    lens.setColorAt(0.0, lit ? body.lighter(170) : body.lighter(140));
    lens.setColorAt(0.6, body);
    lens.setColorAt(1.0, body.darker(140));
    p.setPen(Qt::NoPen);
    p.setBrush(lens);
    p.drawEllipse(centre, 4.8, 4.8);
    p.setBrush(QColor(255, 255, 255, lit ? 200 : 90));
    p.drawEllipse(centre + QPointF(-1.6, -1.8), 1.4, 1.1);
}

void drawBody(QPainter& p)
{
    const QRectF body(bodyLeft, bodyTop, bodyRight - bodyLeft, bodyBottom - bodyTop);

    // A soft shadow on the rail, then the enclosure.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 40));
    p.drawRoundedRect(body.translated(3, 3), 6, 6);

    QLinearGradient shell(body.left(), 0, body.right(), 0);
    shell.setColorAt(0.0, palette::shellDark);
    shell.setColorAt(0.06, palette::shell);
    shell.setColorAt(0.94, palette::shell);
    shell.setColorAt(1.0, palette::shellDark);
    p.setPen(QPen(palette::steel, 1.2));
    p.setBrush(shell);
    p.drawRoundedRect(body, 6, 6);

    // The steps of the profile between the terminal bands and the raised front.
    p.setPen(QPen(palette::steel, 1));
    p.drawLine(QPointF(body.left() + 1, 83.5), QPointF(body.right() - 1, 83.5));
    p.drawLine(QPointF(body.left() + 1, 186.5), QPointF(body.right() - 1, 186.5));

    // DIN clip at the bottom, with its screwdriver slot.
    p.setPen(QPen(palette::steel, 1));
    p.setBrush(palette::shellDark);
    p.drawRoundedRect(QRectF(111, bodyBottom - 2, 29, 14), 3, 3);
    p.setBrush(QColor(0x6f, 0x78, 0x80));
    p.drawRoundedRect(QRectF(118, bodyBottom + 3, 15, 4), 2, 2);
}

void drawTerminals(QPainter& p)
{
    const QFont small = palette::sans(9, QFont::Bold);
    const QColor text(0x37, 0x47, 0x4f);

    // Top row: the three phases and the neutral.
    const QStringList top{QStringLiteral("R"), QStringLiteral("S"), QStringLiteral("T"),
                          QStringLiteral("N")};
    for (int i = 0; i < 4; ++i) {
        drawScrew(p, QPointF(terminalX(i), 56), 20 + i * 11);
        drawLabel(p, QRectF(terminalX(i) - 15, 70, 30, 12), top[i], small, text);
    }

    // Bottom row: the relay contacts of the two outputs.
    const QStringList bottom{QStringLiteral("11"), QStringLiteral("14"), QStringLiteral("21"),
                             QStringLiteral("24")};
    const QFont tiny = palette::sans(8, QFont::Bold);
    for (int i = 0; i < 4; ++i) {
        drawLabel(p, QRectF(terminalX(i) - 15, 188, 30, 11), bottom[i], tiny, text);
        drawScrew(p, QPointF(terminalX(i), 213), 35 + i * 13);
    }
}

void drawFront(QPainter& p)
{
    const QRectF front(58, 89, 135, 92);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 28));
    p.drawRoundedRect(front.translated(0, 2), 5, 5);
    QLinearGradient face(0, front.top(), 0, front.bottom());
    face.setColorAt(0.0, Qt::white);
    face.setColorAt(1.0, palette::shellLight);
    p.setPen(QPen(QColor(0xb4, 0xbb, 0xc2), 1));
    p.setBrush(face);
    p.drawRoundedRect(front, 5, 5);

    // The name plate.
    const QRectF plate(64, 95, 123, 34);
    QLinearGradient blue(0, plate.top(), 0, plate.bottom());
    blue.setColorAt(0.0, palette::brandLight);
    blue.setColorAt(1.0, palette::brand);
    p.setPen(Qt::NoPen);
    p.setBrush(blue);
    p.drawRoundedRect(plate, 3, 3);
    drawLabel(p, QRectF(plate.left(), plate.top() + 2, plate.width(), 20),
              QStringLiteral("VexaGrid-3"), palette::sans(15, QFont::Bold), Qt::white);
    drawLabel(p, QRectF(plate.left(), plate.top() + 20, plate.width(), 12),
              QStringLiteral("GSM modul"), palette::sans(8.5), QColor(0xcf, 0xe0, 0xf7));

    // Phase LEDs on the left, output LEDs on the right, a thin divider between.
    const QColor green(0x2e, 0xe0, 0x4a);
    const QColor amber(0xff, 0xa8, 0x00);
    const QFont labelFont = palette::sans(8, QFont::Bold);
    const QColor labelColor(0x37, 0x47, 0x4f);
    const qreal ledY = 146;
    const QStringList phases{QStringLiteral("R"), QStringLiteral("S"), QStringLiteral("T")};
    for (int i = 0; i < 3; ++i) {
        const qreal x = 76 + i * 20;
        drawLed(p, QPointF(x, ledY), green, true);
        drawLabel(p, QRectF(x - 10, ledY + 8, 20, 11), phases[i], labelFont, labelColor);
    }
    p.setPen(QPen(QColor(0xc3, 0xc9, 0xcf), 1));
    p.drawLine(QPointF(130.5, 137), QPointF(130.5, 172));
    const QStringList outputs{QStringLiteral("OUT1"), QStringLiteral("OUT2")};
    const QFont outputFont = palette::sans(7.5, QFont::Bold);
    for (int i = 0; i < 2; ++i) {
        const qreal x = 147 + i * 29;
        drawLed(p, QPointF(x, ledY), amber, i == 0);
        drawLabel(p, QRectF(x - 14, ledY + 8, 28, 11), outputs[i], outputFont, labelColor);
    }

    const QFont caption = palette::sans(7);
    const QColor captionColor(0x78, 0x84, 0x8c);
    drawLabel(p, QRectF(62, 167, 68, 10), QStringLiteral("FÁZIS"), caption, captionColor);
    drawLabel(p, QRectF(131, 167, 60, 10), QStringLiteral("KIMENET"), caption, captionColor);
}

} // namespace

QImage render(qreal scale)
{
    const QSize pixels(qRound(size.width() * scale), qRound(size.height() * scale));
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    p.scale(scale, scale);
    drawRail(p);
    drawAntennaConnector(p);
    drawBody(p);
    drawTerminals(p);
    drawFront(p);
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

} // namespace modulepicture
