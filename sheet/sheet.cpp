#include "sheet/sheet.h"

#include "core/description.h"
#include "core/programsettings.h"

#include <QAbstractTextDocumentLayout>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>
#include <QTextFrame>

namespace sheet {

namespace {

using description::Item;
using description::Section;

constexpr int kDpi = 300;

constexpr qreal mm(qreal millimetres)
{
    return millimetres * kDpi / 25.4;
}

const QString kProgramName = QStringLiteral("VexaGrid-3 letöltő szoftver");
const QString kTick = QStringLiteral("\u2713");
const QString kNone = QStringLiteral("\u2013");

QFont sans(qreal points, int weight = QFont::Normal)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setWeight(static_cast<QFont::Weight>(weight));
    return font;
}

QString escaped(const QString& text)
{
    return text.isEmpty() ? kNone : text.toHtmlEscaped();
}

class Items
{
public:
    explicit Items(const QList<Item>& items) : m_items(items) {}

    const Item* find(const QString& key) const
    {
        for (const Item& item : m_items) {
            if (item.key == key)
                return &item;
        }
        return nullptr;
    }
    QString value(const QString& key) const
    {
        const Item* item = find(key);
        return item ? escaped(item->value) : kNone;
    }
    QString caption(const QString& key) const
    {
        const Item* item = find(key);
        return item ? item->caption.toHtmlEscaped() : QString();
    }
    QList<const Item*> used(Section section) const
    {
        QList<const Item*> list;
        for (const Item& item : m_items) {
            if (item.section == section && item.used)
                list << &item;
        }
        return list;
    }

private:
    const QList<Item>& m_items;
};

QString heading(Section section)
{
    // Qt's rich text keeps no margin above a heading that follows a table: a spacer does.
    return QStringLiteral("<p style=\"font-size: 6pt;\">&nbsp;</p><h2>%1</h2>")
        .arg(description::sectionTitle(section).toHtmlEscaped());
}

QString captionTable(const QList<const Item*>& items)
{
    QString html = QStringLiteral(
        "<table class=\"pairs\" width=\"100%\" cellspacing=\"0\" cellpadding=\"2\">");
    for (const Item* item : items)
        html += QStringLiteral("<tr><td class=\"caption\" width=\"42%\">%1</td><td>%2</td></tr>")
                    .arg(item->caption.toHtmlEscaped(), escaped(item->value));
    return html + QStringLiteral("</table>");
}

// The window's grid: the number, RING and SMS, the phases T S R, the output a ring switches.
QString telephoneTable(const Items& items)
{
    QString html = QStringLiteral(
        "<table class=\"grid\" width=\"100%\" cellspacing=\"0\" cellpadding=\"2\"><tr><th "
        "width=\"6%\">#</th>"
        "<th align=\"left\">Telefonszám</th><th width=\"9%\">RING</th><th width=\"9%\">SMS</th>"
        "<th width=\"7%\">T</th><th width=\"7%\">S</th><th width=\"7%\">R</th>"
        "<th width=\"13%\">Kimenet</th></tr>");
    const auto tick = [](bool on) { return on ? kTick : QString(); };
    for (int row = 1; row <= fields::kTelRows; ++row) {
        const Item* item = items.find(QStringLiteral("t%1").arg(row));
        if (!item || !item->row)
            continue;
        const description::TelRow& tel = *item->row;
        const QString number = tel.number.isEmpty() ? kNone : u'+' + tel.number.toHtmlEscaped();
        const QString output = tel.output > 0 ? QString::number(tel.output) : kNone;
        html += QStringLiteral("<tr><td align=\"center\">%1.</td><td>%2</td><td align=\"center\">%3"
                               "</td><td align=\"center\">%4</td><td align=\"center\">%5</td>"
                               "<td align=\"center\">%6</td><td align=\"center\">%7</td>"
                               "<td align=\"center\">%8</td></tr>")
                    .arg(row)
                    .arg(number, tick(tel.ring), tick(tel.sms), tick(tel.columns[2]),
                         tick(tel.columns[1]), tick(tel.columns[0]), output);
    }
    return html + QStringLiteral("</table>");
}

QString inputTable(const Items& items)
{
    QString html = QStringLiteral("<table class=\"grid\" width=\"100%\" cellspacing=\"0\" "
                                  "cellpadding=\"2\"><tr><th width=\"10%\">Fázis</th>"
                                  "<th align=\"left\">Név</th><th align=\"left\">Kimaradáskor</th>"
                                  "<th align=\"left\">Visszaálláskor</th></tr>");
    const QStringList phases{"R", "S", "T"};
    for (int n = 1; n <= phases.size(); ++n) {
        html += QStringLiteral("<tr><td align=\"center\">%1</td><td>%2</td><td>%3</td><td>%4</td>"
                               "</tr>")
                    .arg(phases.at(n - 1), items.value(QStringLiteral("be%1_nev").arg(n)),
                         items.value(QStringLiteral("be%1_on_msg").arg(n)),
                         items.value(QStringLiteral("be%1_off_msg").arg(n)));
    }
    return html + QStringLiteral("</table>");
}

QString outputTable(const Items& items)
{
    QString html = QStringLiteral(
        "<table class=\"grid\" width=\"100%\" cellspacing=\"0\" cellpadding=\"2\"><tr><th "
        "width=\"10%\">Kimenet"
        "</th><th align=\"left\">Bekapcsoláskor</th><th align=\"left\">Kikapcsoláskor</th>"
        "<th align=\"left\">Rácsengetéskor</th></tr>");
    for (int n = 1; n <= 2; ++n) {
        html += QStringLiteral("<tr><td align=\"center\">%1.</td><td>%2</td><td>%3</td><td>%4</td>"
                               "</tr>")
                    .arg(n)
                    .arg(items.value(QStringLiteral("ki%1_on").arg(n)),
                         items.value(QStringLiteral("ki%1_off").arg(n)),
                         items.value(QStringLiteral("b%1").arg(n)));
    }
    return html + QStringLiteral("</table>");
}

QString bodyHtml(const QList<Item>& list, const Source& source)
{
    const Items items(list);
    QString html = QStringLiteral("<html><head><style>"
                                  "p.kind { font-size: 9pt; margin: 0; color: #333333; }"
                                  "h1 { font-size: 20pt; margin-top: 1pt; margin-bottom: 3pt; }"
                                  "h2 { font-size: 12pt; margin-top: 14pt; margin-bottom: 4pt; }"
                                  "p.meta { margin: 1pt 0; }"
                                  "table { border-collapse: collapse; }"
                                  "td, th { border: 0.5px solid #555555; }"
                                  "th { background-color: #e6e6e6; font-weight: bold; }"
                                  "</style></head><body>");
    html += QStringLiteral("<p class=\"kind\">Konfigurációs lap · VexaGrid-3</p>");
    html += QStringLiteral("<h1>%1</h1>").arg(items.value(QStringLiteral("m_nev")));
    html += QStringLiteral("<p class=\"meta\"><b>%1:</b> %2 &nbsp;&nbsp; <b>Dátum:</b> %3</p>")
                .arg(items.caption(QStringLiteral("m_id")), items.value(QStringLiteral("m_id")),
                     source.date.toString(QStringLiteral("yyyy. MM. dd.")));
    if (!source.identification.isEmpty())
        html += QStringLiteral("<p class=\"meta\"><b>Modul:</b> %1</p>")
                    .arg(source.identification.toHtmlEscaped());
    if (!source.file.isEmpty())
        html += QStringLiteral("<p class=\"meta\"><b>Fájl:</b> %1</p>")
                    .arg(QFileInfo(source.file).fileName().toHtmlEscaped());

    html += heading(Section::General) + captionTable(items.used(Section::General));
    html += heading(Section::Telephones) + telephoneTable(items);
    html += heading(Section::Inputs) + inputTable(items);
    html += heading(Section::Outputs) + outputTable(items);
    html += heading(Section::Activation) + captionTable(items.used(Section::Activation));
    return html + QStringLiteral("</body></html>");
}

void drawFooter(QPainter& p, const QRectF& content, int page, int pages, const QDate& date)
{
    p.save();
    p.setFont(sans(7.5));
    p.setPen(Qt::black);
    const qreal y = content.bottom() + mm(4);
    p.setPen(QPen(Qt::black, mm(0.2)));
    p.drawLine(QPointF(content.left(), y), QPointF(content.right(), y));
    const QRectF line(content.left(), y + mm(1), content.width(), mm(5));
    p.drawText(
        line, Qt::AlignLeft | Qt::AlignTop,
        QStringLiteral("%1 %2 · %3")
            .arg(kProgramName, programVersion(), date.toString(QStringLiteral("yyyy. MM. dd."))));
    p.drawText(line, Qt::AlignRight | Qt::AlignTop,
               QStringLiteral("%1/%2. oldal").arg(page).arg(pages));
    p.restore();
}

} // namespace

