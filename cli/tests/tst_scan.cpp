#include "cli/CameraScan.h"
#include "cli/ScanOutput.h"
#include "cli/ServiceScan.h"
#include "tests/support/ModelFixture.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

namespace
{

struct Fixture : ModelFixture {
    std::unique_ptr<Model> model = makeModel();
    QStringList printed;

    std::unique_ptr<CameraScan> scan(const QStringList &arguments)
    {
        return std::make_unique<CameraScan>(
            *model, std::get<ScanOptions>(parseScanOptions(arguments)),
            [this](const QString &text) { printed.append(text); }, time.makeTimer(),
            time.makeTimer());
    }

    void listCamera(const QByteArray &mac)
    {
        auto found = service({"198.18.0.10"});
        Q_EMIT browsers.last()->serviceFound(found, false);
        Q_EMIT found->txtRecordChanged(makerTxt({{"macaddress", mac}}));
    }

    void advance(qint64 ms)
    {
        time.advance(ms);
        QCoreApplication::processEvents();
    }
};

} // namespace

// vindra-scan: its options, its output lines and its runs over fakes. Refused arguments are checked
// on the program itself (arguments_test.cmake).
class TestScan : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void accepted_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("options"); // mode json type time wait watch count domain
        // The runs below parse --json, --wait, --watch, --count, --services and --time of their
        // own.
        QTest::newRow("none") << QStringList{} << "0 0 _http._tcp 5 10 0 0 ";
        QTest::newRow("help") << QStringList{"--json", "--help"} << "2 1 _http._tcp 5 10 0 0 ";
        QTest::newRow("one domain")
            << QStringList{"--domain", "site.example"} << "0 0 _http._tcp 5 10 0 0 site.example";
        QTest::newRow("browse domains")
            << QStringList{"--browse-domains", "--time", "2"} << "4 0 _http._tcp 2 10 0 0 ";
    }

    void accepted()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, options);
        const auto parsed = parseScanOptions(arguments);
        QVERIFY(std::holds_alternative<ScanOptions>(parsed));
        const auto o = std::get<ScanOptions>(parsed);
        const auto number = [](double value) { return QString::number(value); };
        QCOMPARE(
            (QStringList{number(int(o.mode)), number(o.json), o.serviceType, number(o.timeSeconds),
                         number(o.waitSeconds), number(o.watchSeconds.value_or(0)),
                         number(o.count.value_or(0)), o.domain})
                .join(' '),
            options);
    }

    void cameraJsonHasAllFieldsInOrder()
    {
        Camera camera;
        camera.macAddress = "00-11-22-aa-bb-cc";
        camera.isIpv4Enabled = camera.isAutoIpHttpsEnabled = true;
        camera.moedelName = "VX \"1\"\n";
        camera.device = Device::camera;
        camera.httpsPort = "443";
        QCOMPARE(cameraJson(camera),
                 "{\"macAddress\":\"00-11-22-aa-bb-cc\",\"ipv4\":\"---\",\"isIpv4Enabled\":true,"
                 "\"isIpv4HttpsEnabled\":false,\"ipv6\":\"---\",\"isIpv6Enabled\":false,"
                 "\"isIpv6HttpsEnabled\":false,\"autoIp\":\"---\",\"isAutoIpEnabled\":false,"
                 "\"isAutoIpHttpsEnabled\":true,\"modelName\":\"VX "
                 "\\\"1\\\"\\n\",\"serialNumber\":\"---\","
                 "\"device\":\"camera\",\"httpsPort\":\"443\"}");
        camera.httpPort = "";
        const QString names[] = {"none", "camera", "controller", "undefined"};
        for (int device = 0; device < 4; ++device) {
            camera.device = Device(device);
            QVERIFY(cameraJson(camera).endsWith(
                QStringLiteral("\"device\":\"%1\",\"httpPort\":\"\",\"httpsPort\":\"443\"}")
                    .arg(names[device])));
        }
    }

    void tableShowsAnsweredAddressesAndNoRawControls()
    {
        Camera camera;
        camera.ipv4 = "198.18.0.10";
        camera.isIpv4Enabled = camera.isIpv4HttpsEnabled = true;
        camera.moedelName = QStringLiteral("evil\x1b[2J");
        const QStringList lines = cameraTable({camera}).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2); // the header: emptyListIsAHeaderOrNothing
        QVERIFY(lines.at(1).contains("198.18.0.10 +http +https"));
        QVERIFY(lines.at(1).contains("evil\\x1b[2J"));
    }

    // The JSON form: servicesArePrintedWhenResolvedWithTheirTxt.
    void serviceLinesEscapeWhatIsNotPrintableUtf8()
    {
        ServiceReport service;
        service.name = "Cam\n\"2\"";
        service.port = 80;
        service.addresses = {"198.18.0.10", "fe80::1%eth0"};
        service.txt = {{"a", "x\ny"}, {"b", QByteArray("\xff\x00z\\", 4)}, {"c", "caf\xc3\xa9"}};
        const QString line = serviceLine(service, false);
        QVERIFY(line.startsWith("\"Cam\\x0a\\\"2\\\"\" "));
        QVERIFY(line.contains("a=\"x\\x0ay\""));
        QVERIFY(line.contains("b=\"\\xff\\x00z\\\\\""));
    }

    void printsOnceBrowseIsOverAndProbesSettled()
    {
        Fixture f;
        auto scan = f.scan({"--json"});
        QSignalSpy finished(scan.get(), &CameraScan::finished);
        scan->start();
        f.listCamera("001122aabbcc");
        f.advance(5000);
        QVERIFY(f.printed.isEmpty()); // the probe is still out
        f.http.finish(0, 401);
        QCoreApplication::processEvents();
        QCOMPARE(f.printed.size(), 1);
        QVERIFY(f.printed.at(0).contains("\"isIpv4Enabled\":true"));
        QCOMPARE(f.printed.at(0).count('\n'), 1);
        QCOMPARE(finished.count(), 1);
        f.advance(5000); // the wait bound passes later: nothing more
        QCOMPARE(f.printed.size(), 1);
    }

    void waitBoundPrintsWhileProbesAreOut()
    {
        Fixture f;
        auto scan = f.scan({"--json", "--wait", "7.5"});
        scan->start();
        f.listCamera("001122aabbcc");
        f.advance(7499);
        QVERIFY(f.printed.isEmpty());
        f.advance(1);
        QCOMPARE(f.printed.size(), 1);
        QVERIFY(f.printed.at(0).contains("\"isIpv4Enabled\":false"));
    }

    void emptyListIsAHeaderOrNothing()
    {
        Fixture f;
        auto table = f.scan({});
        table->start();
        f.advance(5000);
        QCOMPARE(f.printed, QStringList{"MAC ADDRESS  IPV4  IPV6  AUTO-IP  MODEL  SERIAL  DEVICE  "
                                        "HTTP  HTTPS\n"});
        auto json = f.scan({"--json"});
        json->start();
        f.advance(5000);
        QCOMPARE(f.printed.size(), 1);
        auto watch = f.scan({"--watch", "6", "--count", "1"});
        watch->start();
        f.advance(5000);
        QVERIFY(f.printed.last().startsWith("# search 1\nMAC ADDRESS"));
    }

    void watchPrintsJsonLinesWithOneSummaryPerSearch()
    {
        Fixture f;
        auto scan = f.scan({"--json", "--watch", "6", "--count", "2"});
        QSignalSpy finished(scan.get(), &CameraScan::finished);
        scan->start();
        f.listCamera("0011220000aa");
        f.listCamera("0011220000bb");
        f.advance(5000);
        f.http.finish(0, 200);
        f.http.finish(1, std::nullopt);
        QCoreApplication::processEvents();
        f.advance(1000); // search 2: camera bb has left without a goodbye
        f.listCamera("0011220000aa");
        f.advance(6000); // its probe is still out when the next search is due
        QCOMPARE(finished.count(), 1);
        QCOMPARE(f.browsers.made.size(), 2);
        const QStringList lines = f.printed.join(QString()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines.at(2), "{\"search\":1,\"devices\":2}");
        QVERIFY(lines.at(3).startsWith("{\"macAddress\":\"00-11-22-00-00-aa\""));
        QCOMPARE(lines.at(4), "{\"search\":2,\"devices\":1}");
    }

    void servicesArePrintedWhenResolvedWithTheirTxt()
    {
        ModelFixture f;
        QStringList printed;
        auto options = std::get<ScanOptions>(
            parseScanOptions({"--services", "_ipp._tcp", "--json", "--time", "2"}));
        ServiceScan scan(
            f.browsers.factory(), options, [&](const QString &line) { printed.append(line); },
            f.time.makeTimer());
        QSignalSpy finished(&scan, &ServiceScan::finished);
        scan.start();
        QCOMPARE(*f.browsers.log, QStringList{"search _ipp._tcp "});
        auto service = f.service({"198.18.0.20"}, "Printer\n\"A\"");
        service->socketAddresses.append(socketAddress("fe80::1", 1));
        service->host = "printer.local.";
        service->srvPort = 631;
        Q_EMIT f.browsers.last()->serviceFound(service, false);
        Q_EMIT service->resolved();
        QCOMPARE(service->monitoringStarts, 1);
        Q_EMIT service->txtRecordChanged(
            txtBytes({"rp=ipp/print", QByteArray("x=\xff\x00z\\", 6), "y=x\ny", "z=caf\xc3\xa9"}));
        Q_EMIT service->txtRecordChanged(txtBytes({"rp=ipp/other"}));
        QCOMPARE(printed,
                 QStringList{QString::fromUtf8(
                     "{\"name\":\"Printer\\n\\\"A\\\"\",\"type\":\"_http._tcp\","
                     "\"domain\":\"local.\",\"host\":\"printer.local.\",\"port\":631,"
                     "\"addresses\":[\"198.18.0.20\",\"fe80::1%lo\"],\"txt\":{\"rp\":\"ipp/print\","
                     "\"x\":\"\\\\xff\\\\x00z\\\\\\\\\",\"y\":\"x\\ny\",\"z\":\"café\"},"
                     "\"txtNotUtf8\":[\"x\"]}")});
        f.time.advance(1999);
        QCOMPARE(finished.count(), 0);
        f.time.advance(1);
        QCOMPARE(f.browsers.log->mid(1), (QStringList{"stop", "deleted"}));
        QCOMPARE(finished.count(), 1);
        QCOMPARE(service.use_count(), 2); // the fixture's and this one
    }

    void servicesWithoutABrowserStillEnd()
    {
        FakeTime time;
        ServiceScan scan([] { return std::unique_ptr<DnsSdBrowser>(); }, ScanOptions{},
                         [](const QString &) { QFAIL("nothing to print"); }, time.makeTimer());
        QSignalSpy finished(&scan, &ServiceScan::finished);
        scan.start();
        time.advance(5000);
        QCOMPARE(finished.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestScan)
#include "tst_scan.moc"
