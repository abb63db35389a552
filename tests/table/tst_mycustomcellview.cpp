#include "table/CameraListTableController.h"
#include "table/CameraListTableModel.h"
#include "table/CameraTableView.h"
#include "table/DisplayedCameraList.h"
#include "table/MyCustomCellView.h"

#include <QAbstractItemModelTester>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QTest>
#include <QUrl>

#include <functional>
#include <memory>

Q_DECLARE_METATYPE(std::function<void(CameraList &)>)

namespace
{

const QRgb amber = qRgb(0xff, 0xc4, 0x00);
const QRgb lightGrey = qRgb(0xd0, 0xd0, 0xd0);

// Two cameras; the first has an address of every kind, the second only an IPv4 address.
CameraList twoCameras()
{
    Camera first;
    first.macAddress = "00:1B:2C:3D:4E:01";
    first.ipv4 = "198.18.0.10";
    first.ipv6 = "2001:db8::10";
    first.autoIp = "169.254.3.4";
    first.httpPort = "8080";
    first.httpsPort = "8443";
    Camera second;
    second.macAddress = "00:1B:2C:3D:4E:02";
    second.ipv4 = "198.18.0.20";
    second.httpPort = "80";
    return {first, second};
}

} // namespace

// Records what would have been opened.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void handle(const QUrl &url) { urls.append(url); }
};

class TestMyCustomCellView : public QObject
{
    Q_OBJECT

    UrlCatcher catcher;
    std::unique_ptr<CameraListTableController> controller;
    std::unique_ptr<QAbstractItemModelTester> tester;

