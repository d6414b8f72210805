#include "app/setcom.h"

#include "device/conversations.h"
#include "device/portmap.h"
#include "device/porttexts.h"
#include "form/messagebox.h"
#include "form/progress.h"
#include "ui_setcom.h"

#include <QEvent>
#include <QProgressDialog>

namespace {

// How long the dialog shows the port it found before it accepts itself.
constexpr int kAcceptDelayMs = 200;

} // namespace

setcom::setcom(const QString& port, qint32 baud, int searchTimeout, bool searchAtOnce,
               QWidget* parent)
    : QDialog(parent), ui(new Ui::setcom), initialPort(port), initialBaud(QString::number(baud)),
      searchTimeout(searchTimeout)
{
    ui->setupUi(this);
    // The extra lines below the list are laid out by hand, like the rest of the form.
    ui->portProblems->hide();
    connect(ui->comboBox, &QComboBox::currentIndexChanged, this, &setcom::showPortInfo);

    lookupCom();
    // A rate that is not in the list (0, say) leaves no item selected, and the dialog
    // then returns 0.
    ui->baudrate->setCurrentIndex(ui->baudrate->findText(initialBaud));

    acceptTimer.setSingleShot(true);
    acceptTimer.setInterval(kAcceptDelayMs);
    connect(&acceptTimer, &QTimer::timeout, this, &QDialog::accept);
    connect(ui->autoPort, &QPushButton::clicked, this, &setcom::autoLookup);
    connect(ui->reload, &QPushButton::clicked, this, &setcom::lookupCom);
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);

    if (searchAtOnce)
        autoLookup();
}

setcom::~setcom() = default;

QString setcom::port() const
{
    return ui->comboBox->currentText();
}

int setcom::baud() const
{
    // toInt() gives 0 for a text that is not a number, the empty one included.
    return ui->baudrate->currentText().toInt();
}

void setcom::lookupCom()
{
    // A refresh is the user changing their mind: a pending acceptance of a port the
    // search found no longer stands.
    acceptTimer.stop();
    ui->comboBox->clear();
    foundPorts.clear();
    states.clear();
    problems.clear();
    // One probe per port gives both the list and the reasons.
    for (const PortMap::PortState& state : PortMap::portStates()) {
        states.insert(state.name, state);
        if (state.opens)
            foundPorts.append(state.name);
        else if (PortMap::worthAHint(state))
            problems.append(porttexts::hint(state));
    }
    for (const QString& name : std::as_const(foundPorts)) {
        addPort(name);
        if (name == initialPort)
            ui->comboBox->setCurrentIndex(ui->comboBox->count() - 1);
    }
    showPortInfo();
    showProblems();
    ui->comboBox->setFocus();
}

void setcom::addPort(const QString& name)
{
    ui->comboBox->addItem(name);
    const auto state = states.constFind(name);
    if (state != states.cend())
        ui->comboBox->setItemData(ui->comboBox->count() - 1, porttexts::facts(*state),
                                  Qt::ToolTipRole);
}

void setcom::showPortInfo()
{
    const auto state = states.constFind(ui->comboBox->currentText());
    ui->portInfo->setText(state == states.cend()
                              ? QString()
                              : QStringLiteral("Eszköz: %1").arg(porttexts::facts(*state)));
}

void setcom::showProblems()
{
    ui->portProblems->setText(problems.join(QLatin1Char('\n')));
    ui->portProblems->setVisible(!problems.isEmpty());

    // The form's own height without the hints; with them the buttons move below the
    // hints and the dialog grows by as much.
    constexpr int kFormHeight = 170;
    constexpr int kButtonsY = 140;
    constexpr int kGap = 6;
    const QRect hintArea = ui->portProblems->geometry();
    int buttonsY = kButtonsY;
    if (!problems.isEmpty()) {
        const int height = ui->portProblems->heightForWidth(hintArea.width());
        ui->portProblems->setGeometry(hintArea.x(), kButtonsY, hintArea.width(), height);
        buttonsY = kButtonsY + height + kGap;
    }
    QRect buttons = ui->buttonBox->geometry();
    buttons.moveTop(buttonsY);
    ui->buttonBox->setGeometry(buttons);
    setFixedSize(width(), kFormHeight + buttonsY - kButtonsY);
}

void setcom::autoLookup()
{
    QString found;

    // The range counts the ports of the last refresh, before this search refreshes
    // the list again.
    QProgressDialog progress(QStringLiteral("Keresés..."), QStringLiteral("Megszakítás"), 0,
                             int(foundPorts.size()), parentWidget());
    // Reaching the maximum (at once when a module answers) must neither close the bar
    // nor clear a cancel the user had just pressed.
    progress::prepare(progress);
    progress.setValue(1);

    lookupCom();
    const QStringList ports = foundPorts;
    const int rate = ui->baudrate->currentText().toInt();
    for (const QString& name : ports) {
        const conversation::Result identification =
            conversation::identify(name, rate, searchTimeout);
        // A port that does not open is passed over without a step of the bar.
        if (!identification.opened())
            continue;
        // Compared as received: unlike the identification, the search does not
        // upper-case the reply, so "v_" is no module here.
        if (identification.answersSearch()) {
            found = name;
            progress.setValue(progress.maximum());
        }
        if (progress.wasCanceled()) {
            progress.close();
            return;
        }
        progress.setValue(progress.value() + 1);
    }
    progress.close();

    if (found.isEmpty()) {
        QString text = QStringLiteral("Az eszköz nem található.");
        // The module may sit on a port that did not open; say which and why.
        if (!problems.isEmpty())
            text += QLatin1Char('\n') + problems.join(QLatin1Char('\n'));
        messagebox::critical(this, QStringLiteral("Hiba"), text);
        return;
    }
    ui->comboBox->clear();
    addPort(found);
    ui->comboBox->setFocus();
    acceptTimer.start();
}

void setcom::changeEvent(QEvent* event)
{
    // The port list is what opened at the last refresh, not a text of the form, so it
    // stays as it is.
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QDialog::changeEvent(event);
}
