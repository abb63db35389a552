#include "MainWindow.h"

#include "AppDelegate.h"
#include "LocalizedText.h"

namespace
{
constexpr QSize minimumContentSize(1000, 450);
}

MainWindow::MainWindow(AppDelegate &delegate, QWidget *parent)
    : QMainWindow(parent)
{
    setWindowTitle(localizedText("applicationName"));
    delegate.installApplicationMenu(*this);
    auto *content = new QWidget(this);
    content->setMinimumSize(minimumContentSize);
    content->setAutoFillBackground(true);
    setCentralWidget(content);
}
