#include "manual.h"

#include "icons.h"
#include "modulepicture.h"
#include "palette.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QUrl>

#include <vector>

namespace manual {
namespace {

constexpr int dpi = 300;

// Millimetres to device pixels at the writer's resolution.
constexpr qreal mm(qreal millimetres)
{
    return millimetres * dpi / 25.4;
}

const QString programName = QStringLiteral("VexaGrid-3 letöltő szoftver");
const QString manualName = QStringLiteral("Felhasználói kézikönyv");

struct Page
{
    QRectF full;    // the whole sheet
    QRectF content; // where the text goes
};

struct Heading
{
    int level;
    QString text;
    int page; // counted from 0 within the body text
};

Page pageGeometry(const QPdfWriter& writer)
{
    const QRectF full(QPointF(0, 0), writer.pageLayout().fullRectPixels(dpi).size());
    const QRectF content = full.adjusted(mm(22), mm(24), -mm(22), -mm(22));
    return {full, content};
}

// The images the text refers to by name ("img/open.png", "module.png"), drawn at a
// high resolution so they stay sharp in print; the <img> tags give their size on paper.
void addImages(QTextDocument& doc)
{
    for (const QString& name : icons::fileNames())
        doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("img/") + name),
                        icons::render(name, 192));
    doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("module.png")),
                    modulepicture::render(4));
}

// Chapters and sections are numbered here, so that the source text can be rearranged
// without renumbering it by hand. A heading that holds a named anchor
// (<h2><a name="checks">...</a></h2>) can be referred to in the text as [[checks]], which
// becomes its number ("4.6."). Returns false, naming it, on a reference to no heading.
bool numberHeadings(QTextDocument& doc, QString* error)
{
    QHash<QString, QString> numbers;
    int chapter = 0;
    int section = 0;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const int level = block.blockFormat().headingLevel();
        QString number;
        if (level == 1) {
            ++chapter;
            section = 0;
            number = QStringLiteral("%1.").arg(chapter);
        } else if (level == 2 && chapter > 0) {
            ++section;
            number = QStringLiteral("%1.%2.").arg(chapter).arg(section);
        } else {
            continue;
        }
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            for (const QString& name : it.fragment().charFormat().anchorNames())
                numbers.insert(name, number);
        }
        QTextCursor cursor(block);
        cursor.insertText(number + QStringLiteral("  "));
    }

    static const QRegularExpression reference(QStringLiteral("\\[\\[([A-Za-z0-9_-]+)\\]\\]"));
    for (QTextCursor found = doc.find(reference); !found.isNull();
         found = doc.find(reference, found)) {
        const QString name = reference.match(found.selectedText()).captured(1);
        if (!numbers.contains(name)) {
            *error = QStringLiteral("the manual refers to [[%1]], which no heading is").arg(name);
            return false;
        }
        found.insertText(numbers.value(name));
    }
    return true;
}

std::vector<Heading> headings(const QTextDocument& doc)
{
    std::vector<Heading> result;
    const qreal pageHeight = doc.pageSize().height();
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const int level = block.blockFormat().headingLevel();
        if (level != 1 && level != 2)
            continue;
        const qreal top = doc.documentLayout()->blockBoundingRect(block).top();
        result.push_back({level, block.text().simplified(), int(top / pageHeight)});
    }
    return result;
}

QString escaped(const QString& text)
{
    return text.toHtmlEscaped();
}

// The table of contents as a document of its own; `firstBodyPage` is the printed number
// of the first page of the body text.
QString contentsHtml(const std::vector<Heading>& list, int firstBodyPage)
{
    QString html = QStringLiteral(
        "<html><body style=\"font-family: 'DejaVu Sans'; font-size: 10.5pt; color: #263238;\">"
        "<p style=\"font-size: 22pt; font-weight: bold; color: #0b3d91; margin-bottom: 18px;\">"
        "Tartalom</p>"
        "<table width=\"100%\" cellspacing=\"0\" cellpadding=\"3\">");
    for (const Heading& h : list) {
        const bool chapter = h.level == 1;
        const QString style =
            chapter ? QStringLiteral("font-weight: bold; color: #0b3d91; padding-top: 9px;")
                    : QStringLiteral("padding-left: 28px;");
        html += QStringLiteral("<tr><td style=\"%1\">%2</td>"
                               "<td align=\"right\" style=\"%1\">%3</td></tr>")
                    .arg(style, escaped(h.text), QString::number(firstBodyPage + h.page));
    }
    html += QStringLiteral("</table></body></html>");
    return html;
}

