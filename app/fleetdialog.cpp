#include "app/fleetdialog.h"

#include "app/download.h"
#include "core/fields.h"
#include "core/programsettings.h"
#include "device/portmap.h"
#include "device/porttexts.h"
#include "fleet/csvtable.h"
#include "fleet/outputs.h"
#include "form/bindings.h"
#include "form/formcontext.h"
#include "form/messagebox.h"
#include "ui_mainwindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

using messages::Code;

enum Column { kPort, kDevice, kModule, kProgress, kOutcome, kColumns };

const QString kTitle = QStringLiteral("Több modul programozása");
constexpr int kTickMs = 100;

QPushButton* button(const QString& text, const char* name, QWidget* parent)
{
    auto* made = new QPushButton(text, parent);
    made->setObjectName(QLatin1String(name));
    made->setAutoDefault(false);
    return made;
}

// A line edit with a "Tallózás..." beside it that fills it from `choose`.
QLineEdit* pathRow(QHBoxLayout* row, const char* name, QWidget* parent,
                   const std::function<QString(QWidget*)>& choose)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    auto* browse = button(QStringLiteral("Tallózás..."), "", parent);
    browse->setObjectName(edit->objectName() + QStringLiteral("Browse"));
    QObject::connect(browse, &QPushButton::clicked, parent, [edit, parent, choose] {
        const QString path = choose(parent);
        if (!path.isEmpty())
            edit->setText(path);
    });
    row->addWidget(edit, 1);
    row->addWidget(browse);
    return edit;
}

Failure problem(const QString& text)
{
    return {Code::Usage, text};
}

// A problem as the list shows it: a value refused also names its column and the field's
// caption, so that the cell is found in the table without knowing the form's object names.
QString problemText(const Failure& failure)
{
    QString text = messages::oneLine(failure.message);
    const QString field = failure.details.value(QStringLiteral("field")).toString();
    const int column = failure.details.value(QStringLiteral("column")).toInt();
    if (field.isEmpty())
        return text;
    const QString caption = field == fleet::kProviderName
                                ? QStringLiteral("SMS központ szolgáltatója")
                                : fields::caption(field);
    return column > 0 ? text + QStringLiteral(" (%1. oszlop: %2)").arg(column).arg(caption)
                      : text + QStringLiteral(" (%1)").arg(caption);
}

QProgressBar* progressOf(QTreeWidget* tree, QTreeWidgetItem* item)
{
    return qobject_cast<QProgressBar*>(tree->itemWidget(item, kProgress));
}

// A progress bar paints itself at once when its value moves, and each such paint waits for
// the display: with thirty modules changing step in one tick the window stood still for a
// third of a second. Held, the rows changed together are painted once, afterwards.
class HeldPainting
{
public:
    explicit HeldPainting(QWidget* widget) : m_widget(widget)
    {
        m_widget->setUpdatesEnabled(false);
    }
    ~HeldPainting() { m_widget->setUpdatesEnabled(true); }
    HeldPainting(const HeldPainting&) = delete;
    HeldPainting& operator=(const HeldPainting&) = delete;

private:
    QWidget* m_widget;
};

} // namespace

FleetDialog::FleetDialog(FormSource form, fleet::Observer& observer, QWidget* parent)
    : QDialog(parent), m_form(std::move(form)), m_observer(observer)
{
    setObjectName(QStringLiteral("FleetDialog"));
    setWindowTitle(kTitle);
    auto* layout = new QVBoxLayout(this);
    buildSource(layout);
    m_ports = new QTreeWidget(this);
    m_ports->setObjectName(QStringLiteral("ports"));
    m_ports->setColumnCount(kColumns);
    m_ports->setHeaderLabels({QStringLiteral("Port"), QStringLiteral("Eszköz"),
                              QStringLiteral("Modul"), QStringLiteral("Folyamat"),
                              QStringLiteral("Eredmény")});
    m_ports->setRootIsDecorated(false);
    m_ports->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_ports->header()->setStretchLastSection(true);
    layout->addWidget(m_ports, 1);
    buildOptions(layout);
    m_problems = new QListWidget(this);
    m_problems->setObjectName(QStringLiteral("problems"));
    m_problems->setVisible(false);
    layout->addWidget(m_problems);
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("summary"));
    layout->addWidget(m_summary);
    buildButtons(layout);
    m_tick = new QTimer(this);
    m_tick->setInterval(kTickMs);
    connect(m_tick, &QTimer::timeout, this, &FleetDialog::showProgress);
    resize(900, 560);
    listPorts();
    // Without a module connected the file is the one thing to give first.
    if (!m_form)
        m_fileEdit->setFocus();
}

