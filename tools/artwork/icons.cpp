#include "icons.h"

#include "palette.h"

#include <QDir>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QtMath>

#include <functional>
#include <vector>

namespace icons {
namespace {

using Draw = std::function<void(QPainter&)>;

struct Icon
{
    QString fileName;
    int units; // the side of the logical square the drawing uses
    Draw draw;
};

QPen outline(const QColor& color, qreal width = 1.0)
{
    QPen pen(color, width);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

void drawOpen(QPainter& p)
{
    const QColor back(0xd9, 0x9a, 0x1e);
    const QColor backEdge(0xa8, 0x6f, 0x0b);
    const QColor front(0xf6, 0xc3, 0x44);
    const QColor frontEdge(0xc9, 0x92, 0x1b);

    QPainterPath folder;
    folder.addRoundedRect(QRectF(3, 6.5, 10, 6), 1.5, 1.5);
    folder.addRoundedRect(QRectF(3, 9, 24, 18), 2, 2);
    folder = folder.simplified();
    p.setPen(outline(backEdge));
    p.setBrush(back);
    p.drawPath(folder);

    // A sheet of paper sticking out of the folder.
    p.setPen(outline(palette::steel, 0.8));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(7, 11.5, 17, 11));
    p.setPen(outline(palette::shellDark, 1.2));
    p.drawLine(QPointF(10, 14.5), QPointF(21, 14.5));
    p.drawLine(QPointF(10, 17.5), QPointF(19, 17.5));

    const QPolygonF flap{{7.0, 15.0}, {30.5, 15.0}, {26.0, 27.5}, {2.0, 27.5}};
    p.setPen(outline(frontEdge));
    p.setBrush(front);
    p.drawPolygon(flap);
}

void drawSave(QPainter& p)
{
    QPainterPath body;
    body.moveTo(6.5, 4);
    body.lineTo(23.5, 4);
    body.lineTo(28, 8.5);
    body.lineTo(28, 25.5);
    body.quadTo(28, 28, 25.5, 28);
    body.lineTo(6.5, 28);
    body.quadTo(4, 28, 4, 25.5);
    body.lineTo(4, 6.5);
    body.quadTo(4, 4, 6.5, 4);
    body.closeSubpath();
    p.setPen(outline(palette::brand));
    p.setBrush(palette::brandLight);
    p.drawPath(body);

    // The metal shutter with its window.
    p.setPen(outline(palette::steel, 0.8));
    p.setBrush(QColor(0xe3, 0xe7, 0xec));
    p.drawRoundedRect(QRectF(9, 4.5, 13, 8.5), 0.8, 0.8);
    p.setPen(Qt::NoPen);
    p.setBrush(palette::slate);
    p.drawRect(QRectF(17, 6, 2.8, 5.5));

    // The label.
    p.setPen(outline(palette::brand, 0.8));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(7.5, 16, 17, 10), 1, 1);
    p.setPen(outline(QColor(0xb0, 0xbe, 0xc5), 1.2));
    p.drawLine(QPointF(10.5, 19.5), QPointF(21.5, 19.5));
    p.drawLine(QPointF(10.5, 22.5), QPointF(21.5, 22.5));
}

void drawExit(QPainter& p)
{
    // Door frame and the door swung open into the room.
    p.setPen(outline(palette::slate, 1.2));
    p.setBrush(QColor(0x37, 0x47, 0x4f));
    p.drawRect(QRectF(4.5, 3, 15, 26));
    const QPolygonF leaf{{4.5, 3.0}, {13.5, 5.5}, {13.5, 30.5}, {4.5, 29.0}};
    p.setPen(outline(QColor(0x6d, 0x42, 0x1c), 1.0));
    p.setBrush(QColor(0xa0, 0x6a, 0x36));
    p.drawPolygon(leaf);
    p.setPen(Qt::NoPen);
    p.setBrush(palette::gold);
    p.drawEllipse(QPointF(11.5, 17.5), 1.3, 1.3);

    // The way out.
    const QPolygonF arrow{{14.0, 13.5}, {22.0, 13.5}, {22.0, 8.5}, {30.5, 16.0},
                          {22.0, 23.5}, {22.0, 18.5}, {14.0, 18.5}};
    QPen halo = outline(Qt::white, 2.6);
    p.setPen(halo);
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(arrow);
    p.setPen(outline(palette::write.darker(125), 1.0));
    p.setBrush(palette::write);
    p.drawPolygon(arrow);
}

void drawInfo(QPainter& p)
{
    p.setPen(outline(palette::brand, 1.0));
    p.setBrush(palette::brandLight);
    p.drawEllipse(QPointF(16, 16), 13.5, 13.5);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(16, 9.2), 2.3, 2.3);
    p.drawRoundedRect(QRectF(13.8, 13, 4.4, 12.5), 1.2, 1.2);
}

// An arrow for the transfers: the bar at the bottom is the module, the arrow leaves it
// (read-out, up) or goes into it (write, down).
void drawTransfer(QPainter& p, bool up, const QColor& color)
{
    QPolygonF arrow;
    if (up)
        arrow << QPointF(16, 2.5) << QPointF(28, 14) << QPointF(20.5, 14) << QPointF(20.5, 22.5)
              << QPointF(11.5, 22.5) << QPointF(11.5, 14) << QPointF(4, 14);
    else
        arrow << QPointF(11.5, 2.5) << QPointF(20.5, 2.5) << QPointF(20.5, 11) << QPointF(28, 11)
              << QPointF(16, 22.5) << QPointF(4, 11) << QPointF(11.5, 11);
    p.setPen(outline(color.darker(130), 1.2));
    p.setBrush(color);
    p.drawPolygon(arrow);

    p.setPen(Qt::NoPen);
    p.setBrush(palette::slate);
    p.drawRoundedRect(QRectF(4, 25, 24, 5), 1.5, 1.5);
    p.setBrush(QColor(0x8b, 0xc3, 0x4a));
    p.drawEllipse(QPointF(8, 27.5), 1.1, 1.1);
}

