#pragma once

#include "discovery/ChangeCoalescer.h"
#include "discovery/Model.h"
#include "platform/LocalNetworks.h"

#include <QMainWindow>

#include <memory>

class AppDelegate;
class MainWindowView;

// The application's one main window: titled by "applicationName", with the application menu of
// `delegate` and a MainWindowView as its content (at least 1000 × 450). Making the window makes
// the view, and with it the model and the first search.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    // Null `model` or `networks` let the view make its own; `nextTurn` goes to the view (see
    // MainWindowView).
    explicit MainWindow(AppDelegate &delegate, std::unique_ptr<Model> model = nullptr,
                        std::unique_ptr<LocalNetworks> networks = nullptr,
                        QWidget *parent = nullptr, const ChangeCoalescer::Post &nextTurn = {});
    ~MainWindow() override;

    MainWindowView &view() const { return *m_view; }

private:
    MainWindowView *m_view = nullptr;
};
