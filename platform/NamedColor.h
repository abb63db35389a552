#pragma once

#include <QColor>
#include <QString>

// A colour by its name, "#" followed by six hexadecimal digits spelling red, green and blue.
// A name of any other form gives an invalid QColor.
QColor namedColor(const QString &name);
