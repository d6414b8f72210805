#include "app/historydialog.h"

#include "app/configfiles.h"
#include "core/description.h"
#include "form/messagebox.h"
#include "record/record.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Column { When, Operation, Port, Module, Outcome, Who, kColumns };

QString operationText(record::Operation operation)
{
    switch (operation) {
    case record::Operation::Identify:
        return QStringLiteral("Azonosítás");
    case record::Operation::ReadOut:
        return QStringLiteral("Kiolvasás");
    case record::Operation::Status:
        return QStringLiteral("Állapot");
    case record::Operation::Write:
        return QStringLiteral("Betöltés");
    case record::Operation::Backup:
        return QStringLiteral("Biztonsági mentés");
    case record::Operation::Verify:
        return QStringLiteral("Ellenőrzés");
    case record::Operation::Restore:
        return QStringLiteral("Visszaállítás");
    }
    return QString();
}

QString outcomeText(const record::Event& event)
{
    if (event.state == record::State::Started)
        return QStringLiteral("folyamatban");
    if (event.state == record::State::Interrupted)
        return QStringLiteral("megszakadt");
    if (event.succeeded())
        return event.message.isEmpty() ? QStringLiteral("sikeres") : event.message;
    return event.message.isEmpty() ? event.outcome : event.message;
}

QString localTime(const QDateTime& time)
{
    return time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// An item that stands for a section of the configuration, bold, its rows below it.
QTreeWidgetItem* sectionItem(QTreeWidget* tree, description::Section section)
{
    auto* item = new QTreeWidgetItem(tree, {description::sectionTitle(section)});
    QFont font = item->font(0);
    font.setBold(true);
    item->setFont(0, font);
    item->setFirstColumnSpanned(true);
    item->setExpanded(true);
    return item;
}

// What the module does not use is shown, greyed, as the description marks it.
void markUnused(QTreeWidgetItem* item, bool used)
{
    if (used)
        return;
    for (int column = 0; column < item->columnCount(); ++column)
        item->setForeground(column, QColor(Qt::gray));
    item->setToolTip(0, QStringLiteral("a VexaGrid-3 nem használja"));
}

} // namespace

HistoryDialog::HistoryDialog(record::Record& record, const QString& moduleId, OpenOnForm openOnForm,
                             QWidget* parent)
    : QDialog(parent), m_record(record), m_moduleId(moduleId), m_openOnForm(std::move(openOnForm))
{
    setObjectName(QStringLiteral("HistoryDialog"));
    setWindowTitle(QStringLiteral("Előzmények"));
    build();
    reload();
}

void HistoryDialog::build()
{
    m_scope = new QLabel(this);
    m_allModules = new QCheckBox(QStringLiteral("Minden modul"), this);
    m_allModules->setObjectName(QStringLiteral("allModules"));
    m_allModules->setChecked(m_moduleId.isEmpty());
    m_allModules->setEnabled(!m_moduleId.isEmpty());
    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("filter"));
    m_filter->setPlaceholderText(QStringLiteral("Szűrés (modul, port, művelet, kezelő...)"));
    m_filter->setClearButtonEnabled(true);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("events"));
    m_list->setHeaderLabels({QStringLiteral("Idő"), QStringLiteral("Művelet"),
                             QStringLiteral("Port"), QStringLiteral("Modul"),
                             QStringLiteral("Eredmény"), QStringLiteral("Kezelő")});
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setAllColumnsShowFocus(true);

    m_facts = new QLabel(this);
    m_facts->setObjectName(QStringLiteral("facts"));
    m_facts->setTextFormat(Qt::PlainText);
    m_facts->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_details = new QTreeWidget(this);
    m_details->setObjectName(QStringLiteral("details"));
    m_details->header()->setStretchLastSection(true);

    m_open = new QPushButton(QStringLiteral("Megnyitás az űrlapon"), this);
    m_open->setObjectName(QStringLiteral("openOnForm"));
    m_save = new QPushButton(QStringLiteral("Mentés fájlba..."), this);
    m_save->setObjectName(QStringLiteral("saveToFile"));
    lay();

    connect(m_allModules, &QCheckBox::toggled, this, &HistoryDialog::reload);
    connect(m_filter, &QLineEdit::textChanged, this, &HistoryDialog::applyFilter);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &HistoryDialog::showSelection);
    connect(m_open, &QPushButton::clicked, this, &HistoryDialog::openSelected);
    connect(m_save, &QPushButton::clicked, this, &HistoryDialog::saveSelected);
}

