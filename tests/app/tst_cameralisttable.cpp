// The bridge from the model's camera list to the table: pacing, change test, link rule, column
// fitting and the selection across new searches and sorts.
#include "app/CameraListTable.h"
#include "table/CameraListTableController.h"
#include "table/CameraTableView.h"
#include "table/DisplayedCameraList.h"
#include "tests/support/ModelFixture.h"

#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>

namespace
{
const QString kLongIpv6 = QStringLiteral("2001:db8:1234:5678:9abc:def0:1234:5678"); // 38
const QByteArray kLongModelName = "TC-2000 Outdoor Dome";                           // 20
const int kLongIpv6Width = 38 * 7 + 25;
const int kLongModelNameWidth = 20 * 7 + 10;

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
} // namespace

class TestCameraListTable : public QObject
{
    Q_OBJECT

    std::unique_ptr<ModelFixture> fixture;
    std::unique_ptr<Model> model;
    std::unique_ptr<CameraListTable> table;

    CameraListTableController &controller() { return table->controller(); }
    CameraTableView &view() { return *controller().tableView(); }
    // The coalescers' queued calls, and the ones they queue in turn.
    static void nextTurn()
    {
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
    // The announced changes have reached the table, paced or not.
    void settle()
    {
        nextTurn();
        fixture->time.advance(CameraListTable::kFrameIntervalMs);
    }
    void add(const QByteArray &mac, const QString &ipv6 = "2001:db8::1",
             const QByteArray &modelName = "TC-100")
    {
        fixture->addCamera(*model, mac, {"198.18.1." + QString::number(mac.right(1).toInt()), ipv6},
                           modelName);
    }
    QColor background(int row)
    {
        return view().model()->index(row, 0).data(Qt::BackgroundRole).value<QColor>();
    }

private Q_SLOTS:
    void init()
    {
        fixture = std::make_unique<ModelFixture>();
        displayedCameraList().clear();
        model = fixture->makeModel();
        model->startMdns();
        table = std::make_unique<CameraListTable>(*model, nullptr, &fixture->time,
                                                  fixture->time.makeTimer());
        table->resize(1000, 400);
        settle();
    }

    void cleanup()
    {
        table.reset();
        model.reset();
        fixture.reset();
    }

    void updatesArePacedToOnePerFrame()
    {
        QSignalSpy assignments(&controller(), &CameraListTableController::listChanged);
        table->updateController(); // empty list, nothing shown yet: nothing happens
        QCOMPARE(assignments.size(), 0);

        // After a quiet spell: on the next turn, once for all the changes of this turn.
        fixture->time.advance(100);
        add("001122000001");
        add("001122000002");
        QVERIFY(displayedCameraList().isEmpty()); // announced before the values were stored
        nextTurn();
        QCOMPARE(assignments.size(), 1);
        QCOMPARE(displayedCameraList(), model->cameraList());

        // Within the frame: at its end, once.
        fixture->time.advance(10);
        add("001122000003");
        nextTurn();
        add("001122000004");
        nextTurn();
        QCOMPARE(assignments.size(), 1);
        fixture->time.advance(22);
        QCOMPARE(assignments.size(), 1);
        fixture->time.advance(1);
        QCOMPARE(assignments.size(), 2);
        QCOMPARE(macsOf(controller().list()), macsOf(model->cameraList()));
    }

    // A new search 10 ms after the last update, at the real frame interval: the emptied list
    // is shown at once, so the old selection is gone before the first camera answers again.
    void newSearchEmptiesTheTableAtOnce()
    {
        add("001122000001", kLongIpv6, kLongModelName);
        add("001122000002");
        add("001122000003");
        settle();
        controller().setSelectedRowMac(model->cameraList().at(2).macAddress);
        QCOMPARE(view().columnWidth(2), kLongIpv6Width);
        QCOMPARE(view().columnWidth(4), kLongModelNameWidth);

        model->applyIpv4Result(200, false, 2, model->currentSearch()); // the last update...
        nextTurn();
        QVERIFY(controller().list().at(2)->ipV4().isUnderlined);
        fixture->time.advance(10); // ...and 10 ms later a new search
        model->startMdns();
        nextTurn();
        QVERIFY(displayedCameraList().isEmpty());
        QCOMPARE(view().model()->rowCount(), 0);
        QCOMPARE(controller().selectedRowMac(), QString());
        QCOMPARE(view().columnWidth(2), kLongIpv6Width);
        QCOMPARE(view().columnWidth(4), kLongModelNameWidth);

        add("001122000003");
        settle();
        QCOMPARE(controller().list().size(), 1);
        QCOMPARE(background(0), QColor(0x14, 0x14, 0x14));
    }

    void buttonFlagChangeTouchesNothing()
    {
        add("001122000001", kLongIpv6);
        add("001122000002");
        settle();
        controller().setSelectedRowMac(model->cameraList().at(1).macAddress);
        const ObservableCameraList rows = controller().list();
        view().setColumnWidth(4, 33);
        QSignalSpy assignments(&controller(), &CameraListTableController::listChanged);

        fixture->time.advance(Model::kBrowseDurationMs); // stopMdns: only the button flag changes
        QVERIFY(model->isEnabledSearchButton());
        settle();
        QCOMPARE(assignments.size(), 0);
        QCOMPARE(controller().list(), rows); // the same row objects
        QCOMPARE(controller().selectedRowMac(), model->cameraList().at(1).macAddress);
        QCOMPARE(view().columnWidth(2), kLongIpv6Width);
        QCOMPARE(view().columnWidth(4), 33);
    }

    void countChangeFitsBothColumnsBeforeAssigning()
    {
        add("001122000001");
        settle();
        QVERIFY(view().columnWidth(2) < kLongIpv6Width);
        int ipv6Width = -1;
        int modelNameWidth = -1;
        connect(&controller(), &CameraListTableController::listChanged, this, [&] {
            ipv6Width = view().columnWidth(2);
            modelNameWidth = view().columnWidth(4);
        });
        add("001122000002", kLongIpv6, kLongModelName);
        settle();
        QCOMPARE(ipv6Width, kLongIpv6Width);
        QCOMPARE(modelNameWidth, kLongModelNameWidth);
    }

    void sameCountProbeResultRebuildsRowsWithoutFitting()
    {
        add("001122000001", kLongIpv6, kLongModelName);
        add("001122000002");
        settle();
        const QString selected = model->cameraList().at(0).macAddress;
        controller().setSelectedRowMac(selected);
        view().setColumnWidth(2, 120); // narrowed by the user; a fitting would widen it again
        view().setColumnWidth(4, 60);
        const ObservableCameraList before = controller().list();

        model->applyIpv4Result(200, false, 0, model->currentSearch());
        settle();
        const ObservableCameraList after = controller().list();
        QVERIFY(after.at(0) != before.at(0) && after.at(1) != before.at(1)); // rebuilt
        QVERIFY(after.at(0)->ipV4().isUnderlined);
        QCOMPARE(view().columnWidth(2), 120);
        QCOMPARE(view().columnWidth(4), 60);
        QCOMPARE(controller().selectedRowMac(), selected);
    }

    void sortedTableShowsModelOrderAgainAndSelectionFollowsMac()
    {
        add("001122000001", "---", "Zeta");
        add("001122000002", "---", "Alpha");
        add("001122000003", "---", "Mu");
        settle();
        table->show();
        QVERIFY(QTest::qWaitForWindowExposed(table.get()));
        QTest::mouseClick(view().viewport(), Qt::LeftButton, {},
                          view().visualRect(view().model()->index(0, 0)).center());
        const QString zeta = model->cameraList().at(0).macAddress;
        QCOMPARE(controller().selectedRowMac(), zeta);
        QHeaderView &header = *view().horizontalHeader();
        QTest::mouseClick(header.viewport(), Qt::LeftButton, {},
                          {header.sectionViewportPosition(4) + 5, header.height() / 2});
        QCOMPARE(controller().list().at(0)->modelName(), "Alpha");

        model->applyIpv4Result(200, false, 1, model->currentSearch());
        settle();
        QCOMPARE(macsOf(controller().list()), macsOf(model->cameraList()));
        QCOMPARE(controller().selectedRowMac(), zeta);
        QCOMPARE(background(0), QColor(0x80, 0x41, 0x00));
        QCOMPARE(background(1), QColor(0x14, 0x14, 0x14));
    }

    // Which addresses are links: 'i' IPv4, '6' IPv6, 'a' auto-IP underlined. Flags as set:
    // 'I', '6', 'A' over HTTP; 'S', 'T', 'U' over HTTPS (IPv4, IPv6, auto-IP); '-' placeholders.
    void linkRules_data()
    {
        QTest::addColumn<QString>("answers");
        QTest::addColumn<QString>("links");
        // clang-format off
        QTest::newRow("nothing answered") << "" << "";
        QTest::newRow("IPv4 over HTTP") << "I" << "i";
        QTest::newRow("IPv4 over HTTPS only") << "S" << "i";
        QTest::newRow("IPv6 over HTTP") << "6" << "6";
        QTest::newRow("IPv6 over HTTPS only") << "T" << "6";
        QTest::newRow("auto-IP over HTTP") << "A" << "a";
        QTest::newRow("auto-IP over HTTPS only is no link") << "U" << "";
        QTest::newRow("placeholders with flags") << "-I6SAT" << "";
        QTest::newRow("everything answered") << "I6ASTU" << "i6a";
        // clang-format on
    }

    void linkRules()
    {
        QFETCH(QString, answers);
        QFETCH(QString, links);
        Camera camera;
        camera.macAddress = "00-11-22-aa-bb-cc";
        camera.moedelName = "TC-100";
        camera.serialNumber = "A12345";
        const bool placeholders = answers.contains(u'-');
        camera.ipv4 = placeholders ? placeholderText : "198.18.1.1";
        camera.ipv6 = placeholders ? placeholderText : "2001:db8::1";
        camera.autoIp = placeholders ? placeholderText : "169.254.3.4";
        camera.isIpv4Enabled = answers.contains(u'I');
        camera.isIpv6Enabled = answers.contains(u'6');
        camera.isAutoIpEnabled = answers.contains(u'A');
        camera.isIpv4HttpsEnabled = answers.contains(u'S');
        camera.isIpv6HttpsEnabled = answers.contains(u'T');
        camera.isAutoIpHttpsEnabled = answers.contains(u'U');
        const ObservableCameraList rows = CameraListTable::makeRows({camera});
        const ObservableCamera &row = *rows.front();
        QCOMPARE(row.ipV4(), AttributedText({camera.ipv4, links.contains(u'i')}));
        QCOMPARE(row.ipV6(), AttributedText({camera.ipv6, links.contains(u'6')}));
        QCOMPARE(row.autoIp(), AttributedText({camera.autoIp, links.contains(u'a')}));
        // Only the HTTP flags reach the row.
        QCOMPARE(row.isIpv4Enabled(), camera.isIpv4Enabled);
        QCOMPARE(row.isIpv6Enabled(), camera.isIpv6Enabled);
        QCOMPARE(row.isAutoIpEnabled(), camera.isAutoIpEnabled);
        QCOMPARE(row.macAddress(), camera.macAddress);
        QCOMPARE(row.modelName(), camera.moedelName);
        QCOMPARE(row.serialNumber(), camera.serialNumber);
    }
};

QTEST_MAIN(TestCameraListTable)
#include "tst_cameralisttable.moc"