void drawReload(QPainter& p)
{
    const QPointF centre(16, 16);
    const qreal radius = 10;
    const qreal start = 70;  // degrees, counter-clockwise from three o'clock
    const qreal span = -285; // clockwise
    const QColor color = palette::ok;

    QPen pen(color, 4.4);
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    p.drawArc(box, qRound(start * 16), qRound(span * 16));

    // The head at the end of the arc, pointing on round the circle.
    const qreal end = qDegreesToRadians(start + span);
    const QPointF radial(qCos(end), -qSin(end));
    const QPointF along(qSin(end), qCos(end)); // clockwise tangent on screen
    const QPointF at = centre + radius * radial;
    const QPolygonF head{at + 6.5 * along, at + 6.2 * radial - 0.5 * along,
                         at - 6.2 * radial - 0.5 * along};
    p.setPen(outline(color, 1.0));
    p.setBrush(color);
    p.drawPolygon(head);
}

// The module of the application icon, in a 64-unit square: a DIN-rail enclosure with
// its terminal rows, the front plate with the phase LEDs and the antenna connector.
void drawModule64(QPainter& p)
{
    // Antenna connector on top.
    p.setPen(outline(palette::goldDark, 1.0));
    p.setBrush(palette::gold);
    p.drawRect(QRectF(16, 8.5, 7, 10));
    p.setBrush(palette::goldLight);
    p.drawRect(QRectF(14, 15.5, 11, 5));

    // Enclosure.
    p.setPen(outline(palette::steel, 1.6));
    p.setBrush(palette::shell);
    p.drawRoundedRect(QRectF(6, 20, 44, 40), 4, 4);
    p.setPen(Qt::NoPen);
    p.setBrush(palette::shellDark);
    p.drawRect(QRectF(6.8, 27, 42.4, 2));
    p.drawRect(QRectF(6.8, 50.5, 42.4, 2));
    for (int i = 0; i < 4; ++i) {
        const qreal x = 12.5 + i * 10.3;
        for (qreal y : {23.8, 56.2}) {
            p.setPen(outline(palette::steel, 0.8));
            p.setBrush(Qt::white);
            p.drawEllipse(QPointF(x, y), 2.6, 2.6);
            p.setPen(outline(palette::slate, 1.0));
            p.drawLine(QPointF(x - 1.6, y + 1.6), QPointF(x + 1.6, y - 1.6));
        }
    }

    // Front plate with three LEDs.
    p.setPen(Qt::NoPen);
    p.setBrush(palette::brand);
    p.drawRoundedRect(QRectF(10, 31.5, 36, 17), 2, 2);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(13.5, 34.5, 18, 3), 1, 1);
    const QColor led(0x69, 0xf0, 0x6e);
    for (int i = 0; i < 3; ++i) {
        p.setBrush(led);
        p.drawEllipse(QPointF(16 + i * 7, 43.5), 2.3, 2.3);
    }
    p.setBrush(QColor(0xff, 0xb3, 0x00));
    p.drawEllipse(QPointF(39.5, 43.5), 2.3, 2.3);
}

void drawDownloadArrow64(QPainter& p)
{
    const QPolygonF arrow{{43.0, 2.5},  {55.0, 2.5},  {55.0, 20.0}, {62.5, 20.0},
                          {49.0, 36.0}, {35.5, 20.0}, {43.0, 20.0}};
    p.setPen(outline(Qt::white, 4.0));
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(arrow);
    p.setPen(outline(palette::write.darker(130), 1.4));
    p.setBrush(palette::write);
    p.drawPolygon(arrow);
}

void drawDownload(QPainter& p)
{
    drawModule64(p);
    drawDownloadArrow64(p);
}

const std::vector<Icon>& table()
{
    static const std::vector<Icon> icons{
        {QStringLiteral("open.png"), 32, drawOpen},
        {QStringLiteral("save.png"), 32, drawSave},
        {QStringLiteral("exit_icon.png"), 32, drawExit},
        {QStringLiteral("info_icon.png"), 32, drawInfo},
        {QStringLiteral("up.png"), 32, [](QPainter& p) { drawTransfer(p, true, palette::read); }},
        {QStringLiteral("down.png"), 32,
         [](QPainter& p) { drawTransfer(p, false, palette::write); }},
        {QStringLiteral("icon_download.png"), 64, drawDownload},
        {QStringLiteral("Button-Reload-icon.png"), 32, drawReload},
    };
    return icons;
}

QImage paint(int units, int size, const Draw& draw)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(qreal(size) / units, qreal(size) / units);
    draw(painter);
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

} // namespace

QStringList fileNames()
{
    QStringList names;
    for (const Icon& icon : table())
        names << icon.fileName;
    return names;
}

QImage render(const QString& fileName, int size)
{
    for (const Icon& icon : table()) {
        if (icon.fileName == fileName)
            return paint(icon.units, size > 0 ? size : icon.units, icon.draw);
    }
    return {};
}

QImage applicationIcon(int size)
{
    return paint(64, size, drawDownload);
}

bool writeAll(const QString& dir, QString* error)
{
    if (!QDir().mkpath(dir)) {
        *error = dir;
        return false;
    }
    for (const QString& name : fileNames()) {
        const QString path = QDir(dir).filePath(name);
        if (!render(name).save(path, "PNG")) {
            *error = path;
            return false;
        }
    }
    return true;
}

} // namespace icons
