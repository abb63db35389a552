#include "app/DarkAppearance.h"

#include "platform/NamedColor.h"

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>

void applyDarkAppearance()
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    const QColor background = namedColor(QStringLiteral("#141414"));
    const QColor header = namedColor(QStringLiteral("#282828"));
    const QColor button = namedColor(QStringLiteral("#3D3D3D"));
    const QColor buttonHovered = namedColor(QStringLiteral("#595959"));
    const QColor border = namedColor(QStringLiteral("#707070"));
    const QColor selected = namedColor(QStringLiteral("#804100"));
    const QColor text = namedColor(QStringLiteral("#D0D0D0"));
    const QColor link = namedColor(QStringLiteral("#FFC400"));

    QPalette palette;
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, background);
    palette.setColor(QPalette::AlternateBase, header);
    palette.setColor(QPalette::ToolTipBase, header);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, border);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, button);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, link);
    palette.setColor(QPalette::Light, buttonHovered);
    palette.setColor(QPalette::Midlight, buttonHovered);
    palette.setColor(QPalette::Mid, border);
    palette.setColor(QPalette::Dark, header);
    palette.setColor(QPalette::Shadow, background);
    palette.setColor(QPalette::Highlight, selected);
    palette.setColor(QPalette::HighlightedText, text);
    palette.setColor(QPalette::Link, link);
    palette.setColor(QPalette::LinkVisited, link);
    // Disabled texts are dimmed to the border grey; everything else stays as it is.
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, border);
    QApplication::setPalette(palette);
}
