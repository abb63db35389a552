// What the main window offers beyond the mouse: keys, copying, the status line, the explanation
// of an empty search and the link tooltips.
#include "app/CameraListTable.h"
#include "app/MainWindowView.h"
#include "app/SearchButton.h"
#include "app/SearchReport.h"
#include "app/Translations.h"
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

namespace
{
// Records the URLs handed to the desktop's opener.
class UrlSink : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl &url) { opened.append(url); }
};

// A browser whose sockets came up as `report` says.
class ReportingBrowser : public FakeDnsSdBrowser
{
public:
    std::optional<DnsSdSocketReport> report;
    std::optional<DnsSdSocketReport> socketReport() const override { return report; }
};

void nextTurns()
{
    for (int turn = 0; turn < 3; ++turn)
        QCoreApplication::processEvents();
}
} // namespace

class TestDesktop : public QObject
{
    Q_OBJECT

    ModelFixture fixture;
    std::optional<DnsSdSocketReport> report;
    std::unique_ptr<MainWindowView> view;
    UrlSink urls;

    Model &model() { return view->model(); }
    CameraListTableController &controller() { return view->cameraListTable().controller(); }
    // Three cameras: the second answered on IPv6 only (port 8080), the third on nothing.
    void addCameras()
    {
        fixture.addCamera(model(), "00112200000a", {"198.18.1.1"});
        fixture.addCamera(model(), "00112200000b", {"198.18.1.2", "2001:db8::2"});
        fixture.addCamera(model(), "00112200000c", {"198.18.1.3"});
        model().applyIpv4Result(200, false, 0, model().currentSearch());
        model().applyIpv6Result(200, false, 1, model().currentSearch());
        view->cameraListTable().updateController();
    }
    void endSearch()
    {
        fixture.time.advance(Model::kBrowseDurationMs);
        nextTurns();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(installTranslations(*qApp, QLocale(QLocale::English)));
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &urls, "open");
    }

    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(QStringLiteral("http")); }

    void init()
    {
        urls.opened.clear();
        displayedCameraList().clear();
        report.reset();
        auto model = std::make_unique<Model>(
            [this] {
                auto browser = std::make_unique<ReportingBrowser>();
                browser->report = report;
                return std::unique_ptr<DnsSdBrowser>(std::move(browser));
            },
            fixture.http, fixture.time.makeTimer());
        view = std::make_unique<MainWindowView>(std::move(model));
    }

    void cleanup() { view.reset(); }

    void arrowsHomeAndEndMoveTheSelectionByMac_data()
    {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<int>("selected");
        QTest::newRow("down from none: first") << QList<int>{Qt::Key_Down} << 0;
        QTest::newRow("up from none: last") << QList<int>{Qt::Key_Up} << 2;
        QTest::newRow("down, down") << QList<int>{Qt::Key_Down, Qt::Key_Down} << 1;
        QTest::newRow("down stops at the end")
            << QList<int>{Qt::Key_End, Qt::Key_Down, Qt::Key_Up} << 1;
        QTest::newRow("up stops at the start") << QList<int>{Qt::Key_Home, Qt::Key_Up} << 0;
    }
    void arrowsHomeAndEndMoveTheSelectionByMac()
    {
        QFETCH(QList<int>, keys);
        QFETCH(int, selected);
        addCameras();
        for (int key : keys)
            QTest::keyClick(controller().tableView(), Qt::Key(key));
        QCOMPARE(controller().selectedRowMac(), controller().list().at(selected)->macAddress());
        const QModelIndex cell = controller().model()->index(selected, 0);
        QCOMPARE(cell.data(Qt::BackgroundRole).value<QColor>(), QColor("#804100"));
    }

    // Enter opens what a press on the row's first link cell opens; Ctrl+C copies the row.
    void enterOpensTheFirstLinkAndCtrlCCopiesTheRow()
    {
        addCameras();
        QTest::keyClick(controller().tableView(), Qt::Key_Down);
        QTest::keyClick(controller().tableView(), Qt::Key_Down);
        QTest::keyClick(controller().tableView(), Qt::Key_Return);
        QTest::keyClick(controller().tableView(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(urls.opened, QList<QUrl>{QUrl("http://[2001:db8::2]:80")});
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 "00-11-22-00-00-0b\t198.18.1.2\t2001:db8::2\t---\tTC-100\t00000b");
        QTest::keyClick(controller().tableView(), Qt::Key_Down); // no link: opens nothing
        QTest::keyClick(controller().tableView(), Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(urls.opened.size(), 1);
    }

    void contextMenuOffersWhatTheRowHas()
    {
        addCameras();
        std::unique_ptr<QMenu> menu(controller().makeContextMenu(1));
        QStringList titles;
        for (const QAction *action : menu->actions())
            titles.append(action->text());
        QCOMPARE(titles,
                 QStringList({"Copy Row", "Copy MAC Address", "Copy IPv4 Address",
                              "Copy IPv6 Address", "Copy Serial Number", "",
                              "Open http://[2001:db8::2]:80", "Copy http://[2001:db8::2]:80"}));
        menu->actions().at(3)->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), "2001:db8::2");
        menu->actions().at(6)->trigger();
        QCOMPARE(urls.opened, QList<QUrl>{QUrl("http://[2001:db8::2]:80")});
        // The link cell's tooltip is that same page; a plain cell's is its text.
        QCOMPARE(controller().model()->index(1, 2).data(Qt::ToolTipRole).toString(),
                 "http://[2001:db8::2]:80");
        QCOMPARE(controller().model()->index(1, 1).data(Qt::ToolTipRole).toString(), "198.18.1.2");
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

    void f5AndCtrlRSearchOnlyWhileTheButtonIsEnabled()
    {
        view->show();
        QVERIFY(QTest::qWaitForWindowActive(view.get()));
        const quint64 first = model().currentSearch();
        QTest::keyClick(view.get(), Qt::Key_F5);
        QCOMPARE(model().currentSearch(), first);
        endSearch();
        QTest::keyClick(view.get(), Qt::Key_F5);
        QCOMPARE(model().currentSearch(), first + 1);
        endSearch();
        QTest::keyClick(view.get(), Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(model().currentSearch(), first + 2);
    }

    void emptySearchExplainsItself_data()
    {
        QTest::addColumn<std::optional<DnsSdSocketReport>>("sockets");
        QTest::addColumn<QStringList>("middle");
        QTest::addColumn<bool>("noSocket");
        DnsSdSocketReport shared{
            true, false, true, {{"eth0", {QHostAddress("198.18.0.1")}, true}}, {}};
        DnsSdSocketReport closed{false, false, false, {}, {"IPv4 socket on port 5353: denied"}};
        QTest::newRow("no report") << std::optional<DnsSdSocketReport>() << QStringList() << false;
        QTest::newRow("shared port")
            << std::optional(shared)
            << QStringList{"Searched on eth0 (198.18.0.1).",
                           "UDP port 5353 is open, shared with another mDNS program."}
            << false;
        QTest::newRow("nothing opened")
            << std::optional(closed)
            << QStringList{"No network interface with multicast.",
                           "UDP port 5353 could not be opened: IPv4 socket on port 5353: denied"}
            << true;
    }
    void emptySearchExplainsItself()
    {
        QFETCH(std::optional<DnsSdSocketReport>, sockets);
        QFETCH(QStringList, middle);
        QFETCH(bool, noSocket);
        endSearch();
        report = sockets;
        view->searchButton().click(); // a search whose browser has this report
        nextTurns();
        QVERIFY(view->nothingFoundText().isHidden()); // not while searching
        endSearch();
        const QStringList lines = QStringList{"No devices found."} + middle +
                                  QStringList{"If a firewall blocks mDNS, allow it: firewall-cmd "
                                              "--add-service=mdns or ufw allow 5353/udp"};
        QCOMPARE(view->nothingFoundText().text(), lines.join('\n'));
        QVERIFY(!view->nothingFoundText().isHidden());
        QCOMPARE(hasNoMdnsSocket(model().socketReport()), noSocket);
        fixture.addCamera(model(), "00112200000a", {"198.18.1.1"});
        nextTurns();
        QVERIFY(view->nothingFoundText().isHidden());
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
