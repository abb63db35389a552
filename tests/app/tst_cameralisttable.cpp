// The bridge from the model's camera list to the table: pacing, change test, link rule and the
// page each link opens, column fitting and the selection across new searches and sorts.
#include "app/CameraListTable.h"
#include "table/CameraListTableController.h"
#include "table/CameraTableView.h"
#include "table/DisplayedCameraList.h"
#include "table/MyCustomCellView.h"
#include "tests/support/CameraAnswers.h"
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
        displayedCameraList().clear();
        model = fixture->makeModel();
        model->startMdns();
        table = std::make_unique<CameraListTable>(*model, nullptr, &fixture->time,
                                                  fixture->time.makeTimer());
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
            case 't': nextTurn(); break;
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
        for (int n = 1; n <= 3; ++n)
            add(n);
        settle();
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
        QCOMPARE(controller().selectedRow(), 0);
        QCOMPARE(view().model()->index(0, 0).data(Qt::BackgroundRole).value<QBrush>().color(),
                 QColor(0x80, 0x41, 0x00));
        table->setFilterText(text);
        model->startMdns();
        for (int n = 1; n <= 3; ++n)
            add(n);
        settle();
        QTEST(shown(), "rows");
    }

    // The bridge's link rule and the page a press on an address opens (MyCustomCellView::pageUrl),
    // for a first camera 198.18.0.10, 2001:db8::10, 169.254.3.4 with HTTP port 8080 and HTTPS port
    // 8443, and a second 198.18.0.20 with HTTP port 80. Flags of the first: 'I', '6', 'A' HTTP
    // answered on IPv4, IPv6, auto-IP; 'S', 'T', 'U' HTTPS likewise; '-' placeholders for its
    // addresses; 'p' no HTTP port, 'q' no HTTPS port, 'x' an HTTP port text with a host after it.
    // 'm': its IPv6 text is the second camera's IPv4 address, which answered over HTTP; 'd': the
    // second camera has the first's IPv4 address, answered too. Then the first row's links ('i',
    // '6', 'a' underlined) and the page of `address`.
    void linksAndPages_data()
    {
        QTest::addColumn<QString>("flags");
        QTest::addColumn<QString>("links");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("url");
        // clang-format off
        QTest::newRow("nothing answered; no camera at the address") << "" << "" << "198.18.9.9" << "http://198.18.9.9";
        QTest::newRow("IPv4 over HTTP") << "I" << "i" << "198.18.0.10" << "http://198.18.0.10:8080";
        QTest::newRow("IPv4 over HTTPS only") << "S" << "i" << "198.18.0.10" << "https://198.18.0.10:8443";
        QTest::newRow("IPv6, another address's flag") << "S" << "i" << "2001:db8::10" << "http://[2001:db8::10]";
        QTest::newRow("IPv4, HTTPS without its port") << "ISq" << "i" << "198.18.0.10" << "http://198.18.0.10:8080";
        QTest::newRow("IPv4, HTTP without its port") << "Ip" << "i" << "198.18.0.10" << "http://198.18.0.10";
        QTest::newRow("a port text cannot name a host") << "Ix" << "i" << "198.18.0.10" << "http://198.18.0.10";
        QTest::newRow("IPv6 over HTTP") << "6" << "6" << "2001:db8::10" << "http://[2001:db8::10]:8080";
        QTest::newRow("IPv6 over HTTPS only") << "T" << "6" << "2001:db8::10" << "https://[2001:db8::10]:8443";
        QTest::newRow("auto-IP over HTTP") << "A" << "a" << "169.254.3.4" << "http://169.254.3.4:8080";
        QTest::newRow("auto-IP over HTTPS only is no link") << "U" << "" << "169.254.3.4" << "https://169.254.3.4:8443";
        QTest::newRow("placeholders with flags") << "-I6SAT" << "" << "---" << "";
        QTest::newRow("everything answered: HTTPS") << "I6ASTU" << "i6a" << "198.18.0.10" << "https://198.18.0.10:8443";
        QTest::newRow("IPv4 match wins over IPv6") << "Tm" << "6" << "198.18.0.20" << "http://198.18.0.20:80";
        QTest::newRow("first camera wins") << "d" << "" << "198.18.0.10" << "http://198.18.0.10";
        // clang-format on
    }

    void linksAndPages()
    {
        QFETCH(QString, flags);
        QFETCH(QString, address);
        CameraList cameras{{.macAddress = "00-11-22-aa-bb-01",
                            .ipv4 = "198.18.0.10",
                            .ipv6 = "2001:db8::10",
                            .autoIp = "169.254.3.4",
                            .httpPort = "8080",
                            .httpsPort = "8443"},
                           {.macAddress = "00-11-22-aa-bb-02",
                            .ipv4 = "198.18.0.20",
                            .httpPort = "80",
                            .httpsPort = {}}};
        Camera &first = cameras[0];
        setAnswers(first, flags);
        if (flags.contains(u'-'))
            first.ipv4 = first.ipv6 = first.autoIp = placeholderText;
        if (flags.contains(u'p'))
            first.httpPort.reset();
        if (flags.contains(u'q'))
            first.httpsPort.reset();
        if (flags.contains(u'x'))
            first.httpPort = "80@198.51.100.1";
        if (flags.contains(u'm'))
            first.ipv6 = cameras[1].ipv4;
        if (flags.contains(u'd'))
            cameras[1].ipv4 = first.ipv4;
        cameras[1].isIpv4Enabled = flags.contains(u'm') || flags.contains(u'd');
        const ObservableCameraList rows = CameraListTable::makeRows(cameras);
        const ObservableCamera &row = *rows.front();
        QString links;
        for (const auto &[letter, text] : {std::pair(u'i', row.ipV4()), std::pair(u'6', row.ipV6()),
                                           std::pair(u'a', row.autoIp())})
            links += text.isUnderlined ? QString(QChar(letter)) : QString();
        QTEST(links, "links");
        // Only the HTTP flags reach the row.
        QCOMPARE((QList<bool>{row.isIpv4Enabled(), row.isIpv6Enabled(), row.isAutoIpEnabled()}),
                 (QList<bool>{first.isIpv4Enabled, first.isIpv6Enabled, first.isAutoIpEnabled}));
        QTEST(MyCustomCellView::pageUrl(address, cameras).value_or(QUrl()).toString(), "url");
    }
};

QTEST_MAIN(TestCameraListTable)
#include "tst_cameralisttable.moc"
