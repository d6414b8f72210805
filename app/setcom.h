#pragma once

#include "device/portmap.h"

#include <QDialog>
#include <QMap>
#include <QStringList>
#include <QTimer>

#include <memory>

namespace Ui {
class setcom;
}

// The port dialog: lists the COM ports that open, can search them for a module, and
// returns a port and a baud rate. The baud rate only shows the current one; the user
// cannot change it. Under the list it names the selected port's device and adapter, and
// says why a port the user may be looking for does not open.
class setcom : public QDialog
{
    Q_OBJECT

public:
    // `searchTimeout`: the longest wait for one reply byte while searching, in ms.
    // `searchAtOnce`: search before the dialog is shown (the device button does this).
    setcom(const QString& port, qint32 baud, int searchTimeout, bool searchAtOnce,
           QWidget* parent = nullptr);
    ~setcom() override;

    // The result, read once the dialog was accepted: the chosen port ("" when no port
    // opens) and the baud rate (0 when none is selected).
    QString port() const;
    int baud() const;

public slots:
    // Refreshes the list with the ports that open now.
    void lookupCom();
    // Asks every listed port for a module. A port that answers is offered alone and
    // the dialog accepts itself shortly after; when several answer, the last one wins.
    void autoLookup();

protected:
    void changeEvent(QEvent* event) override;

private:
    void showPortInfo();
    void showProblems();
    void addPort(const QString& name);

    std::unique_ptr<Ui::setcom> ui;
    QStringList foundPorts;
    // The last refresh: every port that exists, and the hints for those that do not open.
    QMap<QString, PortMap::PortState> states;
    QStringList problems;
    QString initialPort;
    QString initialBaud;
    int searchTimeout;
    QTimer acceptTimer;
};
