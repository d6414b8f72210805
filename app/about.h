#pragma once

#include <QDialog>

namespace Ui {
class about;
}

// The about box: the program's name, the maker, the author line and the version.
class about : public QDialog
{
    Q_OBJECT
public:
    explicit about(const QString& version, QWidget* parent = nullptr);
    ~about() override;

private:
    Ui::about* ui;
};
