#include "form/statusbar.h"

#include <QLabel>
#include <QStatusBar>

namespace statusbar {

QLabel* insertLinkLabel(QStatusBar* bar, const QString& richText)
{
    auto* label = new QLabel(richText, bar);
    label->setTextFormat(Qt::RichText);
    label->setOpenExternalLinks(true);
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    bar->insertWidget(2, label, 0);
    return label;
}

} // namespace statusbar
