#pragma once

#include "app/InfoDictionary.h"

#include <QObject>

#include <memory>

class AboutView;
class QAction;
class QMainWindow;

// The application's delegate, made once at start-up and kept for the life of the process.
// It owns the two application commands, About and Exit, and the About window.
class AppDelegate : public QObject
{
    Q_OBJECT
public:
    // `info` supplies the About window's version and copyright values.
    explicit AppDelegate(InfoLookup info = buildInfo, QObject *parent = nullptr);
    ~AppDelegate() override;

    // Gives `window` a menu bar with exactly one menu, titled by "applicationName", that holds
    // About ("aboutApplication") and Exit ("exitApplication", Ctrl+Q) and nothing else.
    void installApplicationMenu(QMainWindow &window);

    // Makes the About window on the first call and centres it on the screen; every call shows it
    // and brings it to the front. Later calls leave it where the user put it. Its title is the
    // About command's text; Escape closes it.
    void showAboutBox();

    // The About window; null until the first showAboutBox().
    QWidget *aboutBoxWindow() const;

private:
    InfoLookup m_info;
    QAction *m_aboutAction = nullptr;
    QAction *m_exitAction = nullptr;
    std::unique_ptr<AboutView> m_aboutBoxWindow;
};
