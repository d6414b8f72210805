#pragma once

#include <QImage>
#include <QSize>

// The module picture beside the form ("i_vg-3.dll"): a front view of the VexaGrid-3 on
// its DIN rail. The main window shows it in a 251 × 256 label at its own size; the
// manual uses it scaled up.
namespace modulepicture {

inline constexpr QSize size{251, 256};

// The picture at `scale` times its own size, on a transparent background.
QImage render(qreal scale = 1.0);

} // namespace modulepicture
