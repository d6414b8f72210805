#pragma once

#include "core/failure.h"
#include "core/fields.h"

#include <QDate>
#include <QString>

// The configuration sheet: one A4 page (a second only when the texts need it) that says what
// the module does, for the customer at the site: the module's name and identifier, the
// general settings, the telephone numbers in the window's grid with ticks, the inputs, the
// outputs and the activation commands, as the configuration description reads them. Black
// on white, the fonts embedded. Needs a QGuiApplication (the offscreen platform will do).
namespace sheet {

struct Source
{
    QString file;           // the configuration file it came from, "" for none
    QString identification; // the module's answer when it came from a module, "" for none
    QDate date;             // the day of the sheet
    bool pin = false;       // print the PIN's digits
};

// Writes the sheet to `path`: the pages written, or OutputFailed with why in a few words for
// the caller's sentence ("nem írható", "a PDF írása nem sikerült") and the detail "file".
Expected<int> write(const fields::Values& values, const Source& source, const QString& path);

} // namespace sheet
