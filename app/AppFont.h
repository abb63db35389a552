#pragma once

#include <QFont>

// The application's font at `pixelSize` device-independent pixels. Every length of the windows,
// font sizes included, is given in these pixels, so a size-13 label keeps its proportion to a
// 44-pixel-high button whatever the screen's dots per inch.
QFont appFont(int pixelSize, QFont::Weight weight = QFont::Normal);
