#include "app/AppDelegate.h"
#include "app/DarkAppearance.h"
#include "app/MainWindow.h"
#include "platform/LocalizedText.h"
#include "tests/support/ModelFixture.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStyle>
#include <QTest>

class TestAppDelegate : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void menuHoldsExactlyAboutAndExit()
    {
        AppDelegate delegate;
        ModelFixture fixture;
        MainWindow window(delegate, fixture.makeModel());

        const QList<QAction *> topLevel = window.menuBar()->actions();
        QCOMPARE(topLevel.size(), 1);
        QCOMPARE(topLevel.front()->text(), localizedText("applicationName"));
        QVERIFY(topLevel.front()->isVisible());

        const QMenu *menu = topLevel.front()->menu();
        QVERIFY(menu);
        const QList<QAction *> commands = menu->actions();
        QCOMPARE(commands.size(), 2);
        QCOMPARE(commands.at(0)->text(), localizedText("aboutApplication"));
        QVERIFY(commands.at(0)->shortcut().isEmpty());
        QCOMPARE(commands.at(1)->text(), localizedText("exitApplication"));
        QCOMPARE(commands.at(1)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    }

    void aboutCommandShowsTheAboutWindow()
    {
        AppDelegate delegate;
        ModelFixture fixture;
        MainWindow window(delegate, fixture.makeModel());
        QCOMPARE(delegate.aboutBoxWindow(), nullptr);
        window.menuBar()->actions().front()->menu()->actions().at(0)->trigger();
        QVERIFY(delegate.aboutBoxWindow());
        QVERIFY(delegate.aboutBoxWindow()->isVisible());
    }

    void aboutWindowIsMadeOnceAndReused()
    {
        AppDelegate delegate;
        delegate.showAboutBox();
        QWidget *about = delegate.aboutBoxWindow();
        QVERIFY(about);
        QVERIFY(QTest::qWaitForWindowExposed(about));

        // First showing: centred on the screen.
        const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
        QVERIFY((about->geometry().center() - screenCentre).manhattanLength() <= 2);

        // Shown again while open: same window, not moved.
        about->move(30, 40);
        const QPoint leftAt = about->pos();
        delegate.showAboutBox();
        QCOMPARE(delegate.aboutBoxWindow(), about);
        QCOMPARE(about->pos(), leftAt);

        // Closed and asked for again: the same window where the user left it.
        about->close();
        QVERIFY(!about->isVisible());
        delegate.showAboutBox();
        QCOMPARE(delegate.aboutBoxWindow(), about);
        QVERIFY(about->isVisible());
        QCOMPARE(about->pos(), leftAt);
    }

    void aboutWindowCanOnlyBeClosed()
    {
        AppDelegate delegate;
        delegate.showAboutBox();
        const QWidget *about = delegate.aboutBoxWindow();
        QVERIFY(about->windowFlags() & Qt::WindowCloseButtonHint);
        QVERIFY(!(about->windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(about->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(about->minimumSize(), about->maximumSize());
        // Ctrl+Q quits from the About window too: the Exit command is one of its actions.
        const QList<QAction *> actions = about->actions();
        QVERIFY(std::any_of(actions.cbegin(), actions.cend(), [](const QAction *action) {
            return action->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_Q) &&
                   action->text() == localizedText("exitApplication");
        }));
        QVERIFY(about->width() >= 284);
        QVERIFY(about->height() >= 184);
    }

    void mainWindowTitleAndMinimumContentSize()
    {
        AppDelegate delegate;
        ModelFixture fixture;
        MainWindow window(delegate, fixture.makeModel());
        QCOMPARE(window.windowTitle(), localizedText("applicationName"));
        QCOMPARE(window.centralWidget()->minimumSize(), QSize(1000, 450));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.resize(200, 100);
        QVERIFY(window.centralWidget()->width() >= 1000);
        QVERIFY(window.centralWidget()->height() >= 450);
    }

    void mainWindowIsDarkOnLightDesktop()
    {
        QApplication::setPalette(QPalette(Qt::white));
        applyDarkAppearance();
        QCOMPARE(QApplication::style()->name().toLower(), QStringLiteral("fusion"));
        AppDelegate delegate;
        ModelFixture fixture;
        MainWindow window(delegate, fixture.makeModel());
        window.resize(1000, 500);
        const QImage picture = window.centralWidget()->grab().toImage();
        QCOMPARE(picture.pixelColor(picture.width() - 3, picture.height() - 3),
                 QColor(0x14, 0x14, 0x14));
    }
};

QTEST_MAIN(TestAppDelegate)
#include "tst_appdelegate.moc"
