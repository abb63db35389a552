#include "app/CameraListTable.h"
#include "app/MainWindowView.h"
#include "app/SearchButton.h"
#include "platform/LocalizedText.h"
#include "tests/support/ModelFixture.h"

#include <QEnterEvent>
#include <QTest>

namespace
{
void nextTurn()
{
    QCoreApplication::processEvents();
}

void hover(QWidget &widget, bool entered)
{
    if (entered) {
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QCoreApplication::sendEvent(&widget, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(&widget, &leave);
    }
}
} // namespace

class TestMainWindowView : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void creationStartsTheFirstSearch()
    {
        ModelFixture fixture;
        MainWindowView view(fixture.makeModel());
        QCOMPARE(*fixture.browsers.log, QStringList({"search _http._tcp "}));
        QCOMPARE(fixture.timers.shots.size(), 1);
        QCOMPARE(fixture.timers.shots.front().interval, std::chrono::milliseconds(5000));
        QVERIFY(!view.model().isEnabledSearchButton());
        QVERIFY(!view.searchButton().isEnabled());
    }

    void buttonFollowsTheSearch()
    {
        ModelFixture fixture;
        MainWindowView view(fixture.makeModel());
        view.resize(1000, 450);
        nextTurn();
        SearchButton &button = view.searchButton();
        QVERIFY(!button.isEnabled());

        // Disabled: a click starts nothing.
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(fixture.browsers.made.size(), 1);

        fixture.timers.fire(0); // five seconds later
        nextTurn();
        QVERIFY(button.isEnabled());

        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(fixture.browsers.made.size(), 2);
        QCOMPARE(fixture.timers.shots.size(), 2);
        nextTurn();
        QVERIFY(!button.isEnabled());
        fixture.timers.fire(1);
        nextTurn();
        QVERIFY(button.isEnabled());
    }

    void hoverColourThroughASearch()
    {
        ModelFixture fixture;
        MainWindowView view(fixture.makeModel());
        nextTurn();
        SearchButton &button = view.searchButton();

        hover(button, true); // entered while the first search runs
        QCOMPARE(button.buttonColor(), "#3D3D3D");
        fixture.timers.fire(0);
        nextTurn();
        QVERIFY(button.isEnabled());
        QCOMPARE(button.buttonColor(), "#3D3D3D"); // not decided again until leave or enter

        hover(button, false);
        hover(button, true);
        QCOMPARE(button.buttonColor(), "#595959");
        QTest::mouseClick(&button, Qt::LeftButton); // a new search under the pointer
        nextTurn();
        QVERIFY(!button.isEnabled());
        QCOMPARE(button.buttonColor(), "#595959");
        hover(button, false);
        QCOMPARE(button.buttonColor(), "#3D3D3D");
    }

    void layout()
    {
        ModelFixture fixture;
        MainWindowView view(fixture.makeModel());
        QCOMPARE(view.minimumSize(), QSize(1000, 450));
        view.resize(1200, 700);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        const QRect button = view.searchButton().geometry();
        const QRect table = view.cameraListTable().geometry();
        QCOMPARE(button.height(), 44);
        QVERIFY(button.width() >= 80);
        QVERIFY(button.left() < 20 && button.top() < 20); // top left, inside the padding
        QVERIFY(table.top() >= button.bottom() + 6);
        QVERIFY(table.width() > 1100); // the rest of the view
        QVERIFY(table.bottom() > 650);
        QCOMPARE(view.searchButton().text(), localizedText("searchCamera"));

        // The background and the table's rounded corner show the window colour.
        const QImage picture = view.grab().toImage();
        QCOMPARE(picture.pixelColor(view.width() - 2, 2), QColor(0x14, 0x14, 0x14));
        // (antialiased: the header's "#282828" may shine through by a shade)
        const QColor corner = picture.pixelColor(table.topLeft());
        QVERIFY2(corner.red() <= 0x16 && corner.green() <= 0x16 && corner.blue() <= 0x16,
                 qPrintable(corner.name()));
    }

    void buttonKeepsItsSizeAsTheWindowGrows()
    {
        ModelFixture fixture;
        MainWindowView view(fixture.makeModel());
        view.resize(1000, 450);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QRect before = view.searchButton().geometry();
        const int tableHeight = view.cameraListTable().height();
        view.resize(1600, 900);
        nextTurn();
        QCOMPARE(view.searchButton().geometry(), before);
        QVERIFY(view.cameraListTable().height() > tableHeight + 400);
    }
};

QTEST_MAIN(TestMainWindowView)
#include "tst_mainwindowview.moc"
