// The windows around the table: texts and languages, the search button, the main window view,
// the About window, the menu and the dark appearance.
#include "app/AboutView.h"
#include "app/AppDelegate.h"
#include "app/CameraListTable.h"
#include "app/DarkAppearance.h"
#include "app/InfoDictionary.h"
#include "app/MainWindow.h"
#include "app/MainWindowView.h"
#include "app/SearchButton.h"
#include "platform/LocalizedText.h"
#include "platform/Translations.h"
#include "tests/support/ModelFixture.h"

#include <QEnterEvent>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QTest>
#include <QTranslator>

using InfoValues = QMap<QString, QString>;

namespace
{
void hover(QWidget &widget, bool entered)
{
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&widget, entered ? static_cast<QEvent *>(&enter) : &leave);
}

// Each text label of the About window (after the icon): its text, bold or not and its pixel size.
QStringList aboutLabels(const QWidget &view)
{
    QStringList shown;
    for (const QLabel *label : view.findChildren<QLabel *>().mid(1))
        shown.append(QStringLiteral("%1|%2|%3")
                         .arg(label->text(), label->font().bold() ? "bold" : "")
                         .arg(label->font().pixelSize()));
    return shown;
}
} // namespace

class TestWindows : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void languageFollowsLocale_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("searchCamera");
        // clang-format off
        QTest::newRow("English (US)") << QLocale(QStringLiteral("en_US")) << "Search Cameras";
        QTest::newRow("Japanese") << QLocale(QStringLiteral("ja_JP")) << "カメラを検索";
        QTest::newRow("German falls back to English")
            << QLocale(QLocale::German) << "Search Cameras";
        QTest::newRow("C falls back to English") << QLocale::c() << "Search Cameras";
        // clang-format on
    }

    void languageFollowsLocale()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, searchCamera);
        QVERIFY(installTranslations(*qApp, locale));
        QCOMPARE(localizedText("searchCamera"), searchCamera);
        for (const char *key : {"applicationName", "searchCamera",     "aboutApplication",
                                "exitApplication", "version",          "allRightsReserved",
                                "macAddress",      "ipv4Address",      "ipv6Address",
                                "autoIpAddress",   "modelName",        "serialNo",
                                "outsideNetworks", "outsideNoNetwork", "networkOnInterface",
                                "cameraTable",     "searchStatus",     "linkTo",
                                "copyAllRows",     "copyModel"})
            QVERIFY2(!localizedText(key).isEmpty() && localizedText(key) != key, key);
        for (QTranslator *translator : qApp->findChildren<QTranslator *>()) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    }

    // Each step: 'e' pointer enters, 'l' pointer leaves, '+' button enabled, '-' disabled.
    void searchButtonHoverColour_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("color");
        // clang-format off
        QTest::newRow("no hover yet") << "" << "#3D3D3D";
        QTest::newRow("entered while enabled") << "e" << "#595959";
        QTest::newRow("entered while disabled") << "-e" << "#3D3D3D";
        QTest::newRow("left while enabled") << "el" << "#3D3D3D";
        QTest::newRow("left while disabled") << "e-l" << "#3D3D3D";
        QTest::newRow("click starts a search under the pointer") << "e-" << "#595959";
        QTest::newRow("search ends under the pointer") << "-e+" << "#3D3D3D";
        QTest::newRow("leave and enter again after the search") << "-e+le" << "#595959";
        // clang-format on
    }

    void searchButtonHoverColour()
    {
        QFETCH(QString, steps);
        SearchButton button;
        for (const QChar step : steps) {
            if (step == u'e' || step == u'l')
                hover(button, step == u'e');
            else
                button.setEnabled(step == u'+');
        }
        QTEST(button.buttonColor(), "color");
    }

    void searchButtonLooks()
    {
        SearchButton button;
        QCOMPARE(button.font().pixelSize(), 13);
        button.resize(button.sizeHint());
        hover(button, true);
        const QImage picture = button.grab().toImage();
        QCOMPARE(picture.pixelColor(picture.width() / 2, 4), QColor(0x59, 0x59, 0x59));
        QCOMPARE(picture.pixelColor(picture.width() / 2, 0), QColor(0x70, 0x70, 0x70));
        // The rounded corner leaves the very corner pixel to what lies behind the button.
        QCOMPARE(picture.pixelColor(0, 0), button.palette().color(QPalette::Window));
        button.setText("Go");
        QCOMPARE(button.sizeHint(), QSize(80, 44));
        button.setText("Search for every camera on this network");
        QVERIFY(button.sizeHint().width() > 80);
        QCOMPARE(button.sizeHint().height(), 44);
    }

    // The first search starts with the view and the button shows it disabled from the first paint
    // (F5 and Ctrl+R through the button, and its five seconds: tst_desktop, lan_mainwindow); the
    // button keeps its size and place at the top left, the table takes the rest of the view.
    void mainWindowView()
    {
        ModelFixture fixture;
        MainWindowView view(fixture.makeModel());
        QCOMPARE(*fixture.browsers.log, QStringList({"search _http._tcp "}));
        SearchButton &button = view.searchButton();
        QVERIFY(!button.isEnabled());
        view.resize(1200, 700);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QRect buttonArea = button.geometry();
        const QRect table = view.cameraListTable().geometry();
        QCOMPARE(buttonArea.height(), 44);
        QVERIFY(buttonArea.left() < 20 && buttonArea.top() < 20); // inside the padding
        QVERIFY(table.top() >= buttonArea.bottom() + 6);
        QVERIFY(table.width() > 1100 && table.bottom() > 650);
        // The background and the table's rounded corner show the window colour (antialiased:
        // the header's "#282828" may shine through by a shade).
        const QImage picture = view.grab().toImage();
        QCOMPARE(picture.pixelColor(view.width() - 2, 2), QColor(0x14, 0x14, 0x14));
        QVERIFY(picture.pixelColor(table.topLeft()).red() <= 0x16);
        view.resize(1600, 900);
        QCoreApplication::processEvents();
        QCOMPARE(button.geometry(), buttonArea);
        QVERIFY(view.cameraListTable().height() > table.height() + 150);
    }

    void aboutLines_data()
    {
        QTest::addColumn<InfoValues>("values");
        QTest::addColumn<QString>("versionLine");
        QTest::addColumn<QString>("copyrightLine");
        const QString version = localizedText("version");
        const QString warning = QStringLiteral("⚠️");
        const QString copyright = QStringLiteral("Copyright © 2031 Example");
        const InfoValues all{
            {kShortVersionKey, "2.4.1"}, {kBuildNumberKey, "77"}, {kCopyrightKey, copyright}};
        const auto without = [&](const QString &key) {
            InfoValues values = all;
            values.remove(key);
            return values;
        };
        // clang-format off
        QTest::newRow("all values") << all << version + " 2.4.1.77" << copyright;
        QTest::newRow("no build number")
            << without(kBuildNumberKey) << version + " 2.4.1." + warning << copyright;
        QTest::newRow("no short version")
            << without(kShortVersionKey) << version + " " + warning + ".77" << copyright;
        QTest::newRow("no copyright") << without(kCopyrightKey) << version + " 2.4.1.77" << warning;
        QTest::newRow("empty texts shown as they are")
            << InfoValues{{kShortVersionKey, ""}, {kBuildNumberKey, ""}, {kCopyrightKey, ""}} << version + " ." << QString();
        // clang-format on
    }

    // Icon first; then the bold name, the version, copyright and rights lines.
    void aboutLines()
    {
        QFETCH(InfoValues, values);
        QFETCH(QString, versionLine);
        QFETCH(QString, copyrightLine);
        AboutView view([values](const QString &key) -> std::optional<QString> {
            return values.contains(key) ? std::optional(values.value(key)) : std::nullopt;
        });
        QCOMPARE(aboutLabels(view), QStringList({localizedText("applicationName") + "|bold|13",
                                                 versionLine + "||10", copyrightLine + "||10",
                                                 localizedText("allRightsReserved") + "||10"}));
    }

    void aboutValuesOfTheBuild()
    {
        QCOMPARE(infoValue(InfoLookup(), kShortVersionKey), kMissingValueSign);
        QCOMPARE(buildInfo(kShortVersionKey), std::optional<QString>(VINDRA_PROJECT_VERSION));
        QVERIFY(buildInfo(kBuildNumberKey).has_value());
        QVERIFY(buildInfo(kCopyrightKey).has_value());
        QCOMPARE(buildInfo(QStringLiteral("CFBundleName")), std::nullopt);
    }

    // The About window: made once, centred, titled and closable only, at least 284 × 184, its
    // icon 64 × 64 whatever the picture's own size and its lines stacked and centred; Ctrl+Q
    // quits from there too, Escape closes it. Shown again, open or closed: the same window where
    // the user left it.
    void menuAndAboutWindow()
    {
        AppDelegate delegate;
        ModelFixture fixture;
        MainWindow window(delegate, fixture.makeModel());
        QCOMPARE(window.windowTitle(), localizedText("applicationName"));
        QCOMPARE(window.centralWidget()->minimumSize(), QSize(1000, 450));
        QStringList menu;
        for (const QAction *top : window.menuBar()->actions()) {
            menu.append(top->text());
            for (const QAction *action : top->menu()->actions())
                menu.append(action->text() + "|" + action->shortcut().toString());
        }
        QCOMPARE(menu, QStringList({localizedText("applicationName"),
                                    localizedText("aboutApplication") + "|",
                                    localizedText("exitApplication") + "|Ctrl+Q"}));
        QCOMPARE(delegate.aboutBoxWindow(), nullptr);
        window.menuBar()->actions().front()->menu()->actions().front()->trigger();
        QWidget *about = delegate.aboutBoxWindow();
        QVERIFY(QTest::qWaitForWindowExposed(about));
        const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
        QVERIFY((about->geometry().center() - screenCentre).manhattanLength() <= 2);
        QVERIFY(about->windowFlags() & Qt::WindowCloseButtonHint);
        QVERIFY(!(about->windowFlags() &
                  (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(about->minimumSize(), about->maximumSize());
        QVERIFY(about->width() >= 284 && about->height() >= 184);
        const auto labels = about->findChildren<QLabel *>();
        QCOMPARE(labels.front()->size(), QSize(64, 64));
        QCOMPARE(labels.front()->pixmap().deviceIndependentSize(), QSizeF(64, 64));
        for (int i = 1; i < labels.size(); ++i) {
            QVERIFY(labels.at(i)->geometry().top() > labels.at(i - 1)->geometry().top());
            QVERIFY(qAbs(labels.at(i)->geometry().center().x() - about->rect().center().x()) <= 1);
        }
        const QList<QAction *> actions = about->actions();
        QVERIFY(std::any_of(actions.cbegin(), actions.cend(), [](const QAction *action) {
            return action->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_Q);
        }));
        about->move(30, 40);
        const QPoint leftAt = about->pos();
        delegate.showAboutBox();
        QCOMPARE(delegate.aboutBoxWindow(), about);
        QCOMPARE(about->pos(), leftAt);
        QCOMPARE(about->windowTitle(), localizedText("aboutApplication"));
        QTest::keyClick(about, Qt::Key_Escape);
        QVERIFY(!about->isVisible());
        delegate.showAboutBox();
        QVERIFY(about->isVisible());
        QCOMPARE(about->pos(), leftAt);
    }

    // The menu bar has no palette of its own: it is dark only through the application's.
    void darkOnALightDesktop()
    {
        QApplication::setPalette(QPalette(Qt::white));
        const auto menuBarColour = [] {
            AppDelegate delegate;
            ModelFixture fixture;
            MainWindow window(delegate, fixture.makeModel());
            window.resize(1000, 500);
            const QImage picture = window.menuBar()->grab().toImage();
            return picture.pixelColor(picture.width() - 3, picture.height() / 2);
        };
        QVERIFY(menuBarColour().lightness() > 0x80);
        applyDarkAppearance();
        QVERIFY2(menuBarColour().lightness() < 0x30, qPrintable(menuBarColour().name()));
    }
};

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
