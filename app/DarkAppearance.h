#pragma once

// Draws the whole application dark, whatever the desktop's own setting: the Fusion style with a
// palette made of the application's named colours. Call it before the first window is shown.
void applyDarkAppearance();

class QWidget;

// Asks the window manager to frame `window` in its dark variant: on X11 the window property
// _GTK_THEME_VARIANT = "dark", which GNOME and others honour. Elsewhere nothing happens.
void requestDarkTitleBar(QWidget &window);