void HistoryDialog::lay()
{
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("Bezárás"), QDialogButtonBox::RejectRole);
    buttons->addButton(m_open, QDialogButtonBox::ActionRole);
    buttons->addButton(m_save, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* top = new QHBoxLayout;
    top->addWidget(m_scope, 1);
    top->addWidget(m_allModules);
    top->addWidget(m_filter, 1);
    auto* right = new QWidget(this);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(m_facts);
    rightLayout->addWidget(m_details, 1);
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(m_list);
    splitter->addWidget(right);
    splitter->setSizes({500, 600});
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(splitter, 1);
    layout->addWidget(buttons);
    resize(1100, 640);
}

void HistoryDialog::reload()
{
    record::EventFilter filter;
    if (!m_allModules->isChecked())
        filter.moduleId = m_moduleId;
    filter.limit = kListLimit;
    const Expected<QList<record::Event>> events = m_record.events(filter);
    const Expected<QList<record::Module>> modules = m_record.modules();
    if (!events || !modules) {
        messagebox::critical(this, QStringLiteral("Előzmények"),
                             events ? modules.failure().message : events.failure().message);
    }
    m_events = events.valueOr({});
    m_moduleNames.clear();
    for (const record::Module& module : modules.valueOr({}))
        m_moduleNames.insert(module.moduleId, module.name);

    QString scope = filter.moduleId.isEmpty()
                        ? QStringLiteral("Minden modul")
                        : QStringLiteral("A csatlakoztatott modul (%1)").arg(m_moduleId);
    scope += QStringLiteral(": %1 esemény").arg(m_events.size());
    if (m_events.size() >= kListLimit)
        scope += QStringLiteral(" (a legutóbbiak)");
    m_scope->setText(scope);

    m_list->clear();
    for (qsizetype i = 0; i < m_events.size(); ++i) {
        const record::Event& event = m_events.at(i);
        QString module = event.moduleId;
        if (const QString name = m_moduleNames.value(event.moduleId); !name.isEmpty())
            module += QStringLiteral(" ") + name;
        auto* item = new QTreeWidgetItem(
            m_list, {localTime(event.startedAt), operationText(event.operation), event.port, module,
                     outcomeText(event), event.operatorName + u'@' + event.host});
        item->setData(0, Qt::UserRole, int(i));
        item->setToolTip(Outcome, event.message);
        if (!event.succeeded())
            item->setForeground(Outcome, QColor(Qt::darkRed));
    }
    for (int column = 0; column < kColumns; ++column)
        m_list->resizeColumnToContents(column);
    applyFilter();
    showSelection();
}

void HistoryDialog::applyFilter()
{
    const QString text = m_filter->text().trimmed();
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_list->topLevelItem(i);
        bool shown = text.isEmpty();
        for (int column = 0; column < kColumns && !shown; ++column)
            shown = item->text(column).contains(text, Qt::CaseInsensitive);
        item->setHidden(!shown);
        if (!shown)
            item->setSelected(false);
    }
}

QList<record::Event> HistoryDialog::selectedEvents() const
{
    QList<record::Event> selected;
    // In the list's order: newest first.
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = m_list->topLevelItem(i);
        if (item->isSelected() && !item->isHidden())
            selected << m_events.at(item->data(0, Qt::UserRole).toInt());
    }
    return selected;
}

void HistoryDialog::showSelection()
{
    const QList<record::Event> selected = selectedEvents();
    m_details->clear();
    const bool one = selected.size() == 1 && !selected.first().configurationHash.isEmpty();
    m_open->setEnabled(one);
    m_save->setEnabled(one);
    if (selected.size() == 1) {
        showOne(selected.first());
    } else if (selected.size() == 2) {
        showDifferences(selected.at(1), selected.at(0));
    } else {
        setDetailColumns({QString()});
        m_facts->setText(selected.isEmpty()
                             ? QStringLiteral("Válasszon egy eseményt a konfigurációjához, "
                                              "kettőt az eltéréseikhez.")
                             : QStringLiteral("Két eseményt lehet összevetni."));
    }
}

