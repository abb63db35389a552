#pragma once

// Draws the whole application dark, whatever the desktop's own setting: the Fusion style with a
// palette made of the application's named colours. Call it before the first window is shown.
void applyDarkAppearance();