FleetDialog::~FleetDialog()
{
    // The runs wait for their threads; a stop makes that a matter of one byte.
    m_stop = true;
}

void FleetDialog::buildSource(QVBoxLayout* layout)
{
    auto* box = new QGroupBox(QStringLiteral("A betöltendő konfiguráció"), this);
    auto* grid = new QVBoxLayout(box);
    m_formRadio = new QRadioButton(QStringLiteral("Az űrlap tartalma"), box);
    m_formRadio->setObjectName(QStringLiteral("formSource"));
    m_formRadio->setEnabled(bool(m_form));
    m_fileRadio = new QRadioButton(QStringLiteral("Konfigurációs fájl:"), box);
    m_fileRadio->setObjectName(QStringLiteral("fileSource"));
    (m_form ? m_formRadio : m_fileRadio)->setChecked(true);
    grid->addWidget(m_formRadio);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(m_fileRadio);
    m_fileEdit = pathRow(fileRow, "file", box, [](QWidget* parent) {
        return QFileDialog::getOpenFileName(parent, QStringLiteral("Fájl megnyitása"),
                                            QStringLiteral("."),
                                            QStringLiteral("VexaGrid Files (*.vgf)"));
    });
    connect(m_fileEdit, &QLineEdit::textChanged, m_fileRadio,
            [this] { m_fileRadio->setChecked(true); });
    grid->addLayout(fileRow);
    auto* tableRow = new QHBoxLayout;
    m_tableCheck = new QCheckBox(QStringLiteral("Modulonkénti értékek táblázata (CSV):"), box);
    m_tableCheck->setObjectName(QStringLiteral("table"));
    tableRow->addWidget(m_tableCheck);
    m_tableEdit = pathRow(tableRow, "tableFile", box, [](QWidget* parent) {
        return QFileDialog::getOpenFileName(parent, QStringLiteral("Táblázat megnyitása"),
                                            QStringLiteral("."),
                                            QStringLiteral("CSV (*.csv);;Minden fájl (*)"));
    });
    connect(m_tableEdit, &QLineEdit::textChanged, m_tableCheck,
            [this](const QString& text) { m_tableCheck->setChecked(!text.isEmpty()); });
    grid->addLayout(tableRow);
    layout->addWidget(box);
}

void FleetDialog::buildOptions(QVBoxLayout* layout)
{
    auto* row = new QHBoxLayout;
    m_verifyCheck = new QCheckBox(QStringLiteral("Ellenőrzés betöltés után"), this);
    m_verifyCheck->setObjectName(QStringLiteral("verify"));
    m_verifyCheck->setChecked(true);
    row->addWidget(m_verifyCheck);
    m_backupCheck = new QCheckBox(QStringLiteral("Mentés betöltés előtt"), this);
    m_backupCheck->setObjectName(QStringLiteral("backup"));
    row->addWidget(m_backupCheck);
    m_backupEdit = pathRow(row, "backupFolder", this, [](QWidget* parent) {
        return QFileDialog::getExistingDirectory(parent, QStringLiteral("Mentések könyvtára"));
    });
    connect(m_backupEdit, &QLineEdit::textChanged, m_backupCheck,
            [this](const QString& text) { m_backupCheck->setChecked(!text.isEmpty()); });
    layout->addLayout(row);
}

void FleetDialog::buildButtons(QVBoxLayout* layout)
{
    auto* row = new QHBoxLayout;
    m_searchButton = button(QStringLiteral("Keresés"), "search", this);
    m_startButton = button(QStringLiteral("Indítás"), "start", this);
    m_stopButton = button(QStringLiteral("Leállítás"), "stop", this);
    m_saveButton = button(QStringLiteral("Eredmények mentése..."), "saveResults", this);
    auto* close = button(QStringLiteral("Bezárás"), "close", this);
    m_stopButton->setEnabled(false);
    m_saveButton->setEnabled(false);
    connect(m_searchButton, &QPushButton::clicked, this, &FleetDialog::search);
    connect(m_startButton, &QPushButton::clicked, this, &FleetDialog::start);
    connect(m_stopButton, &QPushButton::clicked, this, &FleetDialog::stop);
    connect(m_saveButton, &QPushButton::clicked, this, &FleetDialog::saveResults);
    connect(close, &QPushButton::clicked, this, &FleetDialog::reject);
    row->addWidget(m_searchButton);
    row->addStretch(1);
    row->addWidget(m_startButton);
    row->addWidget(m_stopButton);
    row->addWidget(m_saveButton);
    row->addWidget(close);
    layout->addLayout(row);
}

