#pragma once

#include "app/AppDelegate.h"
#include "discovery/Model.h"
#include "platform/LocalNetworks.h"

#include <memory>

class MainWindow;
class QApplication;

// The program as main() runs it: installs the texts for the system's language and the dark look,
// then makes the one AppDelegate and the main window (whose view starts the first search) and
// shows the window. The application quits when its last window closes.
class VindraApp
{
public:
    // A null `model` gives the main window a Model of the process's own mDNS querier, null
    // `networks` this machine's interfaces.
    explicit VindraApp(QApplication &application, std::unique_ptr<Model> model = nullptr,
                       std::unique_ptr<LocalNetworks> networks = nullptr);
    ~VindraApp();

    AppDelegate &appDelegate() const { return *m_appDelegate; }
    MainWindow &mainWindow() const { return *m_mainWindow; }

private:
    std::unique_ptr<AppDelegate> m_appDelegate;
    std::unique_ptr<MainWindow> m_mainWindow;
};
