// The bridge from the model's camera list to the table: pacing, change test, link rule and the
// page each link opens, column fitting and the selection across new searches and sorts.
#include "app/CameraListTable.h"
#include "table/CameraListTableController.h"
#include "table/CameraTableView.h"
#include "tests/support/ModelFixture.h"

#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>

class TestCameraListTable : public QObject
{
    Q_OBJECT

    std::unique_ptr<ModelFixture> fixture;
    std::unique_ptr<Model> model;
    std::unique_ptr<CameraListTable> table;

    CameraListTableController &controller() { return table->controller(); }
    CameraTableView &view() { return *controller().tableView(); }
    FakeTurns turns; // the coalescers' posted steps
    // The announced changes have reached the table, paced or not.
    void settle()
    {
        turns.takeTurns();
        fixture->time.advance(CameraListTable::kFrameIntervalMs);
    }
    // Camera N: MAC ending in N, IPv4 198.18.1.N; camera 1 has a 38-character IPv6 address and a
    // 20-character model name.
    void add(int n)
    {
        fixture->addCamera(*model, "00112200000" + QByteArray::number(n),
                           {"198.18.1." + QString::number(n),
                            n == 1 ? "2001:db8:1234:5678:9abc:def0:1234:5678" : "2001:db8::2"},
                           n == 1 ? "TC-2000 Outdoor Dome" : "TC-100");
    }
    QString widths()
    {
        return QStringLiteral("%1 %2").arg(view().columnWidth(2)).arg(view().columnWidth(4));
    }

private Q_SLOTS:
    void init()
    {
        fixture = std::make_unique<ModelFixture>();
        model = fixture->makeModel();
        model->startMdns();
        table = std::make_unique<CameraListTable>(*model, nullptr, &fixture->time,
                                                  fixture->time.makeTimer(), turns.post());
        table->resize(1000, 400);
        table->show();
        QVERIFY(QTest::qWaitForWindowExposed(table.get()));
        settle();
    }

    void cleanup()
    {
        table.reset();
        model.reset();
        fixture.reset();
    }