// Every port of the map, each with its device and whether it opens; nothing is asked yet.
void FleetDialog::listPorts()
{
    m_ports->clear();
    if (const Expected<void> map = fleet::deviceMapUsable(); !map) {
        showProblems({map.failure()});
        return;
    }
    for (const PortMap::PortState& state : PortMap::portStates()) {
        QTreeWidgetItem* item = rowOf(state.name, true);
        item->setText(kDevice, porttexts::summary(state));
        item->setCheckState(kPort, Qt::Unchecked);
    }
}

QTreeWidgetItem* FleetDialog::rowOf(const QString& port, bool add)
{
    for (int i = 0; i < m_ports->topLevelItemCount(); ++i) {
        if (m_ports->topLevelItem(i)->text(kPort) == port)
            return m_ports->topLevelItem(i);
    }
    if (!add)
        return nullptr;
    // In port order, where a table's port that is not in the map goes too.
    int at = 0;
    while (at < m_ports->topLevelItemCount() &&
           PortMap::portNumber(m_ports->topLevelItem(at)->text(kPort)) < PortMap::portNumber(port))
        ++at;
    auto* item = new QTreeWidgetItem({port});
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(kPort, Qt::Unchecked);
    m_ports->insertTopLevelItem(at, item);
    auto* bar = new QProgressBar(m_ports);
    bar->setRange(0, 1);
    bar->setValue(0);
    bar->setTextVisible(false);
    m_ports->setItemWidget(item, kProgress, bar);
    return item;
}

void FleetDialog::search()
{
    if (isRunning())
        return;
    listPorts();
    m_identified.clear();
    if (const Expected<void> ready = m_observer.ready(); !ready) {
        showProblems({ready.failure()});
        return;
    }
    m_stop = false;
    const fleet::Candidates candidates = fleet::searchCandidates();
    fleet::Setup setup;
    setup.stop = &m_stop;
    setup.observer = &m_observer;
    m_search = std::make_unique<fleet::Run>(candidates.ports, setup, fleet::searchTask);
    for (const fleet::Target& target : candidates.ports)
        rowOf(target.port, true)->setText(kOutcome, fleet::phaseName(fleet::Phase::Identify));
    connect(m_search.get(), &fleet::Run::finished, this,
            [this, candidates] { searched(candidates); });
    setBusy(true);
    m_search->start();
}

// The search's answers on the rows; the ports where a module answered are checked.
void FleetDialog::searched(const fleet::Candidates& candidates)
{
    const fleet::Targets found = fleet::sortAnswers(candidates, m_search->results());
    m_search.release()->deleteLater(); // we are in its signal
    for (int i = 0; i < m_ports->topLevelItemCount(); ++i) {
        m_ports->topLevelItem(i)->setCheckState(kPort, Qt::Unchecked);
        m_ports->topLevelItem(i)->setText(kOutcome, QString());
    }
    for (const fleet::Target& module : found.modules) {
        QTreeWidgetItem* item = rowOf(module.port, true);
        item->setCheckState(kPort, Qt::Checked);
        if (module.identification) {
            item->setText(kModule, fleet::identificationText(*module.identification));
            m_identified.insert(module.port, *module.identification);
        }
    }
    for (const conversation::Result& answer : found.notModules)
        rowOf(answer.port.name, true)
            ->setText(kModule,
                      QStringLiteral("nem modul (%1)").arg(fleet::notModuleReason(answer)));
    for (const fleet::Result& failure : found.failures)
        rowOf(failure.port, true)->setText(kOutcome, failure.message);
    setBusy(false);
    emit searchFinished();
}

// The whole plan, every problem of it listed: the configuration, the table, the backup folder.
std::optional<fleet::Plans> FleetDialog::planned(QList<Failure>& problems)
{
    const QString table = m_tableCheck->isChecked() ? m_tableEdit->text() : QString();
    if (m_tableCheck->isChecked() && table.isEmpty())
        problems << problem(QStringLiteral("Nincs kiválasztva a táblázat."));
    std::optional<fleet::Plans> plans;
    if (m_formRadio->isChecked()) {
        const std::optional<Configuration> form = m_form();
        if (!form)
            return std::nullopt; // the download's own box has said why
        const QStringList defaults = fleet::loadDefaults(QString()).valueOr({});
        plans = fleet::makePlans(*form, defaults, QStringLiteral("az űrlap"), {}, table);
    } else if (m_fileEdit->text().isEmpty()) {
        problems << problem(QStringLiteral("Nincs kiválasztva a konfigurációs fájl."));
    } else {
        plans = fleet::makePlans(m_fileEdit->text(), QString(), {}, table);
    }
    if (plans)
        problems += plans->problems;
    if (m_backupCheck->isChecked()) {
        if (m_backupEdit->text().isEmpty())
            problems << problem(QStringLiteral("Nincs megadva a mentések könyvtára."));
        else if (const Expected<void> folder = fleet::outputs::ensureFolder(m_backupEdit->text());
                 !folder)
            problems << folder.failure();
    }
    return plans;
}

