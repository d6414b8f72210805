#include "app/about.h"

#include "ui_about.h"

about::about(const QString& version, QWidget* parent) : QDialog(parent), ui(new Ui::about)
{
    ui->setupUi(this);
    ui->l_version->setText(QStringLiteral("Version v") + version);
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

about::~about()
{
    delete ui;
}
