// The program on the simulated camera network, from the window's side. Run under
// tests/lan/lan-run with the mixed fleet (ctest app.lan_mainwindow):
//  - the main window opens and its first search starts without a click;
//  - the search button stays disabled for five seconds;
//  - the table fills with the fleet's maker devices (the fleet file's "expected" list);
//  - a press on each kind of link hands the device's page to the URL opener (replaced here through
//    QDesktopServices::setUrlHandler), a press on an address that is no link hands over nothing.
// With --screenshots DIR (scripts/screenshot, under Xvfb) it also rests the pointer on a link
// and writes DIR/main-window.png and DIR/about-window.png.
//
// The devices' HTTPS certificates come from the run's throw-away CA (VINDRA_LAN_CA), which this
// driver adds to the trusted certificates; nothing else differs from `vindra`.
#include "app/AppDelegate.h"
#include "app/CameraListTable.h"
#include "app/MainWindow.h"
#include "app/MainWindowView.h"
#include "app/SearchButton.h"
#include "app/VindraApp.h"
#include "table/CameraListTableController.h"
#include "table/CameraListTableModel.h"
#include "table/CameraTableView.h"
#include "table/DisplayedCameraList.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScreen>
#include <QSslConfiguration>
#include <QTest>

namespace
{
QString screenshotDirectory;

// A camera in the form of the fleet's "expected" list.
QJsonObject fleetEntry(const Camera &c)
{
    const auto port = [](const std::optional<QString> &p) {
        return p ? QJsonValue(*p) : QJsonValue();
    };
    return {{"macAddress", c.macAddress},
            {"ipv4", c.ipv4},
            {"isIpv4Enabled", c.isIpv4Enabled},
            {"isIpv4HttpsEnabled", c.isIpv4HttpsEnabled},
            {"ipv6", c.ipv6},
            {"isIpv6Enabled", c.isIpv6Enabled},
            {"isIpv6HttpsEnabled", c.isIpv6HttpsEnabled},
            {"autoIp", c.autoIp},
            {"isAutoIpEnabled", c.isAutoIpEnabled},
            {"isAutoIpHttpsEnabled", c.isAutoIpHttpsEnabled},
            {"moedelName", c.moedelName},
            {"serialNumber", c.serialNumber},
            {"device", c.device == Device::controller ? "controller" : "camera"},
            {"httpPort", port(c.httpPort)},
            {"httpsPort", port(c.httpsPort)}};
}

QPixmap picture(QWidget &widget)
{
    QScreen *screen = widget.screen();
    const QPixmap grabbed = screen ? screen->grabWindow(widget.winId()) : QPixmap();
    return grabbed.isNull() ? widget.grab() : grabbed;
}
} // namespace

class LanMainWindow : public QObject
{
    Q_OBJECT

    QList<QUrl> opened;
    QList<QJsonObject> expected;
    QElapsedTimer sinceStart;
    std::unique_ptr<VindraApp> vindra;

    MainWindowView &view() { return vindra->mainWindow().view(); }
    CameraListTableController &controller() { return view().cameraListTable().controller(); }

public Q_SLOTS:
    void open(const QUrl &url) { opened.append(url); }

private Q_SLOTS:
    void initTestCase()
    {
        if (const QString ca = qEnvironmentVariable("VINDRA_LAN_CA"); !ca.isEmpty()) {
            QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
            tls.addCaCertificates(ca);
            QSslConfiguration::setDefaultConfiguration(tls);
        }
        QDesktopServices::setUrlHandler("http", this, "open");
        QDesktopServices::setUrlHandler("https", this, "open");
        QFile fleet(qEnvironmentVariable("VINDRA_LAN_FLEET"));
        QVERIFY(fleet.open(QIODevice::ReadOnly));
        for (const QJsonValue entry :
             QJsonDocument::fromJson(fleet.readAll())["expected"].toArray())
            expected.append(entry.toObject());
        QVERIFY(!expected.isEmpty());

        sinceStart.start();
        vindra = std::make_unique<VindraApp>(*qApp);
        QVERIFY(vindra->mainWindow().isVisible());
        QVERIFY(!view().model().isEnabledSearchButton()); // started without a click
    }

    void cleanupTestCase()
    {
        QDesktopServices::unsetUrlHandler("http");
        QDesktopServices::unsetUrlHandler("https");
    }