// The ports to write: a table's own, otherwise the ones checked.
QList<fleet::Target> FleetDialog::targets(const fleet::Plans& plans, QList<Failure>& problems)
{
    const QStringList tablePorts = plans.tablePorts();
    if (!tablePorts.isEmpty()) {
        for (int i = 0; i < m_ports->topLevelItemCount(); ++i)
            m_ports->topLevelItem(i)->setCheckState(kPort, Qt::Unchecked);
        for (const QString& port : tablePorts)
            rowOf(port, true)->setCheckState(kPort, Qt::Checked);
    }
    QList<fleet::Target> chosen;
    for (int i = 0; i < m_ports->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = m_ports->topLevelItem(i);
        const QString port = item->text(kPort);
        if (item->checkState(kPort) != Qt::Checked)
            continue;
        chosen.append({port, m_identified.contains(port)
                                 ? std::optional<conversation::Result>(m_identified.value(port))
                                 : std::nullopt});
    }
    if (chosen.isEmpty())
        problems << problem(QStringLiteral("Nincs kiválasztott port."));
    return chosen;
}

void FleetDialog::showProblems(const QList<Failure>& problems)
{
    m_problems->clear();
    for (const Failure& failure : problems)
        m_problems->addItem(problemText(failure));
    m_problems->setVisible(!problems.isEmpty());
}

void FleetDialog::start()
{
    if (isRunning())
        return;
    QList<Failure> problems;
    std::optional<fleet::Plans> plans = planned(problems);
    if (!plans && problems.isEmpty())
        return;
    QList<fleet::Target> chosen;
    if (plans && plans->ok())
        chosen = targets(*plans, problems);
    if (problems.isEmpty()) {
        if (const Expected<void> ready = m_observer.ready(); !ready)
            problems << ready.failure();
    }
    showProblems(problems);
    if (!problems.isEmpty()) {
        m_summary->setText(QStringLiteral("Egyik modullal sem történt semmi: előbb a fenti "
                                          "hibákat kell kijavítani."));
        return;
    }
    launch(chosen, std::make_shared<const fleet::Plans>(std::move(*plans)));
}

void FleetDialog::launch(const QList<fleet::Target>& chosen,
                         std::shared_ptr<const fleet::Plans> plans)
{
    m_stop = false;
    m_results.clear();
    m_summary->clear();
    for (int i = 0; i < m_ports->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_ports->topLevelItem(i);
        item->setText(kOutcome, QString());
        item->setToolTip(kOutcome, QString());
        progressOf(m_ports, item)->setRange(0, 1);
        progressOf(m_ports, item)->setValue(0);
    }
    fleet::Setup setup;
    setup.stop = &m_stop;
    setup.observer = &m_observer;
    setup.defaults = plans->defaults;
    const QString backup = m_backupCheck->isChecked() ? m_backupEdit->text() : QString();
    const bool verify = m_verifyCheck->isChecked();
    m_run = std::make_unique<fleet::Run>(
        chosen, setup, [plans, backup, verify](fleet::Context& context) {
            return fleet::writeTask(context, plans->writeJob(context.port, backup, verify));
        });
    connect(m_run.get(), &fleet::Run::moduleFinished, this, &FleetDialog::moduleDone);
    connect(m_run.get(), &fleet::Run::finished, this, &FleetDialog::runDone);
    setBusy(true);
    m_tick->start();
    m_run->start();
}

void FleetDialog::showProgress()
{
    if (!m_run)
        return;
    const HeldPainting held(m_ports);
    for (const fleet::Running& module : m_run->modules()) {
        QTreeWidgetItem* item = rowOf(module.port);
        const auto phase = fleet::Phase(module.progress->phase.load());
        if (!item || phase == fleet::Phase::Done || phase == fleet::Phase::Failed)
            continue;
        QProgressBar* bar = progressOf(m_ports, item);
        bar->setRange(0, std::max(1, module.progress->maximum.load()));
        bar->setValue(std::min(module.progress->value.load(), bar->maximum()));
        item->setText(kOutcome, fleet::phaseName(phase));
    }
}