void HistoryDialog::setDetailColumns(const QStringList& titles)
{
    m_details->setColumnCount(int(titles.size()));
    m_details->setHeaderLabels(titles);
}

std::optional<QStringList> HistoryDialog::configurationOf(const record::Event& event)
{
    if (event.configurationHash.isEmpty())
        return std::nullopt;
    const Expected<record::StoredConfiguration> stored =
        m_record.configuration(event.configurationHash);
    if (!stored) {
        messagebox::critical(this, QStringLiteral("Előzmények"), stored.failure().message);
        return std::nullopt;
    }
    return stored->lines();
}

void HistoryDialog::showOne(const record::Event& event)
{
    QStringList facts;
    facts << QStringLiteral("%1 %2, %3, %4")
                 .arg(operationText(event.operation), localTime(event.startedAt), event.port,
                      event.operatorName + u'@' + event.host);
    if (!event.adapter.isEmpty())
        facts << QStringLiteral("Átalakító: %1").arg(event.adapter);
    if (!event.identification.isEmpty())
        facts << QStringLiteral("Eszköz: %1").arg(event.identification);
    if (!event.firmware.isEmpty())
        facts << QStringLiteral("Firmware: %1").arg(event.firmware);
    facts << QStringLiteral("Eredmény: %1").arg(outcomeText(event));
    facts << QStringLiteral("Azonosító: %1").arg(event.id);
    m_facts->setText(facts.join(u'\n'));

    setDetailColumns({QStringLiteral("Mező"), QStringLiteral("Érték")});
    const std::optional<QStringList> lines = configurationOf(event);
    if (!lines) {
        new QTreeWidgetItem(m_details,
                            {QStringLiteral("Az eseményhez nem tartozik konfiguráció.")});
        return;
    }
    QHash<int, QTreeWidgetItem*> sections;
    for (const description::Item& item : description::describe(fields::Values(*lines))) {
        QTreeWidgetItem*& section = sections[int(item.section)];
        if (!section)
            section = sectionItem(m_details, item.section);
        markUnused(new QTreeWidgetItem(section, {item.caption, item.value}), item.used);
    }
    m_details->resizeColumnToContents(0);
}

void HistoryDialog::showDifferences(const record::Event& older, const record::Event& newer)
{
    const QString left = localTime(older.startedAt);
    const QString right = localTime(newer.startedAt);
    setDetailColumns({QStringLiteral("Mező"), left, right});
    const std::optional<QStringList> a = configurationOf(older);
    const std::optional<QStringList> b = configurationOf(newer);
    if (!a || !b) {
        m_facts->setText(QStringLiteral("Csak konfigurációt tartalmazó események vethetők össze."));
        return;
    }
    const QList<description::Difference> differences = description::compare(
        description::describe(fields::Values(*a)), description::describe(fields::Values(*b)));
    int counted = 0;
    for (const description::Difference& difference : differences) {
        auto* item =
            new QTreeWidgetItem(m_details, {difference.caption, difference.left, difference.right});
        markUnused(item, difference.used);
        counted += difference.used ? 1 : 0;
    }
    for (int column = 0; column < 2; ++column)
        m_details->resizeColumnToContents(column);
    m_facts->setText(
        counted == 0 ? QStringLiteral("A két konfiguráció egyezik.")
                     : QStringLiteral("Eltér (%1 mező): %2 és %3").arg(counted).arg(left, right));
}

void HistoryDialog::openSelected()
{
    const QList<record::Event> selected = selectedEvents();
    if (selected.size() != 1)
        return;
    const std::optional<QStringList> lines = configurationOf(selected.first());
    if (!lines)
        return;
    accept();
    m_openOnForm(*lines, QStringLiteral("előzmény %1").arg(selected.first().id.left(8)));
}

void HistoryDialog::saveSelected()
{
    const QList<record::Event> selected = selectedEvents();
    if (selected.size() != 1)
        return;
    if (const std::optional<QStringList> lines = configurationOf(selected.first()))
        configfiles::saveLines(this, *lines);
}
