#include "app/dload.h"

#include "app/dlthread.h"
#include "core/messages.h"
#include "core/programsettings.h"
#include "ui_dload.h"

#include <QCloseEvent>
#include <QTimer>

namespace {

// How long a success stays on screen before the dialog closes itself.
constexpr int kSuccessShownMs = 2000;

} // namespace

dload::dload(const ProgramSettings& settings, QWidget* parent) : QDialog(parent), ui(new Ui::dload)
{
    ui->setupUi(this);
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &dload::reject);

    worker = std::make_unique<dlThread>(settings, ui->progressBar);
    // Connected before the start: a worker that fails at once must still be heard.
    connect(worker.get(), &QThread::finished, this, &dload::dlcomplete);
    worker->start();
}

dload::~dload()
{
    // The worker uses the progress bar until it ends; the bar goes with this dialog.
    worker->wait();
}

void dload::reject()
{
    if (!workerDone)
        return;
    QDialog::reject();
}

const conversation::Result& dload::outcome() const
{
    return worker->result();
}

void dload::dlcomplete()
{
    workerDone = true;
    showOutcome();
    ui->buttonBox->setStandardButtons(QDialogButtonBox::Ok);
    ui->buttonBox->setEnabled(true);
    if (outcome().ok()) {
        QTimer::singleShot(kSuccessShownMs, this, &QDialog::accept);
        return;
    }
    // The box says only that it failed, as it always has; the log keeps why.
    qCWarning(lcSerial).noquote() << outcome().port.name + QStringLiteral(": ") +
                                         outcome().failure().message;
}

void dload::showOutcome()
{
    if (outcome().ok())
        ui->kiiras->setText(messages::kDownloadSucceeded);
    else
        ui->kiiras->setText(messages::kDownloadFailed);
}

void dload::closeEvent(QCloseEvent* event)
{
    event->ignore();
}

void dload::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        ui->label->setText(QString());
        // Once the outcome is known it stays on screen; the running text would claim a
        // transfer that is over.
        if (workerDone)
            showOutcome();
    }
    QDialog::changeEvent(event);
}
