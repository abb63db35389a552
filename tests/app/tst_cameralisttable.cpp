#include "app/CameraListTable.h"
#include "table/CameraListTableController.h"
#include "table/CameraListTableModel.h"
#include "table/CameraTableView.h"
#include "table/DisplayedCameraList.h"
#include "table/ObservableCamera.h"
#include "tests/support/ModelFixture.h"

#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>

namespace
{
const QString longIpv6 = QStringLiteral("2001:db8:1234:5678:9abc:def0:1234:5678"); // 38 characters
const QByteArray longModelName = "TC-2000 Outdoor Dome";                           // 20 characters

QStringList macsOf(const ObservableCameraList &rows)
{
    QStringList macs;
    for (const auto &row : rows)
        macs.append(row->macAddress());
    return macs;
}

QStringList macsOf(const CameraList &cameras)
{
    QStringList macs;
    for (const Camera &camera : cameras)
        macs.append(camera.macAddress);
    return macs;
}

int columnWidth(const CameraListTable &table, int column)
{
    return table.controller().tableView()->columnWidth(column);
}
} // namespace

class TestCameraListTable : public QObject
{
    Q_OBJECT
private:
    ModelFixture fixture;
    std::unique_ptr<Model> model;
    std::unique_ptr<CameraListTable> table;
    std::chrono::milliseconds now{1000};
    FakeOneShotTimer frameTimers;

    // Paced by a clock that only the test moves; interval 0 lets every update come on the next
    // turn.
    void makeTable(std::chrono::milliseconds interval)
    {
        table = std::make_unique<CameraListTable>(
            *model, nullptr,
            UpdatePacing{interval, [this] { return now; }, frameTimers.scheduler()});
        table->resize(1000, 400);
        nextTurn();
    }

    // Lets the queued update run.
    static void nextTurn() { QCoreApplication::processEvents(); }

private Q_SLOTS:
    void init()
    {
        fixture = {};
        displayedCameraList().clear();
        frameTimers = {};
        model = fixture.makeModel();
        makeTable(std::chrono::milliseconds(0));
    }

    void cleanup()
    {
        table.reset();
        model.reset();
    }

    void firstUpdateOnEmptyListDoesNothing()
    {
        QSignalSpy assignments(&table->controller(), &CameraListTableController::listChanged);
        table->updateController();
        QCOMPARE(assignments.size(), 0);
        QVERIFY(table->controller().list().isEmpty());
    }

    void updateRunsOnALaterTurnOncePerTurn()
    {
        QSignalSpy assignments(&table->controller(), &CameraListTableController::listChanged);
        fixture.addCamera(*model, "001122000001", {"198.18.1.1"});
        fixture.addCamera(*model, "001122000002", {"198.18.1.2"});
        fixture.addCamera(*model, "001122000003", {"198.18.1.3"});
        // Announced before the values were stored: nothing has been read yet.
        QCOMPARE(assignments.size(), 0);
        QVERIFY(displayedCameraList().isEmpty());
        nextTurn();
        QCOMPARE(assignments.size(), 1);
        QCOMPARE(macsOf(table->controller().list()), macsOf(model->cameraList()));
        QCOMPARE(displayedCameraList(), model->cameraList());
    }