// Every chapter starts on a new page, but a break before the first one would leave the
// first page empty.
void dropLeadingPageBreak(QTextDocument& doc)
{
    QTextCursor first(doc.begin());
    QTextBlockFormat format = first.blockFormat();
    format.setPageBreakPolicy(format.pageBreakPolicy() & ~QTextFormat::PageBreak_AlwaysBefore);
    first.setBlockFormat(format);
}

void prepare(QTextDocument& doc, QPdfWriter& writer, const QSizeF& pageSize)
{
    doc.documentLayout()->setPaintDevice(&writer);
    doc.setPageSize(pageSize);
    QTextFrameFormat root = doc.rootFrame()->frameFormat();
    root.setMargin(0);
    root.setTopMargin(2);
    root.setBottomMargin(2);
    doc.rootFrame()->setFrameFormat(root);
}

void drawPageOf(QPainter& p, QTextDocument& doc, int index, const Page& page)
{
    const qreal height = doc.pageSize().height();
    p.save();
    p.translate(page.content.left(), page.content.top() - index * height);
    doc.drawContents(&p, QRectF(0, index * height, page.content.width(), height));
    p.restore();
}

void drawHeadAndFoot(QPainter& p, const Page& page, const QString& chapter, int number)
{
    const QColor grey(0x78, 0x84, 0x8c);
    p.save();
    p.setFont(palette::sansF(8));
    p.setPen(grey);
    const qreal headY = page.content.top() - mm(8);
    const QRectF head(page.content.left(), headY - mm(5), page.content.width(), mm(5));
    p.drawText(head, Qt::AlignLeft | Qt::AlignBottom, programName);
    p.drawText(head, Qt::AlignRight | Qt::AlignBottom, chapter);
    p.setPen(QPen(QColor(0xcf, 0xd8, 0xdc), mm(0.25)));
    p.drawLine(QPointF(page.content.left(), headY + mm(1.2)),
               QPointF(page.content.right(), headY + mm(1.2)));

    const qreal footY = page.content.bottom() + mm(9);
    p.drawLine(QPointF(page.content.left(), footY - mm(4)),
               QPointF(page.content.right(), footY - mm(4)));
    p.setPen(grey);
    const QRectF foot(page.content.left(), footY - mm(3), page.content.width(), mm(5));
    p.drawText(foot, Qt::AlignLeft | Qt::AlignVCenter, manualName);
    p.setFont(palette::sansF(8, QFont::Bold));
    p.setPen(palette::brand);
    p.drawText(foot, Qt::AlignRight | Qt::AlignVCenter, QString::number(number));
    p.restore();
}

void drawTitlePage(QPainter& p, const Page& page, const QString& version)
{
    const QRectF& full = page.full;

    // A blue band across the top with the program's name.
    const QRectF band(0, 0, full.width(), mm(88));
    QLinearGradient blue(0, 0, 0, band.bottom());
    blue.setColorAt(0.0, palette::brandLight);
    blue.setColorAt(1.0, palette::brand);
    p.fillRect(band, blue);
    p.fillRect(QRectF(0, band.bottom(), full.width(), mm(2.2)), palette::write);

    const qreal left = mm(24);
    p.setPen(Qt::white);
    p.setFont(palette::sansF(40, QFont::Bold));
    p.drawText(QRectF(left, mm(26), full.width() - 2 * left, mm(20)),
               Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("VexaGrid-3"));
    p.setFont(palette::sansF(20));
    p.setPen(QColor(0xdc, 0xe8, 0xf8));
    p.drawText(QRectF(left, mm(48), full.width() - 2 * left, mm(12)), Qt::AlignLeft | Qt::AlignTop,
               QStringLiteral("letöltő szoftver"));
    p.setFont(palette::sansF(11));
    p.drawText(QRectF(left, mm(66), full.width() - 2 * left, mm(8)), Qt::AlignLeft | Qt::AlignTop,
               QStringLiteral("A VexaGrid-3 GSM-modul beállítóprogramja"));

    // The module itself.
    const QImage module = modulepicture::render(6);
    const qreal width = mm(112);
    const qreal height = width * module.height() / module.width();
    const QRectF picture((full.width() - width) / 2, mm(106), width, height);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(picture, module);

    p.setPen(palette::brand);
    p.setFont(palette::sansF(26, QFont::Bold));
    p.drawText(QRectF(left, picture.bottom() + mm(10), full.width() - 2 * left, mm(14)),
               Qt::AlignHCenter | Qt::AlignTop, manualName);
    p.setPen(QColor(0x54, 0x6e, 0x7a));
    p.setFont(palette::sansF(12));
    p.drawText(QRectF(left, picture.bottom() + mm(26), full.width() - 2 * left, mm(8)),
               Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("Programverzió: v%1").arg(version));

    p.setPen(QPen(QColor(0xcf, 0xd8, 0xdc), mm(0.3)));
    const qreal footY = full.height() - mm(26);
    p.drawLine(QPointF(left, footY), QPointF(full.width() - left, footY));
    p.setPen(QColor(0x78, 0x84, 0x8c));
    p.setFont(palette::sansF(9));
    p.drawText(QRectF(left, footY + mm(3), full.width() - 2 * left, mm(6)), Qt::AlignLeft,
               QStringLiteral("© 2016 VexaGrid Kft. – minden jog fenntartva."));
    p.drawText(QRectF(left, footY + mm(3), full.width() - 2 * left, mm(6)), Qt::AlignRight,
               QStringLiteral("www.vexagrid.hu"));
}

} // namespace

