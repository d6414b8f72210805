#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

// The program's icons. Each one is drawn in its own logical square (32 or 64 units)
// and can be rendered at any size; the files in resources/img are the renderings at
// the icon's own size.
namespace icons {

// The file names under resources/img, in a stable order.
QStringList fileNames();

// The icon `fileName` rendered at `size` pixels (0: its own size). A null image for a
// name that is not one of fileNames().
QImage render(const QString& fileName, int size = 0);

// The application icon of the desktop entry: the module with the download arrow.
QImage applicationIcon(int size);

// Writes every icon into `dir`. On failure, returns false and names the file in `error`.
bool writeAll(const QString& dir, QString* error);

} // namespace icons
