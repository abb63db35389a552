#include "MainWindow.h"

#include "AppDelegate.h"
#include "LocalizedText.h"
#include "MainWindowView.h"
#include "Model.h"

MainWindow::MainWindow(AppDelegate &delegate, std::unique_ptr<Model> model, QWidget *parent)
    : QMainWindow(parent)
{
    setWindowTitle(localizedText("applicationName"));
    delegate.installApplicationMenu(*this);
    m_view = new MainWindowView(std::move(model), this);
    setCentralWidget(m_view);
}

MainWindow::~MainWindow() = default;