    // Cameras 1 and 2 are shown, camera 1 selected, the IPv6 and model columns narrowed by the
    // user to 120 and 60. Steps: "aN" camera N added, "t" the next turn, "mN" N ms pass, "s"
    // settled, "pN" the model's camera N answers on IPv4, "x" the browse ends (only the button
    // flag changes), "n" a new search at the real frame interval, "h4" the model-name header
    // clicked. Then: the rows shown (MAC digit, "*" for an IPv4 link), the selected camera, how
    // often the list was stored, and the two widths when it was last stored (fitting comes
    // first).
    void scenario_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<int>("stores");
        QTest::addColumn<QString>("widths");
        // clang-format off
        QTest::newRow("after a quiet spell on the next turn") << "a3 t" << "123" << "1" << 1 << "291 150";
        QTest::newRow("all changes of a turn at once, after they are stored") << "a3 a4 t" << "1234" << "1" << 1 << "291 150";
        QTest::newRow("within the frame: held") << "a3 t m10 a4 t m22" << "123" << "1" << 1 << "291 150";
        QTest::newRow("within the frame: at its end") << "a3 t m10 a4 t m23" << "1234" << "1" << 2 << "291 150";
        QTest::newRow("same count: rebuilt, not fitted") << "p0 s" << "1*2" << "1" << 1 << "120 60";
        QTest::newRow("button flag only: nothing touched") << "x s" << "12" << "1" << 0 << "120 60";
        QTest::newRow("new search 10 ms after an update") << "p0 t m10 n t" << "" << "" << 2 << "120 60";
        QTest::newRow("then the old camera again") << "p0 t m10 n t a1 s" << "1" << "" << 3 << "291 150";
        QTest::newRow("sorted, then model order again") << "h4 p1 s" << "12*" << "1" << 2 << "120 60";
        // clang-format on
    }

    void scenario()
    {
        QFETCH(QString, steps);
        add(1);
        add(2);
        settle();
        controller().setSelectedRowMac(model->cameraList().at(0).macAddress);
        view().setColumnWidth(2, 120);
        view().setColumnWidth(4, 60);
        QString stored = widths();
        QSignalSpy stores(&controller(), &CameraListTableController::listChanged);
        connect(&controller(), &CameraListTableController::listChanged, this,
                [&] { stored = widths(); });
        for (const QString &step : steps.split(u' ')) {
            const int n = step.mid(1).toInt();
            // clang-format off
            switch (step.at(0).toLatin1()) {
            case 'a': add(n); break;
            case 't': turns.takeTurns(); break;
            case 'm': fixture->time.advance(n); break;
            case 's': settle(); break;
            case 'p': model->applyIpv4Result(200, false, n, model->currentSearch()); break;
            case 'x': fixture->time.advance(Model::kBrowseDurationMs); break;
            case 'n': model->startMdns(); break;
            case 'h': QTest::mouseClick(view().horizontalHeader()->viewport(), Qt::LeftButton, {},
                          {view().horizontalHeader()->sectionViewportPosition(n) + 5, 5}); break;
            }
            // clang-format on
        }
        QString rows;
        for (const auto &row : controller().list())
            rows += row->macAddress().right(1) + (row->ipV4().isUnderlined ? "*" : "");
        QTEST(rows, "rows");
        QTEST(controller().selectedRowMac().right(1), "selected");
        QTEST(int(stores.count()), "stores");
        QTEST(stored, "widths");
    }

    // Cameras 1 to 3 (camera 1 selected) through a filter text: the rows it lets through. The
    // selected camera stays selected while hidden and shows painted so again; a new search keeps
    // the text.
    void filter_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("rows");
        // clang-format off
        QTest::newRow("empty: all") << "" << "123";
        QTest::newRow("model, any case") << "tc-2000 OUTDOOR" << "1";
        QTest::newRow("IPv4") << "198.18.1.3" << "3";
        QTest::newRow("IPv6, any case") << "2001:DB8::2" << "23";
        QTest::newRow("MAC as shown") << "00-00-02" << "2";
        QTest::newRow("MAC without separators") << "001122000003" << "3";
        QTest::newRow("no camera") << "198.18.9" << "";
        // clang-format on
    }

    void filter()
    {
        QFETCH(QString, text);
        const auto addThree = [&] {
            for (int n = 1; n <= 3; ++n)
                add(n);
            settle();
        };
        addThree();
        controller().setSelectedRowMac(model->cameraList().at(0).macAddress);
        table->setFilterText(text);
        const auto shown = [&] {
            QString rows;
            for (const auto &row : controller().list())
                rows += row->macAddress().right(1);
            return rows;
        };
        QTEST(shown(), "rows");
        table->setFilterText(QString());
        QCOMPARE(controller().selectedRow(), 0); // painted so: tst_table
        table->setFilterText(text);
        model->startMdns();
        addThree();
        QTEST(shown(), "rows");
    }

    // The bridge's link rule and the page each link carries, per row and address (IPv4, IPv6,
    // auto-IP; "" where the address is no link). The first camera has an address of each class,
    // HTTP port 8080 and HTTPS port 8443.
    void linksAndPages_data()
    {
        QTest::addColumn<CameraList>("cameras");
        QTest::addColumn<QStringList>("pages");
        // clang-format off
        const auto answered = [](std::initializer_list<bool Camera::*> answers, std::optional<QString> httpPort = "8080",
                                 std::optional<QString> httpsPort = "8443") {
            Camera camera{.macAddress = "00-11-22-aa-bb-01", .ipv4 = "198.18.0.10", .ipv6 = "2001:db8::10",
                          .autoIp = "169.254.3.4", .httpPort = httpPort, .httpsPort = httpsPort};
            for (bool Camera::*answer : answers)
                camera.*answer = true;
            return camera;
        };
        const Camera everywhere = answered({&Camera::isIpv4Enabled, &Camera::isIpv6Enabled, &Camera::isAutoIpEnabled,
                                            &Camera::isIpv4HttpsEnabled, &Camera::isIpv6HttpsEnabled, &Camera::isAutoIpHttpsEnabled});
        Camera placeholders = everywhere;
        placeholders.ipv4 = placeholders.ipv6 = placeholders.autoIp = placeholderText;
        const Camera sharing{.macAddress = "00-11-22-aa-bb-02", .ipv4 = "198.18.0.10", .isIpv4Enabled = true, .httpPort = "80"};
        const QString v4 = "http://198.18.0.10:8080", v4s = "https://198.18.0.10:8443";
        QTest::newRow("nothing answered") << CameraList{answered({})} << QStringList{"", "", ""};
        QTest::newRow("IPv4 over HTTP") << CameraList{answered({&Camera::isIpv4Enabled})} << QStringList{v4, "", ""};
        QTest::newRow("IPv4 over HTTPS only") << CameraList{answered({&Camera::isIpv4HttpsEnabled})} << QStringList{v4s, "", ""};
        QTest::newRow("HTTPS without its port")
            << CameraList{answered({&Camera::isIpv4Enabled, &Camera::isIpv4HttpsEnabled}, "8080", {})} << QStringList{v4, "", ""};
        QTest::newRow("HTTP without its port") << CameraList{answered({&Camera::isIpv4Enabled}, {})} << QStringList{"http://198.18.0.10", "", ""};
        QTest::newRow("a port text cannot name a host")
            << CameraList{answered({&Camera::isIpv4Enabled}, "80@198.51.100.1")} << QStringList{"http://198.18.0.10", "", ""};
        QTest::newRow("IPv6 over HTTP") << CameraList{answered({&Camera::isIpv6Enabled})} << QStringList{"", "http://[2001:db8::10]:8080", ""};
        QTest::newRow("IPv6 over HTTPS only") << CameraList{answered({&Camera::isIpv6HttpsEnabled})} << QStringList{"", "https://[2001:db8::10]:8443", ""};
        QTest::newRow("auto-IP over HTTP") << CameraList{answered({&Camera::isAutoIpEnabled})} << QStringList{"", "", "http://169.254.3.4:8080"};
        QTest::newRow("auto-IP over HTTPS only is no link") << CameraList{answered({&Camera::isAutoIpHttpsEnabled})} << QStringList{"", "", ""};
        QTest::newRow("placeholders with flags") << CameraList{placeholders} << QStringList{"", "", ""};
        QTest::newRow("everything answered: HTTPS")
            << CameraList{everywhere} << QStringList{v4s, "https://[2001:db8::10]:8443", "https://169.254.3.4:8443"};
        QTest::newRow("two cameras at one address: each its own page")
            << CameraList{answered({&Camera::isIpv4HttpsEnabled}), sharing} << QStringList{v4s, "", "", "http://198.18.0.10:80", "", ""};
        // clang-format on
    }

    void linksAndPages()
    {
        QFETCH(CameraList, cameras);
        const ObservableCameraList rows = CameraListTable::makeRows(cameras);
        QStringList pages;
        for (const auto &row : rows) {
            for (const AddressKind &kind : kAddressKinds)
                pages.append(row->address(kind.addressClass).isUnderlined
                                 ? row->pageUrl(kind.addressClass).value_or(QUrl()).toString()
                                 : QString());
        }
        QTEST(pages, "pages");
        // Only the HTTP flags reach the row.
        const ObservableCamera &row = *rows.front();
        const Camera &first = cameras.front();
        QCOMPARE((QList<bool>{row.isIpv4Enabled(), row.isIpv6Enabled(), row.isAutoIpEnabled()}),
                 (QList<bool>{first.isIpv4Enabled, first.isIpv6Enabled, first.isAutoIpEnabled}));
    }
};

QTEST_MAIN(TestCameraListTable)
#include "tst_cameralisttable.moc"
