#include "AppDelegate.h"
#include "AppIcon.h"
#include "DarkAppearance.h"
#include "MainWindow.h"
#include "Translations.h"

#include <QApplication>
#include <QLocale>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setDesktopFileName(QStringLiteral("org.vindra.Vindra"));
    QApplication::setQuitOnLastWindowClosed(true);

    // Texts and colours are read when widgets are made: both must be in place before the first.
    installTranslations(application, QLocale::system());
    applyDarkAppearance();
    QApplication::setWindowIcon(appIcon());

    AppDelegate delegate;
    MainWindow window(delegate);
    window.show();
    return QApplication::exec();
}
