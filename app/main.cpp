#include "app/mainwindow.h"
#include "record/location.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    record::loadDrivers(record::locationFromEnvironment(),
                        !qEnvironmentVariableIsEmpty("VEXAGRID_RECORD_REMOTE"));
    auto* window = new MainWindow;
    window->show();
    const int code = app.exec();
    delete window;
    return code;
}
