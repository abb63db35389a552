#include "platform/UrlOpener.h"

#include <QDesktopServices>
#include <QUrl>

void openUrl(const QUrl &url)
{
    QDesktopServices::openUrl(url);
}
