#include "app/MainWindow.h"

#include "app/AppDelegate.h"
#include "app/MainWindowView.h"
#include "discovery/Model.h"
#include "platform/LocalizedText.h"

MainWindow::MainWindow(AppDelegate &delegate, std::unique_ptr<Model> model, QWidget *parent)
    : QMainWindow(parent)
{
    setWindowTitle(localizedText("applicationName"));
    delegate.installApplicationMenu(*this);
    m_view = new MainWindowView(std::move(model), this);
    setCentralWidget(m_view);
}

MainWindow::~MainWindow() = default;