void FleetDialog::moduleDone(int index)
{
    const fleet::Result& result = m_run->result(index);
    QTreeWidgetItem* item = rowOf(result.port);
    if (!item)
        return;
    const HeldPainting held(m_ports);
    QProgressBar* bar = progressOf(m_ports, item);
    bar->setRange(0, 1);
    bar->setValue(result.ok ? 1 : 0);
    item->setText(kOutcome, messages::oneLine(result.message));
    item->setToolTip(kOutcome, (QStringList{result.message} + result.more).join(u'\n'));
    const QString module = result.keys.value(QStringLiteral("identification")).toString();
    if (!module.isEmpty())
        item->setText(kModule, module);
}

void FleetDialog::runDone()
{
    m_tick->stop();
    m_results = m_run->results();
    m_run.release()->deleteLater(); // we are in its signal
    m_summary->setText(fleet::summary(m_results));
    setBusy(false);
    m_saveButton->setEnabled(!m_results.isEmpty());
    emit runFinished();
    if (m_closeWhenDone)
        QDialog::reject();
}

void FleetDialog::setBusy(bool busy)
{
    m_searchButton->setEnabled(!busy);
    m_startButton->setEnabled(!busy);
    m_stopButton->setEnabled(busy);
    m_saveButton->setEnabled(!busy && !m_results.isEmpty());
    // Fitting the columns to their contents measures every row again at each changed text;
    // while the rows change many times a second the columns keep their widths, and fit
    // again at the end.
    m_ports->header()->setSectionResizeMode(busy ? QHeaderView::Interactive
                                                 : QHeaderView::ResizeToContents);
}

void FleetDialog::stop()
{
    // No module starts another step; a write stops between two bytes.
    m_stop = true;
}

void FleetDialog::saveResults()
{
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Eredmények mentése"),
                                     QStringLiteral("."), QStringLiteral("CSV (*.csv)"));
    if (path.isEmpty())
        return;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(fleetdialog::resultsCsv(m_results)) < 0 ||
        !file.commit())
        messagebox::critical(this, kTitle,
                             QStringLiteral("A fájl mentése nem sikerült: %1").arg(path));
}

bool FleetDialog::askToStop()
{
    QMessageBox box(QMessageBox::Question, kTitle,
                    QStringLiteral("A modulok programozása még tart. Leállítja, és bezárja az "
                                   "ablakot?"),
                    QMessageBox::Yes | QMessageBox::No, this);
    return box.exec() == QMessageBox::Yes;
}

void FleetDialog::reject()
{
    if (!isRunning()) {
        QDialog::reject();
        return;
    }
    if (m_closeWhenDone || !askToStop())
        return;
    // Closed once the modules' threads have ended, never with one left behind.
    m_closeWhenDone = true;
    stop();
    if (m_search) {
        connect(m_search.get(), &fleet::Run::finished, this, [this] { QDialog::reject(); });
    }
}

void FleetDialog::closeEvent(QCloseEvent* event)
{
    event->ignore();
    reject();
}

namespace fleetdialog {

FleetDialog::FormSource formSource(FormContext& context)
{
    if (DeviceKind(context.settings.deviceKind) == DeviceKind::Unknown)
        return {};
    return [&context]() -> std::optional<Configuration> {
        if (!download::prepare(context))
            return std::nullopt;
        return bindings::take(context.ui);
    };
}

void run(FormContext& context, fleet::Observer& observer)
{
    FleetDialog dialog(formSource(context), observer, context.window);
    dialog.exec();
}

QByteArray resultsCsv(const QList<fleet::Result>& results)
{
    QList<QStringList> rows{{QStringLiteral("port"), QStringLiteral("modul"),
                             QStringLiteral("eredmény"), QStringLiteral("üzenet"),
                             QStringLiteral("mentés")}};
    for (const fleet::Result& result : results) {
        rows.append({result.port, result.keys.value(QStringLiteral("identification")).toString(),
                     result.finished() ? fleet::kindName(fleet::kindOf(result))
                                       : QStringLiteral("befejezetlen"),
                     messages::oneLine(result.message),
                     result.keys.value(QStringLiteral("backup")).toString()});
    }
    return fleet::csv::write(rows);
}

} // namespace fleetdialog