    void updatesArePacedByTheFrameInterval()
    {
        using std::chrono::milliseconds;
        table.reset();
        makeTable(milliseconds(33));
        QSignalSpy assignments(&table->controller(), &CameraListTableController::listChanged);

        // The first change after a quiet spell comes on the next turn.
        now += milliseconds(100);
        fixture.addCamera(*model, "001122000001", {"198.18.1.1"});
        nextTurn();
        QCOMPARE(assignments.size(), 1);
        QVERIFY(frameTimers.shots.isEmpty());

        // Changes within the interval wait for its end, then come as one update.
        now += milliseconds(10);
        fixture.addCamera(*model, "001122000002", {"198.18.1.2"});
        nextTurn();
        fixture.addCamera(*model, "001122000003", {"198.18.1.3"});
        nextTurn();
        QCOMPARE(assignments.size(), 1);
        QCOMPARE(frameTimers.shots.size(), 1);
        QCOMPARE(frameTimers.shots.front().interval, milliseconds(23));
        now += milliseconds(23);
        frameTimers.fire(0);
        QCOMPARE(assignments.size(), 2);
        QCOMPARE(macsOf(table->controller().list()), macsOf(model->cameraList()));

        // A late timer of a table that is gone does nothing.
        fixture.addCamera(*model, "001122000004", {"198.18.1.4"});
        QCOMPARE(frameTimers.shots.size(), 2);
        table.reset();
        frameTimers.fire(1);
    }

    void buttonFlagChangeTouchesNothing()
    {
        model->startMdns();
        fixture.addCamera(*model, "001122000001", {"198.18.1.1", longIpv6});
        fixture.addCamera(*model, "001122000002", {"198.18.1.2"});
        nextTurn();
        table->controller().setSelectedRowMac(model->cameraList().at(1).macAddress);
        const ObservableCameraList rows = table->controller().list();
        const int ipv6Width = columnWidth(*table, 2);
        table->controller().tableView()->setColumnWidth(4, 33);
        QSignalSpy assignments(&table->controller(), &CameraListTableController::listChanged);

        fixture.timers.fire(0); // stopMdns: only the button flag changes
        QVERIFY(model->isEnabledSearchButton());
        nextTurn();

        QCOMPARE(assignments.size(), 0);
        QCOMPARE(table->controller().list(), rows); // the same row objects
        QCOMPARE(table->controller().selectedRowMac(), model->cameraList().at(1).macAddress);
        QCOMPARE(columnWidth(*table, 2), ipv6Width);
        QCOMPARE(columnWidth(*table, 4), 33);
    }

    void clearedListClearsSelectionAndKeepsWidths()
    {
        fixture.addCamera(*model, "001122000001", {"198.18.1.1", longIpv6}, longModelName);
        fixture.addCamera(*model, "001122000002", {"198.18.1.2"});
        fixture.addCamera(*model, "001122000003", {"198.18.1.3"});
        nextTurn();
        table->controller().setSelectedRowMac(model->cameraList().at(2).macAddress);
        const int ipv6Width = columnWidth(*table, 2);
        const int modelNameWidth = columnWidth(*table, 4);
        QCOMPARE(ipv6Width, 38 * 7 + 25);
        QCOMPARE(modelNameWidth, 20 * 7 + 10);

        model->startMdns(); // a new search empties the list
        nextTurn();

        QVERIFY(displayedCameraList().isEmpty());
        QVERIFY(table->controller().list().isEmpty());
        QCOMPARE(table->controller().tableView()->model()->rowCount(), 0);
        QCOMPARE(table->controller().selectedRowMac(), QString());
        QCOMPARE(columnWidth(*table, 2), ipv6Width);
        QCOMPARE(columnWidth(*table, 4), modelNameWidth);
    }

    void countChangeFitsBothColumnsBeforeAssigning()
    {
        fixture.addCamera(*model, "001122000001", {"198.18.1.1"});
        fixture.addCamera(*model, "001122000002", {"198.18.1.2"});
        nextTurn();
        QVERIFY(columnWidth(*table, 2) < 38 * 7 + 25);
        QVERIFY(columnWidth(*table, 4) < 20 * 7 + 10);

        // Widths as the table had them when the new rows arrived.
        int ipv6WidthAtAssignment = -1;
        int modelNameWidthAtAssignment = -1;
        connect(&table->controller(), &CameraListTableController::listChanged, this, [&] {
            ipv6WidthAtAssignment = columnWidth(*table, 2);
            modelNameWidthAtAssignment = columnWidth(*table, 4);
        });
        fixture.addCamera(*model, "001122000003", {"198.18.1.3", longIpv6}, longModelName);
        nextTurn();

        QCOMPARE(table->controller().list().size(), 3);
        QCOMPARE(ipv6WidthAtAssignment, 38 * 7 + 25);
        QCOMPARE(modelNameWidthAtAssignment, 20 * 7 + 10);
    }