Expected<int> write(const fields::Values& values, const Source& source, const QString& path)
{
    const auto failed = [&path](const QString& why) {
        return Failure(messages::Code::OutputFailed, why, {{QStringLiteral("file"), path}});
    };
    QPdfWriter writer(path);
    writer.setResolution(kDpi);
    writer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    writer.setTitle(QStringLiteral("Konfigurációs lap"));
    writer.setCreator(kProgramName);

    const QRectF full(QPointF(0, 0), writer.pageLayout().fullRectPixels(kDpi).size());
    const QRectF content = full.adjusted(mm(16), mm(14), -mm(16), -mm(18));

    QTextDocument doc;
    doc.documentLayout()->setPaintDevice(&writer);
    doc.setDefaultFont(sans(9.5));
    doc.setPageSize(content.size());
    QTextFrameFormat root = doc.rootFrame()->frameFormat();
    root.setMargin(0);
    doc.rootFrame()->setFrameFormat(root);
    doc.setHtml(bodyHtml(description::describe(values, {source.pin}), source));

    QPainter p;
    if (!p.begin(&writer))
        return failed(QStringLiteral("nem írható"));
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    const int pages = doc.pageCount();
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            writer.newPage();
        p.save();
        p.translate(content.left(), content.top() - page * content.height());
        doc.drawContents(&p, QRectF(0, page * content.height(), content.width(), content.height()));
        p.restore();
        drawFooter(p, content, page + 1, pages, source.date);
    }
    if (!p.end())
        return failed(QStringLiteral("a PDF írása nem sikerült"));
    return pages;
}

} // namespace sheet
