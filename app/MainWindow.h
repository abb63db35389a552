#pragma once

#include <QMainWindow>

class AppDelegate;

// The application's one main window: titled by "applicationName", with the application menu of
// `delegate` and a content area of at least 1000 × 450.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(AppDelegate &delegate, QWidget *parent = nullptr);
};