    void buttonIsDisabledForFiveSeconds()
    {
        QTRY_VERIFY_WITH_TIMEOUT(view().searchButton().isEnabled(), 10000);
        // The model's timer is precise; allow a little for the time before sinceStart began.
        QVERIFY2(sinceStart.elapsed() >= 4990 && sinceStart.elapsed() < 6500,
                 qPrintable(QString::number(sinceStart.elapsed())));
    }

    void tableShowsTheFleet()
    {
        QTRY_VERIFY_WITH_TIMEOUT(displayedCameraList() == view().model().cameraList() &&
                                     controller().list().size() == expected.size() &&
                                     view().model().unsettledProbes() == 0,
                                 30000);
        // An entry's "alternatives" are the other IPv6 addresses (and flags) it may show.
        for (const QJsonObject &entry : expected) {
            QList<QJsonObject> choices{entry};
            for (const QJsonValue alternative : entry["alternatives"].toArray()) {
                choices.append(entry);
                for (const QString &key : alternative.toObject().keys())
                    choices.back()[key] = alternative[key];
            }
            for (QJsonObject &choice : choices)
                choice.remove("alternatives");
            QVERIFY2(std::any_of(displayedCameraList().cbegin(), displayedCameraList().cend(),
                                 [&](const Camera &c) { return choices.contains(fleetEntry(c)); }),
                     qPrintable(entry["serialNumber"].toString()));
        }
    }

    // Pictures before the presses, which select rows.
    void screenshots()
    {
        if (screenshotDirectory.isEmpty())
            QSKIP("no --screenshots DIR");
        QDir().mkpath(screenshotDirectory);
        CameraTableView &table = *controller().tableView();
        for (int row = 0; row < controller().list().size(); ++row) {
            if (controller().list().at(row)->ipV4().isUnderlined) { // rest on a link: amber
                QTest::mouseMove(table.viewport(),
                                 table.visualRect(table.model()->index(row, 1)).center());
                break;
            }
        }
        QTest::qWait(500);
        QVERIFY(picture(vindra->mainWindow()).save(screenshotDirectory + "/main-window.png"));
        vindra->appDelegate().showAboutBox();
        QWidget *about = vindra->appDelegate().aboutBoxWindow();
        QVERIFY(QTest::qWaitForWindowExposed(about));
        QTest::qWait(300);
        QVERIFY(picture(*about).save(screenshotDirectory + "/about-window.png"));
    }

    void links_data()
    {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("url"); // empty: nothing opens
        // clang-format off
        QTest::newRow("IPv4 over HTTPS") << "S0001" << 1 << "https://198.18.1.1:443";
        QTest::newRow("IPv4 over HTTP without a port") << "S0003" << 1 << "http://198.18.1.3";
        QTest::newRow("IPv6 over HTTP") << "S0002" << 2 << "http://[2001:db8:1::2]:8080";
        QTest::newRow("auto-IP over HTTP") << "S0009" << 3 << "http://169.254.1.9:80";
        QTest::newRow("an address that did not answer") << "S0008" << 1 << "";
        // clang-format on
    }

    void links()
    {
        QFETCH(QString, serial);
        QFETCH(int, column);
        QFETCH(QString, url);
        const ObservableCameraList &rows = controller().list();
        const auto row = std::find_if(rows.cbegin(), rows.cend(),
                                      [&](const auto &r) { return r->serialNumber() == serial; });
        QVERIFY(row != rows.cend());
        CameraTableView &table = *controller().tableView();
        const QModelIndex index = table.model()->index(int(row - rows.cbegin()), column);
        table.scrollTo(index);
        opened.clear();
        QTest::mousePress(table.viewport(), Qt::LeftButton, {}, table.visualRect(index).center());
        QTest::mouseRelease(table.viewport(), Qt::LeftButton, {}, table.visualRect(index).center());
        QCOMPARE(opened, url.isEmpty() ? QList<QUrl>() : QList<QUrl>{QUrl(url)});
    }
};

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    if (const qsizetype option = arguments.indexOf("--screenshots"); option > 0) {
        screenshotDirectory = arguments.value(option + 1);
        arguments.remove(option, 2);
    }
    LanMainWindow test;
    return QTest::qExec(&test, arguments);
}

#include "lan_mainwindow.moc"