    void sameCountProbeResultRebuildsRowsWithoutFitting()
    {
        model->startMdns();
        fixture.addCamera(*model, "001122000001", {"198.18.1.1", longIpv6}, longModelName);
        fixture.addCamera(*model, "001122000002", {"198.18.1.2"});
        nextTurn();
        const QString selected = model->cameraList().at(0).macAddress;
        table->controller().setSelectedRowMac(selected);
        // The user narrowed both columns; a fitting would widen them again.
        table->controller().tableView()->setColumnWidth(2, 120);
        table->controller().tableView()->setColumnWidth(4, 60);
        const ObservableCameraList before = table->controller().list();
        QVERIFY(!before.at(0)->ipV4().isUnderlined);

        model->applyIpv4Result(200, false, 0, model->currentSearch());
        nextTurn();

        const ObservableCameraList after = table->controller().list();
        QCOMPARE(after.size(), 2);
        QVERIFY(after.at(0) != before.at(0)); // rebuilt, not patched
        QVERIFY(after.at(1) != before.at(1));
        QVERIFY(after.at(0)->ipV4().isUnderlined);
        QCOMPARE(columnWidth(*table, 2), 120);
        QCOMPARE(columnWidth(*table, 4), 60);
        QCOMPARE(table->controller().selectedRowMac(), selected);
    }

    void sortedTableShowsModelOrderAgainAndSelectionFollowsMac()
    {
        model->startMdns();
        fixture.addCamera(*model, "001122000001", {"198.18.1.1"}, "Zeta");
        fixture.addCamera(*model, "001122000002", {"198.18.1.2"}, "Alpha");
        fixture.addCamera(*model, "001122000003", {"198.18.1.3"}, "Mu");
        nextTurn();
        CameraTableView &view = *table->controller().tableView();
        table->show();
        QVERIFY(QTest::qWaitForWindowExposed(table.get()));

        // The user selects "Zeta" (first row) and sorts by model name with a header click.
        const QString zeta = model->cameraList().at(0).macAddress;
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {},
                          view.visualRect(view.model()->index(0, 0)).center());
        QCOMPARE(table->controller().selectedRowMac(), zeta);
        QHeaderView &header = *view.horizontalHeader();
        QTest::mouseClick(header.viewport(), Qt::LeftButton, {},
                          QPoint(header.sectionViewportPosition(4) + 5, header.height() / 2));
        QStringList sortedNames;
        for (const auto &row : table->controller().list())
            sortedNames.append(row->modelName());
        QCOMPARE(sortedNames, QStringList({"Alpha", "Mu", "Zeta"}));

