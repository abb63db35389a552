// What the main window offers beyond the mouse: keys, copying, the status line, the explanation
// of an empty search, the link tooltips, the wrong-subnet warning and what assistive technology
// is told.
#include "app/AppDelegate.h"
#include "app/CameraListTable.h"
#include "app/MainWindow.h"
#include "app/MainWindowView.h"
#include "app/SearchButton.h"
#include "platform/Translations.h"
#include "table/CameraListTableController.h"
#include "table/CameraListTableModel.h"
#include "table/CameraTableView.h"
#include "table/OutsideNetworks.h"
#include "tests/support/FakeLocalNetworks.h"
#include "tests/support/ModelFixture.h"

#include <QAccessible>
#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

// A browser whose sockets came up as `report` says.
struct ReportingBrowser : FakeDnsSdBrowser {
    std::optional<DnsSdSocketReport> report;
    std::optional<DnsSdSocketReport> socketReport() const override { return report; }
};

class TestDesktop : public QObject
{
    Q_OBJECT

    ModelFixture fixture;
    std::optional<DnsSdSocketReport> report;
    AppDelegate delegate;
    std::unique_ptr<MainWindow> window;
    MainWindowView *view = nullptr;
    FakeLocalNetworks *networks = nullptr; // 198.18.1.2/32: cameras ...0a and ...0c are outside
    QList<QUrl> opened;

