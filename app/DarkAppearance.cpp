#include "app/DarkAppearance.h"

#include "platform/NamedColor.h"

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

void applyDarkAppearance()
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    const QColor background = namedColor(AppColor::kBackground);
    const QColor header = namedColor(AppColor::kHeader);
    const QColor button = namedColor(AppColor::kButton);
    const QColor buttonHovered = namedColor(AppColor::kButtonHovered);
    const QColor border = namedColor(AppColor::kBorder);
    const QColor selected = namedColor(AppColor::kSelectedRow);
    const QColor text = namedColor(AppColor::kText);
    const QColor link = namedColor(AppColor::kHoveredLink);

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

void requestDarkTitleBar(QWidget &window)
{
    // Other platforms may answer for X11 too (offscreen does, without a connection).
    const auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !x11 || !x11->connection())
        return;
    xcb_connection_t *connection = x11->connection();
    const auto atom = [connection](const char *name) -> xcb_atom_t {
        xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return value;
    };
    const xcb_atom_t variant = atom("_GTK_THEME_VARIANT");
    const xcb_atom_t utf8 = atom("UTF8_STRING");
    if (variant == XCB_ATOM_NONE || utf8 == XCB_ATOM_NONE)
        return;
    static constexpr char kDark[] = "dark";
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, xcb_window_t(window.winId()), variant,
                        utf8, 8, uint32_t(std::strlen(kDark)), kDark);
    xcb_flush(connection);
}
