#pragma once

#include <QColor>
#include <QString>

// A colour by its name, "#" followed by six hexadecimal digits spelling red, green and blue.
// A name of any other form gives an invalid QColor.
QColor namedColor(const QString &name);

// The application's colours, by the names they are looked up with (namedColor). These are the
// only places that spell them; everything else names the constant.
namespace AppColor
{
// Window, ordinary table rows, the About window.
inline const QString kBackground = QStringLiteral("#141414");
// Column headers.
inline const QString kHeader = QStringLiteral("#282828");
// The search button at rest, and hovered while enabled.
inline const QString kButton = QStringLiteral("#3D3D3D");
inline const QString kButtonHovered = QStringLiteral("#595959");
// The search button's border; dimmed (disabled) texts.
inline const QString kBorder = QStringLiteral("#707070");
// The selected table row.
inline const QString kSelectedRow = QStringLiteral("#804100");
// Texts: button label, header titles, link cells at rest, the About window.
inline const QString kText = QStringLiteral("#D0D0D0");
// The text of a link cell under the pointer.
inline const QString kHoveredLink = QStringLiteral("#FFC400");
} // namespace AppColor
