#include "cli/CameraScan.h"
#include "cli/ScanOutput.h"
#include "cli/ServiceScan.h"
#include "tests/support/ModelFixture.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

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
        QTest::newRow("a service type may end in a dot")
            << QStringList{"--services", "_ipp._tcp."} << "1 0 _ipp._tcp 5 10 0 0 ";
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
        QCOMPARE(lines.size(), 2); // the header line: run("an empty table is its header")
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

    // Scripted runs of the camera list, its steps ("camera XX" lists the camera with MAC
    // 00-11-22-00-00-XX, "+N" moves time N ms on, "answer I S" answers probe I with status S, "-":
    // none), each followed by what it made the scan do ("> ..." a printed line, a camera's JSON
    // line as its MAC and isIpv4Enabled; "> finished").
    void run_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("conversation"); // "; " between steps
        const QString header =
            "> MAC ADDRESS  IPV4  IPV6  AUTO-IP  MODEL  SERIAL  DEVICE  HTTP  HTTPS";
        QTest::newRow("printed once the browse is over and the probes settled")
            << QStringList{"--json"}
            << "camera aa; +5000; answer 0 401; > 00-11-22-00-00-aa true; > finished; +5000";
        QTest::newRow("the wait bound prints while probes are out")
            << QStringList{"--json", "--wait", "7.5"}
            << "camera aa; +7499; +1; > 00-11-22-00-00-aa false isIpv4Enabled; > finished";
        QTest::newRow("a service heard as the browse ends is still listed")
            << QStringList{"--json"}
            << "camera aa; answer 0 200; found bb; +5000; txt bb; answer 1 200; "
               "> 00-11-22-00-00-aa true; > 00-11-22-00-00-bb true; > finished";
        QTest::newRow("an empty table is its header")
            << QStringList{} << "+5000; " + header + "; > finished";
        QTest::newRow("an empty JSON list is nothing")
            << QStringList{"--json"} << "+5000; > finished";
        QTest::newRow("watched tables are numbered")
            << QStringList{"--watch", "6", "--count", "1"}
            << "+5000; > # search 1; " + header + "; > finished";
        // Search 2 starts at 6 s; camera bb has left without a goodbye, and the probe of aa is
        // still out when search 3 would be due.
        QTest::newRow("watched JSON lines with one summary per search")
            << QStringList{"--json", "--watch", "6", "--count", "2"}
            << "camera aa; camera bb; +5000; answer 0 200; answer 1 -; > 00-11-22-00-00-aa true; "
               "> 00-11-22-00-00-bb false; > {\"search\":1,\"devices\":2}; +1000; camera aa; "
               "+6000; > 00-11-22-00-00-aa false isIpv4Enabled; > {\"search\":2,\"devices\":1}; > "
               "finished; "
               "+6000";
    }

    void run()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, conversation);
        ModelFixture f;
        auto model = f.makeModel();
        QStringList seen;
        CameraScan scan(
            *model, std::get<ScanOptions>(parseScanOptions(arguments)),
            [&](QString text) {
                QVERIFY(text.endsWith('\n'));
                for (const QString &line : text.split('\n', Qt::SkipEmptyParts)) {
                    const QJsonObject json = QJsonDocument::fromJson(line.toUtf8()).object();
                    if (!json.contains("macAddress")) {
                        seen << "> " + line;
                        continue;
                    }
                    QStringList unchecked;
                    for (const QJsonValue &flag : json["unchecked"].toArray())
                        unchecked << flag.toString();
                    seen << QStringLiteral("> %1 %2 %3")
                                .arg(json["macAddress"].toString(),
                                     json["isIpv4Enabled"].toBool() ? "true" : "false",
                                     unchecked.join(','))
                                .trimmed();
                }
            },
            f.time.makeTimer(), f.time.makeTimer());
        connect(&scan, &CameraScan::finished, [&] { seen << "> finished"; });
        QMap<QString, std::shared_ptr<FakeDnsSdService>> services;
        scan.start();
        for (const QString &step : conversation.split("; ")) {
            const QStringList words = step.split(' ');
            if (words[0] == ">")
                continue;
            seen << step;
            if (words[0] == "camera" || words[0] == "found") {
                services[words[1]] = f.service({"198.18.0.10"});
                Q_EMIT f.browsers.last()->serviceFound(services[words[1]], false);
            }
            if (words[0] == "camera" || words[0] == "txt") {
                Q_EMIT services[words[1]]->txtRecordChanged(
                    makerTxt({{"macaddress", "0011220000" + words[1].toLatin1()}}));
            } else if (words[0] == "answer") {
                f.http.finish(words[1].toInt(),
                              words[2] == "-" ? std::nullopt : std::optional(words[2].toInt()));
            } else {
                f.time.advance(words[0].toLongLong());
            }
            QCoreApplication::processEvents();
        }
        QCOMPARE(seen, conversation.split("; "));
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
