#pragma once

class QUrl;

// Hands `url` to the desktop's handler for its scheme (the default browser for http and https).
// Tests replace the handler with QDesktopServices::setUrlHandler.
void openUrl(const QUrl &url);
