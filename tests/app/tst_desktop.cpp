// What the main window offers beyond the mouse: keys, copying, the status line, the explanation
// of an empty search and the link tooltips.
#include "app/CameraListTable.h"
#include "app/MainWindowView.h"
#include "app/SearchButton.h"
#include "platform/Translations.h"
#include "table/CameraListTableController.h"
#include "table/CameraListTableModel.h"
#include "table/CameraTableView.h"
#include "table/DisplayedCameraList.h"
#include "tests/support/ModelFixture.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
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
    std::unique_ptr<MainWindowView> view;
    QList<QUrl> opened;

    Model &model() { return view->model(); }
    CameraListTableController &table() { return view->cameraListTable().controller(); }
    static void nextTurns()
    {
        for (int turn = 0; turn < 3; ++turn)
            QCoreApplication::processEvents();
    }
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
    void cleanup() { view.reset(); }
    void init()
    {
        opened.clear();
        displayedCameraList().clear();
        view = std::make_unique<MainWindowView>(std::make_unique<Model>(
            [this] {
                auto browser = std::make_unique<ReportingBrowser>();
                browser->report = std::exchange(report, std::nullopt);
                return browser;
            },
            fixture.http, fixture.time.makeTimer()));
    }

    // Keys move the selection by MAC, in the selected colour; Enter opens what a press on the
    // row's first link cell opens (nothing without a link); Ctrl+C copies the row.
    void keysSelectOpenAndCopy_data()
    {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("page");
        const QString ipv6Page = "http://[2001:db8::2]:80";
        QTest::newRow("down: first") << QList<int>{Qt::Key_Down} << 0 << "http://198.18.1.1:80";
        QTest::newRow("up: last, no link") << QList<int>{Qt::Key_Up} << 2 << "";
        QTest::newRow("end, down, up")
            << QList<int>{Qt::Key_End, Qt::Key_Down, Qt::Key_Up} << 1 << ipv6Page;
        QTest::newRow("home, up") << QList<int>{Qt::Key_Home, Qt::Key_Up} << 0
                                  << "http://198.18.1.1:80";
    }
    void keysSelectOpenAndCopy()
    {
        QFETCH(QList<int>, keys);
        QFETCH(int, selected);
        QFETCH(QString, page);
        addCameras();
        for (int key : keys + QList<int>{Qt::Key_Return})
            QTest::keyClick(table().tableView(), Qt::Key(key));
        QTest::keyClick(table().tableView(), Qt::Key_C, Qt::ControlModifier);
        const QString mac = table().list().at(selected)->macAddress();
        QCOMPARE(table().selectedRowMac(), mac);
        QCOMPARE(opened, page.isEmpty() ? QList<QUrl>() : QList<QUrl>{QUrl(page)});
        QCOMPARE(QGuiApplication::clipboard()->text().section('\t', 0, 0), mac);
    }

    void contextMenuAndTooltipsOfferWhatTheRowHas()
    {
        addCameras();
        std::unique_ptr<QMenu> menu(table().makeContextMenu(1));
        QStringList titles;
        for (const QAction *action : menu->actions())
            titles.append(action->text());
        const QString page = "http://[2001:db8::2]:80";
        QCOMPARE(titles, QStringList({"Copy Row", "Copy MAC Address", "Copy IPv4 Address",
                                      "Copy IPv6 Address", "Copy Serial Number", "", "Open " + page,
                                      "Copy " + page}));
        menu->actions().at(0)->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 "00-11-22-00-00-0b\t198.18.1.2\t2001:db8::2\t---\tTC-100\t00000b");
        menu->actions().at(6)->trigger();
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
    }

    void f5AndCtrlRSearchOnlyWhileTheButtonIsEnabledAndTabLeavesTheTable()
    {
        view->show();
        QVERIFY(QTest::qWaitForWindowActive(view.get()));
        for (const auto &[key, modifiers] :
             {std::pair(Qt::Key_F5, Qt::NoModifier), std::pair(Qt::Key_R, Qt::ControlModifier)}) {
            nextTurns(); // the button shows the running search
            const quint64 search = model().currentSearch();
            QTest::keyClick(view.get(), key, modifiers); // while searching: nothing
            endSearch();
            QTest::keyClick(view.get(), key, modifiers);
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
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