        // A probe result: the rows come back in the model's order, "Zeta" still selected.
        model->applyIpv4Result(200, false, 1, model->currentSearch());
        nextTurn();
        QCOMPARE(macsOf(table->controller().list()), macsOf(model->cameraList()));
        QCOMPARE(table->controller().selectedRowMac(), zeta);
        const QAbstractItemModel &rows = *view.model();
        const auto background = [&](int row) {
            return rows.data(rows.index(row, 0), Qt::BackgroundRole).value<QColor>();
        };
        QCOMPARE(background(0), QColor(0x80, 0x41, 0x00));
        QCOMPARE(background(1), QColor(0x14, 0x14, 0x14));
        QCOMPARE(background(2), QColor(0x14, 0x14, 0x14));
    }

    // Which addresses are links: 'i' IPv4, '6' IPv6, 'a' auto-IP underlined.
    void linkRules_data()
    {
        QTest::addColumn<Camera>("camera");
        QTest::addColumn<QString>("links");

        Camera plain;
        plain.ipv4 = "198.18.1.1";
        plain.ipv6 = "2001:db8::1";
        plain.autoIp = "169.254.3.4";
        QTest::newRow("nothing answered") << plain << "";

        Camera camera = plain;
        camera.isIpv4Enabled = true;
        QTest::newRow("IPv4 over HTTP") << camera << "i";
        camera = plain;
        camera.isIpv4HttpsEnabled = true;
        QTest::newRow("IPv4 over HTTPS only") << camera << "i";
        camera = plain;
        camera.isIpv6Enabled = true;
        QTest::newRow("IPv6 over HTTP") << camera << "6";
        camera = plain;
        camera.isIpv6HttpsEnabled = true;
        QTest::newRow("IPv6 over HTTPS only") << camera << "6";
        camera = plain;
        camera.isAutoIpEnabled = true;
        QTest::newRow("auto-IP over HTTP") << camera << "a";
        camera = plain;
        camera.isAutoIpHttpsEnabled = true;
        QTest::newRow("auto-IP over HTTPS only is no link") << camera << "";
        camera = plain;
        camera.ipv6 = placeholderText;
        camera.isIpv6Enabled = true;
        QTest::newRow("placeholder IPv6 with its flag") << camera << "";
        camera = plain;
        camera.ipv4 = placeholderText;
        camera.isIpv4HttpsEnabled = true;
        camera.autoIp = placeholderText;
        camera.isAutoIpEnabled = true;
        QTest::newRow("placeholders with flags") << camera << "";
        camera = plain;
        camera.isIpv4Enabled = camera.isIpv4HttpsEnabled = camera.isIpv6Enabled = true;
        camera.isIpv6HttpsEnabled = camera.isAutoIpEnabled = camera.isAutoIpHttpsEnabled = true;
        QTest::newRow("everything answered") << camera << "i6a";
    }

    void linkRules()
    {
        QFETCH(Camera, camera);
        QFETCH(QString, links);
        const ObservableCameraList rows = CameraListTable::makeRows({camera});
        QCOMPARE(rows.size(), 1);
        const ObservableCamera &row = *rows.front();
        QCOMPARE(row.ipV4().isUnderlined, links.contains(u'i'));
        QCOMPARE(row.ipV6().isUnderlined, links.contains(u'6'));
        QCOMPARE(row.autoIp().isUnderlined, links.contains(u'a'));
        // Texts unchanged; only the HTTP flags reach the row.
        QCOMPARE(row.ipV4().string, camera.ipv4);
        QCOMPARE(row.ipV6().string, camera.ipv6);
        QCOMPARE(row.autoIp().string, camera.autoIp);
        QCOMPARE(row.isIpv4Enabled(), camera.isIpv4Enabled);
        QCOMPARE(row.isIpv6Enabled(), camera.isIpv6Enabled);
        QCOMPARE(row.isAutoIpEnabled(), camera.isAutoIpEnabled);
    }

    void rowsCarryTheCameraFields()
    {
        Camera camera;
        camera.macAddress = "00-11-22-aa-bb-cc";
        camera.moedelName = "TC-100";
        camera.serialNumber = "A12345";
        const ObservableCameraList rows = CameraListTable::makeRows({camera, Camera()});
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(0)->macAddress(), camera.macAddress);
        QCOMPARE(rows.at(0)->modelName(), camera.moedelName);
        QCOMPARE(rows.at(0)->serialNumber(), camera.serialNumber);
        QCOMPARE(rows.at(1)->macAddress(), placeholderText);
    }

    void underlineAttributesAreOneSingleUnderline()
    {
        QCOMPARE(underlineAttributes.underlineStyle, 1);
        QCOMPARE(attributedText("198.18.1.1", underlineAttributes),
                 AttributedText::underlined("198.18.1.1"));
        QCOMPARE(attributedText("198.18.1.1"), AttributedText::plain("198.18.1.1"));
    }
};

QTEST_MAIN(TestCameraListTable)
#include "tst_cameralisttable.moc"
