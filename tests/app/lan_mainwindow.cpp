// The program on the simulated camera network, from the window's side. Run under
// tests/lan/lan-run with the mixed fleet (ctest app.lan_mainwindow):
//  - the main window opens and its first search starts without a click;
//  - the search button stays disabled for five seconds;
//  - the table fills with the fleet's maker devices (the MACs of the fleet file's "expected" list);
//  - a press on each kind of link hands the device's page to the URL opener (replaced here through
//    QDesktopServices::setUrlHandler), a press on an address that is no link hands over nothing;
//  - real key events on the table: Enter hands over the page of the row's first link, Ctrl+C puts
//    the row on the clipboard as the fleet lists it (the moving keys: tst_table, and PageDown
//    with a thousand devices below);
//  - F5 on the window starts a new search, which fills the table with the fleet again.
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

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSslConfiguration>
#include <QTest>

class LanMainWindow : public QObject
{
    Q_OBJECT

    QList<QUrl> opened;
    QStringList expectedMacs; // sorted
    QMap<QString, QJsonObject> expectedBySerial;
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
             QJsonDocument::fromJson(fleet.readAll())["expected"].toArray()) {
            expectedMacs.append(entry["macAddress"].toString());
            expectedBySerial.insert(entry["serialNumber"].toString(), entry.toObject());
        }
        expectedMacs.sort();
        QVERIFY(!expectedMacs.isEmpty());

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
        QTRY_VERIFY_WITH_TIMEOUT(view().cameraListTable().displayedCameraList() ==
                                         view().model().cameraList() &&
                                     controller().list().size() == expectedMacs.size() &&
                                     view().model().unsettledProbes() == 0,
                                 30000);
        // Each field of each camera is checked against the fleet by the vindra-scan run on the
        // same fleet (tests/discovery/lan_test.py); the window's own model lists the same set.
        QStringList shown;
        for (const Camera &c : view().cameraListTable().displayedCameraList())
            shown.append(c.macAddress);
        shown.sort();
        QCOMPARE(shown, expectedMacs);
    }

    void links_data()
    {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("url");   // empty: nothing opens
        QTest::addColumn<QString>("enter"); // what Enter opens on the row then
        // clang-format off
        QTest::newRow("IPv4 over HTTPS") << "S0001" << 1 << "https://198.18.1.1:443" << "https://198.18.1.1:443";
        QTest::newRow("IPv4 over HTTP without a port") << "S0003" << 1 << "http://198.18.1.3" << "http://198.18.1.3";
        QTest::newRow("IPv6 over HTTP") << "S0002" << 2 << "http://[2001:db8:1::2]:8080" << "http://198.18.1.2:8080";
        QTest::newRow("auto-IP over HTTP") << "S0009" << 3 << "http://169.254.1.9:80" << "http://198.18.1.9:80";
        QTest::newRow("an address that did not answer") << "S0008" << 1 << "" << "";
        // clang-format on
    }

    void links()
    {
        QFETCH(QString, serial);
        QFETCH(int, column);
        QFETCH(QString, url);
        QFETCH(QString, enter);
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

        // The press selected the row; now the keys.
        opened.clear();
        QTest::keyClick(&table, Qt::Key_Return);
        QCOMPARE(opened, enter.isEmpty() ? QList<QUrl>() : QList<QUrl>{QUrl(enter)});
        QTest::keyClick(&table, Qt::Key_C, Qt::ControlModifier);
        QStringList fields;
        for (const char *field :
             {"macAddress", "ipv4", "ipv6", "autoIp", "moedelName", "serialNumber"})
            fields.append(expectedBySerial.value(serial).value(field).toString());
        QCOMPARE(QGuiApplication::clipboard()->text(), fields.join(u'\t'));
    }

    // With a fleet of a thousand (ctest app.lan_mainwindow_thousand), real key events through the
    // window: Ctrl+F, "TV000777", Down and Ctrl+C put exactly that camera's row on the clipboard;
    // Escape in the filter, Tab to the first row and PageDown select the row a page below, shown.
    void findOneOfAThousand()
    {
        if (expectedMacs.size() < 1000)
            QSKIP("needs a fleet of 1000 (bench/lan/make-fleet 1000 --serial-prefix TV)");
        tableShowsTheFleet();
        MainWindow &window = vindra->mainWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const auto press = [](QKeyCombination key) {
            QTest::keyClick(QApplication::focusWidget(), key.key(), key.keyboardModifiers());
        };
        press(Qt::CTRL | Qt::Key_F);
        QTest::keyClicks(QApplication::focusWidget(), "TV000777");
        for (const QKeyCombination key : {QKeyCombination(Qt::Key_Down), Qt::CTRL | Qt::Key_C})
            press(key);
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 "02-a0-de-00-03-09\t198.18.7.9\t---\t---\tTC-100\tTV000777");
        for (const QKeyCombination key :
             {Qt::CTRL | Qt::Key_F, QKeyCombination(Qt::Key_Escape), QKeyCombination(Qt::Key_Tab),
              QKeyCombination(Qt::Key_PageDown)})
            press(key);
        CameraTableView &table = *controller().tableView();
        const int page = table.viewport()->height() / table.rowHeight(0);
        QCOMPARE(controller().selectedRow(), page);
        QCOMPARE(table.currentIndex().row(), page);
        QVERIFY(table.viewport()->rect().contains(table.visualRect(table.currentIndex())));
    }

    void f5SearchesAgain()
    {
        MainWindow &window = vindra->mainWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const quint64 search = view().model().currentSearch();
        QTest::keyClick(&window, Qt::Key_F5);
        QCOMPARE(view().model().currentSearch(), search + 1);
        QVERIFY(view().model().cameraList().isEmpty());
        tableShowsTheFleet();
    }
};

QTEST_MAIN(LanMainWindow)
#include "lan_mainwindow.moc"
