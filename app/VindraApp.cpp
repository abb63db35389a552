#include "app/VindraApp.h"

#include "app/AppIcon.h"
#include "app/DarkAppearance.h"
#include "app/MainWindow.h"
#include "discovery/Model.h"
#include "platform/Translations.h"

#include <QApplication>
#include <QLocale>

VindraApp::VindraApp(QApplication &application, std::unique_ptr<Model> model,
                     std::unique_ptr<LocalNetworks> networks)
{
    QApplication::setDesktopFileName(QStringLiteral("org.vindra.Vindra"));
    QApplication::setQuitOnLastWindowClosed(true);
    // Widgets read their texts and colours when they are made: both go first.
    installTranslations(application, QLocale::system());
    applyDarkAppearance();
    QApplication::setWindowIcon(appIcon());

    m_appDelegate = std::make_unique<AppDelegate>();
    m_mainWindow =
        std::make_unique<MainWindow>(*m_appDelegate, std::move(model), std::move(networks));
    requestDarkTitleBar(*m_mainWindow);
    m_mainWindow->show();
}

VindraApp::~VindraApp() = default;