namespace {

// The table of contents, laid out for the body's headings. Its own length decides where the
// body starts, so it is laid out once with provisional numbers to learn it.
void layOutContents(QTextDocument& contents, const std::vector<Heading>& list, QPdfWriter& writer,
                    const Page& page)
{
    contents.setDefaultFont(palette::sansF(10));
    prepare(contents, writer, page.content.size());
    contents.setHtml(contentsHtml(list, 100));
    prepare(contents, writer, page.content.size());
    const int firstBodyPage = 2 + contents.pageCount();
    contents.setHtml(contentsHtml(list, firstBodyPage));
    prepare(contents, writer, page.content.size());
}

// The title page, the contents and the body, each page with its head and foot.
void paint(QPainter& p, QPdfWriter& writer, const Page& page, const QString& version,
           QTextDocument& contents, QTextDocument& body, const std::vector<Heading>& list)
{
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    drawTitlePage(p, page, version);
    int number = 1;
    for (int i = 0; i < contents.pageCount(); ++i) {
        writer.newPage();
        ++number;
        drawPageOf(p, contents, i, page);
        drawHeadAndFoot(p, page, QStringLiteral("Tartalom"), number);
    }
    QString chapter;
    auto next = list.cbegin();
    for (int i = 0; i < body.pageCount(); ++i) {
        writer.newPage();
        ++number;
        for (; next != list.cend() && next->page <= i; ++next) {
            if (next->level == 1)
                chapter = next->text;
        }
        drawPageOf(p, body, i, page);
        drawHeadAndFoot(p, page, chapter, number);
    }
}

} // namespace

bool render(const QString& htmlPath, const QString& pdfPath, const QString& version, QString* error)
{
    QFile source(htmlPath);
    if (!source.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(htmlPath, source.errorString());
        return false;
    }
    const QString html = QString::fromUtf8(source.readAll());

    QPdfWriter writer(pdfPath);
    writer.setResolution(dpi);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    writer.setTitle(programName + QStringLiteral(" – ") + manualName);
    writer.setCreator(QStringLiteral("vexagrid-artwork"));
    const Page page = pageGeometry(writer);

    QTextDocument body;
    body.setDefaultFont(palette::sansF(10));
    addImages(body);
    body.setHtml(html);
    dropLeadingPageBreak(body);
    if (!numberHeadings(body, error))
        return false;
    prepare(body, writer, page.content.size());
    const std::vector<Heading> list = headings(body);
    QTextDocument contents;
    layOutContents(contents, list, writer, page);

    QPainter p;
    if (!p.begin(&writer)) {
        *error = QStringLiteral("cannot write %1").arg(pdfPath);
        return false;
    }
    paint(p, writer, page, version, contents, body, list);
    p.end();

    if (!QFileInfo(pdfPath).isFile() || QFileInfo(pdfPath).size() == 0) {
        *error = QStringLiteral("cannot write %1").arg(pdfPath);
        return false;
    }
    return true;
}

} // namespace manual
