#include "app/AppDelegate.h"

#include "app/AboutView.h"
#include "app/DarkAppearance.h"
#include "platform/LocalizedText.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>
#include <QShortcut>
#include <QStyle>

AppDelegate::AppDelegate(InfoLookup info, QObject *parent)
    : QObject(parent)
    , m_info(std::move(info))
    , m_aboutAction(new QAction(localizedText("aboutApplication"), this))
    , m_exitAction(new QAction(localizedText("exitApplication"), this))
{
    m_aboutAction->setMenuRole(QAction::AboutRole);
    connect(m_aboutAction, &QAction::triggered, this, &AppDelegate::showAboutBox);

    m_exitAction->setMenuRole(QAction::QuitRole);
    m_exitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(m_exitAction, &QAction::triggered, qApp, &QCoreApplication::quit);
}

AppDelegate::~AppDelegate() = default;

void AppDelegate::installApplicationMenu(QMainWindow &window)
{
    auto *menuBar = new QMenuBar(&window);
    const QString title = localizedText("applicationName");
    QMenu *applicationMenu = menuBar->addMenu(title);
    // The mnemonic: Alt and the title's first letter open the menu. It is a shortcut of its own,
    // so the title stays exactly the application's name.
    auto *mnemonic =
        new QShortcut(QKeySequence::mnemonic(QLatin1Char('&') + title.left(1)), &window);
    connect(mnemonic, &QShortcut::activated, menuBar, [menuBar, applicationMenu] {
        menuBar->setActiveAction(applicationMenu->menuAction());
    });
    applicationMenu->addAction(m_aboutAction);
    applicationMenu->addAction(m_exitAction);
    window.setMenuBar(menuBar);
}

void AppDelegate::showAboutBox()
{
    if (!m_aboutBoxWindow) {
        // Title bar with a close button only; the fixed size keeps it from being resized.
        m_aboutBoxWindow = std::make_unique<AboutView>(m_info);
        m_aboutBoxWindow->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint |
                                         Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
        m_aboutBoxWindow->setFixedSize(
            m_aboutBoxWindow->sizeHint().expandedTo(m_aboutBoxWindow->minimumSize()));
        // Without a title of its own the window would carry the executable's name.
        m_aboutBoxWindow->setWindowTitle(localizedText("aboutApplication"));
        requestDarkTitleBar(*m_aboutBoxWindow);
        // Escape closes it, as it closes a dialog.
        connect(new QShortcut(QKeySequence(Qt::Key_Escape), m_aboutBoxWindow.get()),
                &QShortcut::activated, m_aboutBoxWindow.get(), &QWidget::close);
        // Ctrl+Q quits from the About window too.
        m_aboutBoxWindow->addAction(m_exitAction);
        // The window manager's frame is not known before the window is mapped, so the content
        // is what gets centred.
        if (const QScreen *screen = QGuiApplication::primaryScreen()) {
            m_aboutBoxWindow->setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter,
                                                              m_aboutBoxWindow->size(),
                                                              screen->availableGeometry()));
        }
    }
    m_aboutBoxWindow->show();
    m_aboutBoxWindow->raise();
    m_aboutBoxWindow->activateWindow();
}

QWidget *AppDelegate::aboutBoxWindow() const
{
    return m_aboutBoxWindow.get();
}