    CameraTableView &table() { return *controller->tableView(); }
    QWidget &viewport() { return *table().viewport(); }
    QPoint cellCentre(int row, int column)
    {
        return table().visualRect(table().model()->index(row, column)).center();
    }
    void movePointer(QPoint to)
    {
        QMouseEvent move(QEvent::MouseMove, to, viewport().mapToGlobal(to), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&viewport(), &move);
    }
    void sendMouse(QEvent::Type type, QPoint at)
    {
        const Qt::MouseButtons buttons =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, viewport().mapToGlobal(at), Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(&viewport(), &event);
    }
    // Colours painted inside one cell.
    QSet<QRgb> cellColors(int row, int column)
    {
        const QImage image = viewport().grab().toImage();
        const QRect cell = table().visualRect(table().model()->index(row, column));
        QSet<QRgb> colors;
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x)
                colors.insert(image.pixel(x, y));
        return colors;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QDesktopServices::setUrlHandler("http", &catcher, "handle");
        QDesktopServices::setUrlHandler("https", &catcher, "handle");
    }

    void cleanupTestCase()
    {
        QDesktopServices::unsetUrlHandler("http");
        QDesktopServices::unsetUrlHandler("https");
    }

    // Rows as the list bridge builds them: row 0 has IPv4 and IPv6 links and a plain auto-IP
    // address, row 1 a plain IPv4 address and placeholders.
    void init()
    {
        catcher.urls.clear();
        displayedCameraList() = twoCameras();
        controller = std::make_unique<CameraListTableController>();
        tester = std::make_unique<QAbstractItemModelTester>(
            controller->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        controller->setList(
            {std::make_shared<ObservableCamera>(
                 "00:1B:2C:3D:4E:01", AttributedText::underlined("198.18.0.10"),
                 AttributedText::underlined("2001:db8::10"), AttributedText::plain("169.254.3.4"),
                 "TV-100", "SN1", true, true, false),
             std::make_shared<ObservableCamera>(
                 "00:1B:2C:3D:4E:02", AttributedText::plain("198.18.0.20"),
                 AttributedText::plain("---"), AttributedText::plain("---"), "TV-100", "SN2", false,
                 false, false)});
        table().resize(1000, 300);
        table().show();
    }

    void cleanup()
    {
        tester.reset();
        controller.reset();
        displayedCameraList().clear();
    }

    void urlText_data()
    {
        QTest::addColumn<std::function<void(CameraList &)>>("change");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("url");
        using F = std::function<void(CameraList &)>;
        const F none = [](CameraList &) {};
        QTest::newRow("IPv4, HTTPS with its port, whatever HTTP says")
            << F([](CameraList &c) { c[0].isIpv4HttpsEnabled = c[0].isIpv4Enabled = true; })
            << "198.18.0.10"
            << "https://198.18.0.10:8443";
        QTest::newRow("IPv4, HTTP with its port")
            << F([](CameraList &c) { c[0].isIpv4Enabled = true; }) << "198.18.0.10"
            << "http://198.18.0.10:8080";
        QTest::newRow("IPv4, HTTPS flag without HTTPS port falls to HTTP")
            << F([](CameraList &c) {
                   c[0].isIpv4HttpsEnabled = c[0].isIpv4Enabled = true;
                   c[0].httpsPort.reset();
               })
            << "198.18.0.10"
            << "http://198.18.0.10:8080";
        QTest::newRow("IPv4, HTTP flag without HTTP port") << F([](CameraList &c) {
            c[0].isIpv4Enabled = true;
            c[0].httpPort.reset();
        }) << "198.18.0.10"
                                                           << "http://198.18.0.10";
        QTest::newRow("IPv4, no flag") << none << "198.18.0.10"
                                       << "http://198.18.0.10";
        QTest::newRow("IPv6, HTTPS with its port")
            << F([](CameraList &c) { c[0].isIpv6HttpsEnabled = true; }) << "2001:db8::10"
            << "https://[2001:db8::10]:8443";
        QTest::newRow("IPv6, HTTP only with its port")
            << F([](CameraList &c) { c[0].isIpv6Enabled = true; }) << "2001:db8::10"
            << "http://[2001:db8::10]:8080";
        QTest::newRow("IPv6, no flag") << none << "2001:db8::10"
                                       << "http://[2001:db8::10]";
        QTest::newRow("IPv6, another address's flag does not count")
            << F([](CameraList &c) { c[0].isIpv4HttpsEnabled = true; }) << "2001:db8::10"
            << "http://[2001:db8::10]";
        QTest::newRow("auto-IP, HTTPS with its port")
            << F([](CameraList &c) { c[0].isAutoIpHttpsEnabled = true; }) << "169.254.3.4"
            << "https://169.254.3.4:8443";
        QTest::newRow("auto-IP, HTTP with its port")
            << F([](CameraList &c) { c[0].isAutoIpEnabled = true; }) << "169.254.3.4"
            << "http://169.254.3.4:8080";
        QTest::newRow("auto-IP, no flag") << none << "169.254.3.4"
                                          << "http://169.254.3.4";
        QTest::newRow("no camera with that address") << none << "198.18.9.9"
                                                     << "http://198.18.9.9";
        QTest::newRow("port text used as announced") << F([](CameraList &c) {
            c[1].isIpv4Enabled = true;
            c[1].httpPort = "080";
        }) << "198.18.0.20"
                                                     << "http://198.18.0.20:080";
        QTest::newRow("IPv4 match wins over an earlier camera's IPv6 match")
            << F([](CameraList &c) {
                   c[0].ipv6 = "198.18.0.20";
                   c[0].isIpv6HttpsEnabled = true;
                   c[1].isIpv4Enabled = true;
               })
            << "198.18.0.20"
            << "http://198.18.0.20:80";
        QTest::newRow("first camera with the address wins") << F([](CameraList &c) {
            c[1].ipv4 = "198.18.0.10";
            c[1].isIpv4Enabled = true;
        }) << "198.18.0.10"
                                                            << "http://198.18.0.10";
        // A device's port text must not take the page to another host.
        QTest::newRow("port text with a host after it counts as absent") << F([](CameraList &c) {
            c[0].isIpv4Enabled = true;
            c[0].httpPort = "80@198.51.100.1";
        }) << "198.18.0.10"
                                                                         << "http://198.18.0.10";
        QTest::newRow("bad HTTPS port falls to HTTP") << F([](CameraList &c) {
            c[0].isIpv4HttpsEnabled = c[0].isIpv4Enabled = true;
            c[0].httpsPort = "443/x";
        }) << "198.18.0.10"
                                                      << "http://198.18.0.10:8080";
        QTest::newRow("port 0 counts as absent") << F([](CameraList &c) {
            c[0].isIpv4Enabled = true;
            c[0].httpPort = "0";
        }) << "198.18.0.10"
                                                 << "http://198.18.0.10";
        QTest::newRow("port above 65535 counts as absent") << F([](CameraList &c) {
            c[0].isIpv4Enabled = true;
            c[0].httpPort = "65536";
        }) << "198.18.0.10"
                                                           << "http://198.18.0.10";
        QTest::newRow("empty port counts as absent") << F([](CameraList &c) {
            c[0].isIpv4Enabled = true;
            c[0].httpPort = "";
        }) << "198.18.0.10"
                                                     << "http://198.18.0.10";
    }

    void urlText()
    {
        QFETCH(std::function<void(CameraList &)>, change);
        QFETCH(QString, address);
        QFETCH(QString, url);
        CameraList cameras = twoCameras();
        change(cameras);
        QCOMPARE(MyCustomCellView::urlText(address, cameras), url);
    }

    void pressOpensLinkThenTableHandlesClick_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("url"); // empty: nothing opens
        QTest::newRow("IPv4 link") << 0 << 1 << "http://198.18.0.10";
        QTest::newRow("IPv6 link") << 0 << 2 << "http://[2001:db8::10]";
        QTest::newRow("address without underline") << 0 << 3 << "";
        QTest::newRow("plain IPv4 of another camera") << 1 << 1 << "";
        QTest::newRow("placeholder") << 1 << 2 << "";
        QTest::newRow("MAC column") << 0 << 0 << "";
    }

    void pressOpensLinkThenTableHandlesClick()
    {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, url);
        bool openedBeforeAction = false;
        connect(&table(), &CameraTableView::action, this,
                [&] { openedBeforeAction = !catcher.urls.isEmpty(); });
        QTest::mousePress(&viewport(), Qt::LeftButton, {}, cellCentre(row, column));
        const QList<QUrl> onPress = catcher.urls;
        QTest::mouseRelease(&viewport(), Qt::LeftButton, {}, cellCentre(row, column));
        QCOMPARE(onPress.size(), url.isEmpty() ? 0 : 1);
        if (!url.isEmpty()) {
            QCOMPARE(onPress.first(), QUrl(url));
            QVERIFY(openedBeforeAction);
        }
        QCOMPARE(catcher.urls, onPress);
        // The press went on to the table: the row is now selected.
        QCOMPARE(controller->selectedRowMac(), controller->list().at(row)->macAddress());
    }

    void eachPressOfDoubleClickOpens_data()
    {
        QTest::addColumn<QList<QEvent::Type>>("events");
        using T = QList<QEvent::Type>;
        QTest::newRow("press, release, double-click, release")
            << T{QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                 QEvent::MouseButtonRelease};
        QTest::newRow("press, release, press, double-click, release")
            << T{QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonPress,
                 QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease};
    }

    void eachPressOfDoubleClickOpens()
    {
        QFETCH(QList<QEvent::Type>, events);
        for (QEvent::Type type : events)
            sendMouse(type, cellCentre(0, 1));
        QCOMPARE(catcher.urls,
                 (QList<QUrl>{QUrl("http://198.18.0.10"), QUrl("http://198.18.0.10")}));
    }

    void hover()
    {
        // Onto a link: pointing hand, amber text.
        movePointer(cellCentre(0, 1));
        QCOMPARE(viewport().cursor().shape(), Qt::PointingHandCursor);
        QVERIFY(cellColors(0, 1).contains(amber));
        QVERIFY(!cellColors(0, 2).contains(amber));

        // To the next link: only that one is amber.
        movePointer(cellCentre(0, 2));
        QCOMPARE(viewport().cursor().shape(), Qt::PointingHandCursor);
        QVERIFY(!cellColors(0, 1).contains(amber));
        QVERIFY(cellColors(0, 1).contains(lightGrey));
        QVERIFY(cellColors(0, 2).contains(amber));

        // Onto an address that is no link: arrow, nothing amber.
        movePointer(cellCentre(0, 3));
        QCOMPARE(viewport().cursor().shape(), Qt::ArrowCursor);
        QVERIFY(!cellColors(0, 2).contains(amber));
        QVERIFY(!cellColors(0, 3).contains(amber));
        QVERIFY(cellColors(0, 3).contains(lightGrey));

        // Back onto a link, then out of the table.
        movePointer(cellCentre(0, 1));
        QCOMPARE(viewport().cursor().shape(), Qt::PointingHandCursor);
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(&viewport(), &leave);
        QCOMPARE(viewport().cursor().shape(), Qt::ArrowCursor);
        QVERIFY(!cellColors(0, 1).contains(amber));
        QVERIFY(cellColors(0, 1).contains(lightGrey));
    }

    void hoverFromLinkToPlainColumn()
    {
        movePointer(cellCentre(0, 1));
        movePointer(cellCentre(0, 0));
        QCOMPARE(viewport().cursor().shape(), Qt::ArrowCursor);
        QVERIFY(!cellColors(0, 1).contains(amber));
    }

    void newListUnderHoveredLinkRestoresArrow()
    {
        movePointer(cellCentre(0, 1));
        QCOMPARE(viewport().cursor().shape(), Qt::PointingHandCursor);
        // The same address, now without an answering web interface, under the pointer.
        controller->setList({std::make_shared<ObservableCamera>(
            "00:1B:2C:3D:4E:01", AttributedText::plain("198.18.0.10"), AttributedText::plain("---"),
            AttributedText::plain("---"), "TV-100", "SN1", false, false, false)});
        QVERIFY(!cellColors(0, 1).contains(amber));
        movePointer(cellCentre(0, 1) + QPoint(1, 0));
        QCOMPARE(viewport().cursor().shape(), Qt::ArrowCursor);
    }

    void linkTestIsMadeAfreshOnEntering()
    {
        movePointer(cellCentre(1, 1));
        QCOMPARE(viewport().cursor().shape(), Qt::ArrowCursor);
        // A new list makes the address under the pointer a link; the next move shows it.
        controller->setList({controller->list().at(0),
                             std::make_shared<ObservableCamera>(
                                 "00:1B:2C:3D:4E:02", AttributedText::underlined("198.18.0.20"),
                                 AttributedText::plain("---"), AttributedText::plain("---"),
                                 "TV-100", "SN2", true, false, false)});
        movePointer(cellCentre(1, 1) + QPoint(1, 0));
        QCOMPARE(viewport().cursor().shape(), Qt::PointingHandCursor);
        QVERIFY(cellColors(1, 1).contains(amber));
    }
};

QTEST_MAIN(TestMyCustomCellView)
#include "tst_mycustomcellview.moc"
