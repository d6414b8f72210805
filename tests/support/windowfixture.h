#pragma once

#include "app/mainwindow.h"
#include "record/event.h"

#include <QString>

#include <optional>

class QLineEdit;
class QWidget;

namespace fixture {

// A main window as it is once a module has been identified: shown, active, unlocked
// and laid out for the VexaGrid-3. The caller owns it.
MainWindow* connectedWindow();

// The user leaves `edit` for `next`: focus in, then focus out.
void leave(QLineEdit* edit, QWidget* next);

// The newest event of the record the windows write into (VEXAGRID_RECORD), with the lines
// of its configuration; none when the record holds none.
struct RecordedEvent
{
    record::Event event;
    QStringList configuration;
};
std::optional<RecordedEvent> lastEvent();

// The source tree and the folder with the built program's runtime files.
QString sourcePath(const QString& relative);

} // namespace fixture
