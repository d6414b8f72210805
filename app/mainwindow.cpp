#include "app/mainwindow.h"

#include "app/about.h"
#include "app/configfiles.h"
#include "app/download.h"
#include "app/fleetdialog.h"
#include "app/historydialog.h"
#include "app/portselection.h"
#include "app/readup.h"
#include "app/sheetfile.h"
#include "app/statusquery.h"
#include "app/windowrecord.h"
#include "app/windowsync.h"
#include "core/maker.h"
#include "core/runtimefiles.h"
#include "fleet/recorder.h"
#include "form/bindings.h"
#include "form/checks.h"
#include "form/departurefilter.h"
#include "form/interfacestate.h"
#include "form/messagebox.h"
#include "form/statusbar.h"
#include "ui_mainwindow.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QUrl>

namespace {

void setActionIcon(QAction* action, const QString& resource)
{
    QIcon icon;
    icon.addPixmap(QPixmap(resource), QIcon::Normal, QIcon::Off);
    action->setIcon(icon);
}

// "Courier" is not installed on Linux; the style hint lets the font system fall back
// to a monospace face, so the fixed-width fields still line up.
void hintTypewriterFonts(QWidget* root)
{
    const auto widgets = root->findChildren<QWidget*>();
    for (QWidget* widget : widgets) {
        if (widget->font().family() == QLatin1String("Courier")) {
            QFont font = widget->font();
            font.setStyleHint(QFont::TypeWriter);
            widget->setFont(font);
        }
    }
}

void setActionIcons(Ui::MainWindow& ui)
{
    setActionIcon(ui.actionOpen, QStringLiteral(":/img/img/open.png"));
    setActionIcon(ui.actionSave, QStringLiteral(":/img/img/save.png"));
    setActionIcon(ui.actionSaveAs, QStringLiteral(":/img/img/save.png"));
    setActionIcon(ui.actionExit, QStringLiteral(":/img/img/exit_icon.png"));
    setActionIcon(ui.actionAbout, QStringLiteral(":/img/img/info_icon.png"));
    setActionIcon(ui.actionReadup, QStringLiteral(":/img/img/up.png"));
    setActionIcon(ui.actionDownload, QStringLiteral(":/img/img/down.png"));
}

} // namespace

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), ui(new Ui::MainWindow), m_history(std::make_unique<WindowRecord>(this))
{
    ui->setupUi(this);
    bindings::applyFieldFacts(*ui);
    hintTypewriterFonts(this);

    setActionIcons(*ui);

    connectActions();
    connectFields();

    auto* versionLabel = new QLabel(QStringLiteral("v%1   ").arg(m_settings.version), this);
    ui->menuBar->setCornerWidget(versionLabel, Qt::TopRightCorner);

    fileLabel = new QLabel(QStringLiteral("Nincs megnyitott fájl."), this);
    statusBar()->insertWidget(0, fileLabel, 1);
    // Two blanks before "Baud" at start-up; the port dialog writes the label with three
    // (portselection.cpp). Both are the window's own texts.
    portLabel =
        new QLabel(QStringLiteral("%1  Baud: %2").arg(m_settings.port).arg(m_settings.baud), this);
    statusBar()->insertWidget(1, portLabel, 1);
    m_settings.linkText = maker::copyrightLink();
    linkLabel = statusbar::insertLinkLabel(statusBar(), m_settings.linkText);
    m_sync = new WindowSync(m_history->location(), statusBar(), this);
    m_history->onSettled([this] { m_sync->request(); });
    m_sync->request();

    ui->actionVerify->setVisible(false);
    ui->verify_gomb->hide();
    ui->tabWidget->setCurrentIndex(0);
    // The layout disables the analog page.
    setVexaGridUI();
    m_settings.deviceImage = QStringLiteral("i_vg-3.dll");
    showDeviceImage();
    globalDisableUI();
}

// The menu's actions and the buttons to the window's slots.
void MainWindow::connectActions()
{
    connect(ui->actionNew, &QAction::triggered, this, &MainWindow::newfile);
    connect(ui->actionOpen, &QAction::triggered, this, &MainWindow::openfile);
    connect(ui->actionSave, &QAction::triggered, this, &MainWindow::save);
    connect(ui->actionSaveAs, &QAction::triggered, this, &MainWindow::saveas);
    connect(ui->actionHistory, &QAction::triggered, this, &MainWindow::history);
    connect(ui->actionSheet, &QAction::triggered, this, &MainWindow::sheet);
    connect(ui->actionFleet, &QAction::triggered, this, [this] {
        FormContext here = context();
        // Every exchange of the dialog goes into the window's record, one run id for the
        // dialog; a write whose event cannot be stored is refused before any module is touched.
        fleet::Recorder recorder(m_history->location(), fleet::Recorder::Writes::Yes);
        fleetdialog::run(here, recorder);
        m_sync->request();
    });
    connect(ui->actionExit, &QAction::triggered, this, &MainWindow::close);
    connect(ui->actionPort, &QAction::triggered, this, &MainWindow::show_port);
    connect(ui->actionDownload, &QAction::triggered, this, &MainWindow::download);
    connect(ui->actionReadup, &QAction::triggered, this, &MainWindow::readup);
    connect(ui->actionVerify, &QAction::triggered, this, &MainWindow::verify_func);
    connect(ui->actionAbout, &QAction::triggered, this, &MainWindow::nevjegy);
    connect(ui->actionContents, &QAction::triggered, this, &MainWindow::contents);
    connect(ui->allapot_gomb, &QPushButton::clicked, this, &MainWindow::allapot);
    connect(ui->port_gomb, &QPushButton::clicked, this, &MainWindow::show_port);
    connect(ui->download_gomb, &QPushButton::clicked, this, &MainWindow::download);
    connect(ui->upload_gomb, &QPushButton::clicked, this, &MainWindow::readup);
    connect(ui->verify_gomb, &QPushButton::clicked, this, &MainWindow::verify_func);
}