    Model &model() { return view->model(); }
    CameraListTableController &table() { return view->cameraListTable().controller(); }
    FakeTurns turns; // the view's and the table's refreshes
    void nextTurns() { turns.takeTurns(); }
    void endSearch()
    {
        fixture.time.advance(Model::kBrowseDurationMs);
        nextTurns();
    }
    // The first answered on IPv4, the second on IPv6 only, the third on nothing.
    void addCameras()
    {
        fixture.addCamera(model(), "00112200000a", {"198.18.1.1"});
        fixture.addCamera(model(), "00112200000b", {"198.18.1.2", "2001:db8::2"});
        fixture.addCamera(model(), "00112200000c", {"198.18.1.3"});
        model().applyIpv4Result(200, false, 0, model().currentSearch());
        model().applyIpv6Result(200, false, 1, model().currentSearch());
        view->cameraListTable().updateController();
    }

public Q_SLOTS:
    void open(const QUrl &url) { opened.append(url); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(installTranslations(*qApp, QLocale(QLocale::English)));
        QDesktopServices::setUrlHandler("http", this, "open");
    }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler("http"); }
    void cleanup() { window.reset(); }
    void init()
    {
        opened.clear();
        auto lan = std::make_unique<FakeLocalNetworks>(
            QList<LocalNetwork>{{"lan0", QHostAddress("198.18.1.2"), 32}});
        networks = lan.get();
        window = std::make_unique<MainWindow>(delegate,
                                              std::make_unique<Model>(
                                                  [this] {
                                                      auto browser =
                                                          std::make_unique<ReportingBrowser>();
                                                      browser->report =
                                                          std::exchange(report, std::nullopt);
                                                      return browser;
                                                  },
                                                  fixture.http, fixture.time.makeTimer()),
                                              std::move(lan), nullptr, turns.post());
        view = &window->view();
    }

    // A fourth device announced nothing but its vendor: no MAC, model or serial entries.
    void contextMenuAndTooltipsOfferWhatTheRowHas()
    {
        addCameras();
        model().addCamera(*fixture.service({"198.18.1.9"}), makerTxt());
        view->cameraListTable().updateController();
        const auto titles = [&](int row) {
            std::unique_ptr<QMenu> menu(table().makeContextMenu(row));
            QStringList shown;
            for (const QAction *action : menu->actions())
                shown.append(action->text());
            return shown;
        };
        const QString page = "http://[2001:db8::2]:80";
        QCOMPARE(titles(1),
                 QStringList({"Copy Row", "Copy All Rows", "Copy MAC Address", "Copy IPv4 Address",
                              "Copy IPv6 Address", "Copy Model", "Copy Serial Number", "",
                              "Open " + page, "Copy " + page}));
        QCOMPARE(titles(3), QStringList({"Copy Row", "Copy All Rows", "Copy IPv4 Address"}));
        std::unique_ptr<QMenu> menu(table().makeContextMenu(1));
        menu->actions().at(0)->trigger();
        const QString row = "00-11-22-00-00-0b\t198.18.1.2\t2001:db8::2\t---\tTC-100\t00000b";
        QCOMPARE(QGuiApplication::clipboard()->text(), row);
        menu->actions().at(1)->trigger();
        const QStringList lines = QGuiApplication::clipboard()->text().split(u'\n');
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines.at(0),
                 "MAC Address\tIPv4 Address\tIPv6 Address\tAuto-IP Address\tModel\tSerial No.");
        QCOMPARE(lines.at(2), row);
        menu->actions().at(8)->trigger();
        QCOMPARE(opened, QList<QUrl>{QUrl(page)});
        QCOMPARE(table().model()->index(1, 2).data(Qt::ToolTipRole).toString(), page);
    }

    void statusLineCountsDevicesKindsAndChecks()
    {
        addCameras();
        model().addCamera(*fixture.service({"198.18.1.9"}),
                          makerTxt({{"macaddress", "00112200000d"}, {"device", "controller"}}));
        nextTurns();
        QCOMPARE(view->statusLine().text(), "Searching… 4 devices, 4 still being checked");
        for (qsizetype request = 0; request < fixture.http.requests.size(); ++request)
            fixture.http.finish(request, 404);
        endSearch();
        QCOMPARE(view->statusLine().text(), "4 devices (3 cameras, 1 controller)");
        model().addCamera(*fixture.service({"198.18.1.8"}),
                          makerTxt({{"macaddress", "00112200000e"}, {"device", "printer"}}));
        fixture.http.finish(fixture.http.requests.size() - 1, 404);
        nextTurns();
        QCOMPARE(view->statusLine().text(), "5 devices (3 cameras, 1 controller, 1 other)");
        // The filter's keys: lan_mainwindow, with real key events on the real window.
        QCOMPARE(view->filterField().placeholderText(), "Filter");
        view->filterField().setText("0b"); // the second camera's MAC and serial
        nextTurns();
        QCOMPARE(view->statusLine().text(), "1 of 5 devices");
    }

    void f5AndCtrlRSearchOnlyWhileTheButtonIsEnabledAndTabLeavesTheTable()
    {
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        for (const auto &[key, modifiers] :
             {std::pair(Qt::Key_F5, Qt::NoModifier), std::pair(Qt::Key_R, Qt::ControlModifier)}) {
            nextTurns(); // the button shows the running search
            const quint64 search = model().currentSearch();
            QTest::keyClick(view, key, modifiers); // while searching: nothing
            endSearch();
            QTest::keyClick(view, key, modifiers);
            QCOMPARE(model().currentSearch(), search + 1);
        }
        endSearch(); // and Tab goes from the table to the enabled button
        table().tableView()->setFocus();
        QTest::keyClick(table().tableView(), Qt::Key_Tab);
        QVERIFY(view->searchButton().hasFocus());
    }

    // The socket states' other lines: check-scan-nothing-found, through vindra-scan.
    void emptySearchExplainsItself()
    {
        endSearch();
        networks->networks = {{"eth1", QHostAddress("198.18.1.9"), 24}}; // read for the next search
        report = DnsSdSocketReport{
            true, false, true, {{"eth0", {QHostAddress("198.18.0.1")}, true}}, {}};
        model().startMdns();
        nextTurns();
        QVERIFY(view->nothingFoundText().isHidden()); // not while searching
        endSearch();
        QVERIFY(!view->nothingFoundText().isHidden());
        QCOMPARE(view->statusLine().text(), QString()); // the table says it
        QCOMPARE(view->nothingFoundText().text().split('\n'),
                 QStringList({"No devices found.", "Searched on eth0 (198.18.0.1).",
                              "UDP port 5353 is open, shared with another mDNS program.",
                              "If a firewall blocks mDNS, allow it: firewall-cmd "
                              "--add-service=mdns or ufw allow 5353/udp"}));
        fixture.addCamera(model(), "00112200000a", {"198.18.1.1"});
        nextTurns();
        QVERIFY(view->nothingFoundText().isHidden());
        view->cameraListTable().updateController();
        QCOMPARE(
            table().model()->index(0, 1).data(CameraListTableModel::outsideNetworksRole).toString(),
            QString());
    }

    // The computer's networks ("name address/prefix") and an IPv4 address; then what its warning
    // says in brackets, empty when the address is not marked.
    void outsideNetworks_data()
    {
        QTest::addColumn<QStringList>("interfaces");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("named");
        const QStringList eth0{"eth0 192.168.1.20/24"};
        // clang-format off
        QTest::newRow("inside") << eth0 << "192.168.1.7" << "";
        QTest::newRow("outside") << eth0 << "198.18.5.7" << "192.168.1.0/24 on eth0";
        QTest::newRow("auto-IP never marked") << eth0 << "169.254.3.4" << "";
        QTest::newRow("placeholder never marked") << eth0 << "---" << "";
        QTest::newRow("/32: the address itself") << QStringList{"tun0 198.18.5.7/32"} << "198.18.5.7" << "";
        QTest::newRow("/32: its neighbour") << QStringList{"tun0 198.18.5.7/32"} << "198.18.5.6" << "198.18.5.7/32 on tun0";
        QTest::newRow("several: inside the last")
            << QStringList{"eth0 192.168.1.20/24", "wlan0 198.18.0.1/15"} << "198.19.5.7" << "";
        QTest::newRow("several: each network once")
            << QStringList{"eth0 192.168.1.20/24", "eth0 192.168.1.21/24", "wlan0 10.1.2.3/8"}
            << "198.18.5.7" << "192.168.1.0/24 on eth0, 10.0.0.0/8 on wlan0";
        QTest::newRow("no IPv4 network") << QStringList{} << "198.18.5.7" << "it has no IPv4 network";
        // clang-format on
    }
    void outsideNetworks()
    {
        QFETCH(QStringList, interfaces);
        QFETCH(QString, address);
        QFETCH(QString, named);
        QList<LocalNetwork> list;
        for (const QString &network : interfaces)
            list.append({network.section(u' ', 0, 0),
                         QHostAddress(network.section(u' ', 1).section(u'/', 0, 0)),
                         network.section(u'/', 1).toInt()});
        const QString warning =
            QString("%1 did not answer. It is outside this computer's networks (%2): a router or "
                    "firewall between them may block it.");
        QCOMPARE(outsideNetworksWarning(address, list),
                 named.isEmpty() ? QString() : warning.arg(address, named));
    }

    // What assistive technology is told about "window", "button", "table", "status", "about" (the
    // About window), the table's cell "ROW COLUMN" or column header "header COLUMN": role, name
    // and description.
    void accessibility_data()
    {
        QTest::addColumn<QString>("object");
        QTest::addColumn<int>("role");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("description");
        const int cell = QAccessible::Cell;
        const QString outside = "198.18.1.3 did not answer. It is outside this computer's networks "
                                "(198.18.1.2/32 on lan0): a router or firewall between them may "
                                "block it.";
        // clang-format off
        QTest::newRow("main window") << "window" << int(QAccessible::Window) << "Vindra" << "";
        QTest::newRow("search button") << "button" << int(QAccessible::Button) << "Search Cameras" << "";
        QTest::newRow("table") << "table" << int(QAccessible::Table) << "Cameras" << "";
        QTest::newRow("status line") << "status" << int(QAccessible::StaticText) << "Search status"
                                     << "Searching… 3 devices, 4 still being checked";
        QTest::newRow("About window") << "about" << int(QAccessible::Client) << "About Vindra" << "";
        QTest::newRow("column header, translated") << "header 1" << int(QAccessible::ColumnHeader) << "IPv4 Address" << "";
        QTest::newRow("MAC address") << "0 0" << cell << "00-11-22-00-00-0a" << "";
        QTest::newRow("link outside the networks: it answered") << "0 1" << cell << "198.18.1.1"
                                                   << "Link to http://198.18.1.1:80";
        QTest::newRow("no answer, outside the networks") << "2 1" << cell << "198.18.1.3" << outside;
        QTest::newRow("IPv6 link") << "1 2" << cell << "2001:db8::2" << "Link to http://[2001:db8::2]:80";
        QTest::newRow("no link, inside") << "1 1" << cell << "198.18.1.2" << "";
        // clang-format on
    }
    void accessibility()
    {
        QFETCH(QString, object);
        addCameras();
        nextTurns();
        delegate.showAboutBox();
        const QMap<QString, QObject *> objects{{"window", window.get()},
                                               {"button", &view->searchButton()},
                                               {"table", table().tableView()},
                                               {"status", &view->statusLine()},
                                               {"about", delegate.aboutBoxWindow()}};
        QAccessibleInterface *rows = QAccessible::queryAccessibleInterface(table().tableView());
        const int first = object.section(u' ', 0, 0).toInt(),
                  second = object.section(u' ', 1).toInt();
        QAccessibleInterface *shown =
            objects.contains(object) ? QAccessible::queryAccessibleInterface(objects.value(object))
            : object.startsWith("header") ? rows->child(second + 1) // after the corner
                                          : rows->tableInterface()->cellAt(first, second);
        QVERIFY(shown);
        QTEST(int(shown->role()), "role");
        QTEST(shown->text(QAccessible::Name), "name");
        QTEST(shown->text(QAccessible::Description), "description");
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
