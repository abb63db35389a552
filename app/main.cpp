#include "VindraApp.h"

#include <QApplication>

#if !VINDRA_HAS_MDNS_QUERIER
#include "LocalizedText.h"
#include <QMainWindow>
#endif

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
#if VINDRA_HAS_MDNS_QUERIER
    VindraApp vindra(application);
#else
    // Interim: the bare shell while the process's mDNS querier is not yet in platform/.
    AppDelegate delegate;
    QMainWindow window;
    window.setWindowTitle(localizedText("applicationName"));
    window.setMinimumSize(1000, 450);
    delegate.installApplicationMenu(window);
    window.show();
#endif
    return QApplication::exec();
}
