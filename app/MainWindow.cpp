#include "app/MainWindow.h"

#include "app/AppDelegate.h"
#include "app/MainWindowView.h"
#include "discovery/Model.h"
#include "platform/LocalizedText.h"

MainWindow::MainWindow(AppDelegate &delegate, std::unique_ptr<Model> model,
                       std::unique_ptr<LocalNetworks> networks, QWidget *parent,
                       const ChangeCoalescer::Post &nextTurn)
    : QMainWindow(parent)
{
    setWindowTitle(localizedText("applicationName"));
    delegate.installApplicationMenu(*this);
    m_view = new MainWindowView(std::move(model), std::move(networks), this, nextTurn);
    setCentralWidget(m_view);
}

MainWindow::~MainWindow() = default;
