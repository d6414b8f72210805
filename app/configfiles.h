#pragma once

#include <QString>
#include <QStringList>

class QWidget;
struct FormContext;

// Save, Open and New: the form written to and read from configuration files.
namespace configfiles {

void save(FormContext& context);
void open(FormContext& context);
// Open of a configuration that is no file (a recorded one): its lines on the form with Open's
// checks and boxes, the status bar naming it `name`.
void openLines(FormContext& context, const QStringList& lines, const QString& name);
// Save's dialog and boxes for any configuration's lines: the file saved, "" when the user
// cancelled or it could not be saved.
QString saveLines(QWidget* parent, const QStringList& lines);
// A new configuration from the defaults file "defval_vg.dll"; silently nothing when
// the file is missing or incomplete.
void newFile(FormContext& context);

} // namespace configfiles