// Every field to the check of its group and the rules that follow it.
void MainWindow::connectFields()
{
    // Leaving any line edit of a group re-checks that group (see DepartureFilter).
    using fieldchecks::Group;
    const struct
    {
        Group group;
        void (MainWindow::*check)();
    } checkedGroups[] = {{Group::General, &MainWindow::check_general},
                         {Group::Telephone, &MainWindow::check_tel},
                         {Group::Inputs, &MainWindow::check_be},
                         {Group::Outputs, &MainWindow::check_ki},
                         {Group::Activation, &MainWindow::check_activate}};
    for (const auto& entry : checkedGroups) {
        QGroupBox* box = bindings::groupBox(*ui, entry.group);
        auto* filter = new DepartureFilter(box);
        filter->watchGroup(box);
        connect(filter, &DepartureFilter::departed, this, entry.check);
    }
    connect(ui->smskp_combo, &QComboBox::currentIndexChanged, this, &MainWindow::smskpSelect);
    const auto boxes = ui->g_tel->findChildren<QCheckBox*>();
    for (QCheckBox* box : boxes)
        connect(box, &QCheckBox::stateChanged, this, &MainWindow::check_cbs);
}

MainWindow::~MainWindow()
{
    // A sync still running ends within its limit; it is waited for while the window is whole.
    delete m_sync;
    // Destroying the focused field moves the focus, which would run a check on a
    // window that is half gone.
    const auto filters = findChildren<DepartureFilter*>();
    for (DepartureFilter* filter : filters)
        delete filter;
    delete ui;
}

void MainWindow::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
}

FormContext MainWindow::context()
{
    return FormContext{*ui, m_settings, this, portLabel, fileLabel, linkLabel};
}

void MainWindow::showDeviceImage()
{
    // A missing or unreadable picture leaves the label empty; nothing is reported.
    ui->image->setPixmap(QPixmap(runtimefiles::locate(m_settings.deviceImage)));
}

void MainWindow::newfile()
{
    FormContext ctx = context();
    configfiles::newFile(ctx);
}

void MainWindow::openfile()
{
    FormContext ctx = context();
    configfiles::open(ctx);
}

void MainWindow::save()
{
    FormContext ctx = context();
    configfiles::save(ctx);
}

void MainWindow::saveas() {}

void MainWindow::verify_func()
{
    ui->tabWidget->setCurrentIndex(0);
}

void MainWindow::show_port()
{
    // The device button searches the ports at once; the menu entry does not.
    const bool fromButton = sender() && sender()->objectName() == QLatin1String("port_gomb");
    FormContext ctx = context();
    portselection::run(ctx, fromButton, *m_history);
}

void MainWindow::setVexaGridUI()
{
    interfacestate::applyVexaGridLayout(*ui);
}

void MainWindow::globalDisableUI()
{
    interfacestate::lock(*ui);
}

void MainWindow::globalEnableUI()
{
    interfacestate::unlock(*ui);
}

void MainWindow::download()
{
    FormContext ctx = context();
    download::run(ctx, *m_history);
}

void MainWindow::readup()
{
    FormContext ctx = context();
    readup::run(ctx, *m_history);
}

void MainWindow::nevjegy()
{
    // Each call opens a further box; they belong to the window and live with it.
    auto* box = new about(m_settings.version, this);
    box->show();
}

void MainWindow::contents()
{
    // The desktop service reports success on Linux as soon as a viewer starts, even
    // for a missing file, so the file's presence is checked first.
    const QString manual = runtimefiles::locate(QStringLiteral("vexagrid-help.pdf"));
    const QFileInfo info(manual);
    if (!info.isFile() || !QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath())))
        messagebox::critical(this, QStringLiteral("Help"),
                             QStringLiteral("Hiba! A dokumentáció nem nyitható meg."));
}

void MainWindow::check_general()
{
    checks::run(fieldchecks::Group::General, *ui, this);
}

void MainWindow::check_tel()
{
    checks::run(fieldchecks::Group::Telephone, *ui, this);
}

void MainWindow::check_be()
{
    checks::run(fieldchecks::Group::Inputs, *ui, this);
}

void MainWindow::check_ki()
{
    checks::run(fieldchecks::Group::Outputs, *ui, this);
}

void MainWindow::check_activate()
{
    checks::run(fieldchecks::Group::Activation, *ui, this);
}

void MainWindow::check_cbs()
{
    bindings::followPermissions(*ui);
}

void MainWindow::allapot()
{
    FormContext ctx = context();
    statusquery::run(ctx, *m_history);
}

void MainWindow::smskpSelect()
{
    bindings::followProvider(*ui);
}

void MainWindow::sheet()
{
    FormContext ctx = context();
    sheetfile::save(ctx);
}

void MainWindow::history()
{
    const Expected<record::Record*> opened = m_history->open();
    if (!opened) {
        messagebox::critical(this, QStringLiteral("Előzmények"), opened.failure().message);
        return;
    }
    HistoryDialog dialog(
        **opened, m_history->moduleId(),
        [this](const QStringList& lines, const QString& name) {
            FormContext ctx = context();
            configfiles::openLines(ctx, lines, name);
        },
        this);
    dialog.exec();
}
