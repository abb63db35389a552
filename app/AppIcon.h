#pragma once

class QIcon;
class QPixmap;

// The application icon "AppIcon", drawn from its SVG in the resources.
// A pixmap of `side` × `side` device-independent pixels at the given device pixel ratio; the
// picture is stretched to fill the square whatever its own size.
QPixmap appIconPixmap(int side, double devicePixelRatio);
// The icon for window decorations, in the usual sizes.
QIcon appIcon();
