#include "discovery/ProbeQueue.h"
#include "discovery/ServiceText.h"
#include "tests/support/ModelFixture.h"

#include <QSignalSpy>
#include <QTest>

#include <array>

using namespace std::chrono_literals;

namespace
{

// What an observer sees when the model announces a change, the values still stored: whether the
// search button is enabled, and the number of cameras.
using Observed = std::pair<bool, qsizetype>;

struct Fixture : ModelFixture {
    std::unique_ptr<Model> owned = makeModel();
    Model &model = *owned;
    QList<Observed> observed;

    Fixture()
    {
        QObject::connect(&model, &Model::objectWillChange, &model, [this] {
            observed.append({model.isEnabledSearchButton(), model.cameraList().size()});
        });
    }

    // Reports a new service at 198.18.0.10 through the running browse.
    std::shared_ptr<FakeDnsSdService> find(bool moreComing = false)
    {
        auto found = service({QStringLiteral("198.18.0.10")});
        Q_EMIT browsers.last()->serviceFound(found, moreComing);
        return found;
    }

    bool flag(bool Camera::*field) const { return model.cameraList().at(0).*field; }
};

const QByteArray kCamera = makerTxt({{"macaddress", "001122aabbcc"}, {"device", "camera"}});

} // namespace

// The search cycle, the interpretation of TXT records, the probes of Model and their queue, and
// the values derived from TXT texts: the shown MAC address and the device URL.
class TestModel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void searchAnnouncesEachStepBeforeItsStore()
    {
        Fixture f;
        QVERIFY(f.model.isEnabledSearchButton() && f.browsers.made.isEmpty());
        f.model.startMdns();
        Q_EMIT f.find()->txtRecordChanged(kCamera);
        f.time.advance(Model::kBrowseDurationMs);
        f.observed.clear();
        f.model.startMdns();
        // The list, then the button; each before its store.
        QCOMPARE(f.observed, (QList<Observed>{{true, 1}, {true, 0}}));
        QVERIFY(!f.model.isEnabledSearchButton());
        f.observed.clear();
        f.model.startMdns();            // a browser still stored is dropped
        QCOMPARE(f.observed.size(), 2); // equal values are announced too
        f.time.advance(Model::kBrowseDurationMs);
        QVERIFY(f.model.isEnabledSearchButton());
        QCOMPARE(*f.browsers.log,
                 (QStringList{"search _http._tcp ", "stop", "deleted", "search _http._tcp ",
                              "deleted", "search _http._tcp ", "stop", "deleted"}));
        f.observed.clear();
        f.model.stopMdns(); // no browse: nothing changes
        QVERIFY(f.observed.isEmpty());
        Model unbrowsed([] { return std::unique_ptr<DnsSdBrowser>(); }, f.http, f.time.makeTimer());
        unbrowsed.startMdns(); // a browse that cannot start still ends
        QVERIFY(!unbrowsed.isEnabledSearchButton());
        f.time.advance(Model::kBrowseDurationMs);
        QVERIFY(unbrowsed.isEnabledSearchButton());
    }

    // A new search drops the old one's services, whatever they report later, and its probes:
    // those waiting, those in flight (aborted, so their places are free) and their answers.
    void servicesAreResolvedMonitoredAndDroppedWithTheirProbes()
    {
        Fixture f;
        f.model.startMdns();
        auto service = f.find(true);
        Q_EMIT f.browsers.last()->serviceFound(service, false); // held and resolved twice
        QCOMPARE(service->resolveTimeouts, (QList<double>{10.0, 10.0}));
        QCOMPARE(service.use_count(), 4); // the fixture's, this one and two in the model
        Q_EMIT service->resolved();
        QCOMPARE(service->monitoringStarts, 2);
        f.time.advance(Model::kBrowseDurationMs); // a TXT record after the browse still counts
        Q_EMIT service->txtRecordChanged(kCamera);
        QCOMPARE(f.model.cameraList().size(), 1);

        f.model.startMdns();
        QCOMPARE(service.use_count(), 2); // the fixture's and this one
        QVERIFY(f.http.requests.at(0).aborted);
        Q_EMIT service->resolved();
        Q_EMIT service->txtRecordChanged(kCamera);
        QCOMPARE(service->monitoringStarts, 2);
        QVERIFY(f.model.cameraList().isEmpty());
        auto fresh = f.find();
        fresh->socketAddresses.append(socketAddress("2001:db8::10"));
        QSignalSpy settled(&f.model, &Model::probesSettled);
        Q_EMIT fresh->txtRecordChanged(kCamera);
        QCOMPARE(f.model.unsettledProbes(), 2);
        // An old answer that was already under way would land on the new camera 0.
        f.http.requests[0].completion(200);
        QVERIFY(!f.flag(&Camera::isIpv4Enabled));
        QCOMPARE(f.model.unsettledProbes(), 2);
        f.http.finish(1, 401);
        QVERIFY(f.flag(&Camera::isIpv4Enabled));
        QCOMPARE(settled.count(), 0);
        f.http.finish(2, std::nullopt);
        QCOMPARE(settled.count(), 1);
    }

    void resultAfterTheModelIsGone()
    {
        ModelFixture f;
        auto model = f.makeModel(1);
        model->addCamera(*f.service({"198.18.0.10", "2001:db8::10"}), makerTxt());
        model.reset();
        f.http.finish(0, 200); // under ASan: the completion must not touch the model or its queue
        QCOMPARE(f.http.requests.size(), 1); // nor start the probe that waited
    }

    // One TXT report: the filter, the fields, the address classes and the probes it launches.
    void addCamera_data()
    {
        QTest::addColumn<QByteArray>("txt");
        QTest::addColumn<QStringList>("addresses"); // "fe80::1%1": scope 1; "bad": unknown family
        QTest::addColumn<std::optional<Camera>>("camera"); // nothing: no camera listed
        QTest::addColumn<QStringList>("probes");           // in launch order, without the path
        for (const char *entry :
             {"vender=TULVO", "vender=tulvo ", "vender=tulvo2", "vender=", "vender=tulvo\xff",
              "vender=\xef\xbb\xbftulvo", "vender=tulvo\xf4\x90\x80\x80", "vender", "Vender=tulvo",
              "macaddress=001122aabbcc"})
            QTest::newRow(QByteArray(entry).toPercentEncoding())
                << txtBytes({entry}) << QStringList{"198.18.0.10"} << std::optional<Camera>()
                << QStringList{};
        const QStringList all{"198.18.0.10", "2001:db8::10", "169.254.0.10"};
        using C = std::optional<Camera>;
        // clang-format off
        QTest::newRow("vendor only; last IPv6 wins, a mapped auto-IP is one")
            << txtBytes({"path=/", "vender=tulvo"}) << QStringList{"192.168.0.10", "169.254.3.4", "2001:db8::5", "::ffff:169.254.3.5"}
            << C({.ipv4 = "192.168.0.10", .ipv6 = "::ffff:169.254.3.5", .autoIp = "169.254.3.4"})
            << QStringList{"http://192.168.0.10:80", "http://[::ffff:169.254.3.5]:80", "http://169.254.3.4:80"};
        QTest::newRow("all fields; both ports: six probes, HTTPS first")
            << makerTxt({{"macaddress", "001122AAbbcc"}, {"ser", "SN 1"}, {"model", "VX \xc3\xa9"},
                         {"device", "camera"}, {"http_port", "8080"}, {"https_port", "8443"}}) << all
            << C({.macAddress = "00-11-22-AA-bb-cc", .ipv4 = "198.18.0.10", .ipv6 = "2001:db8::10", .autoIp = "169.254.0.10",
                  .moedelName = QString::fromUtf8("VX \xc3\xa9"), .serialNumber = "SN 1", .device = Device::camera,
                  .httpPort = "8080", .httpsPort = "8443"})
            << QStringList{"https://198.18.0.10:8443", "http://198.18.0.10:8080", "https://[2001:db8::10]:8443",
                           "http://[2001:db8::10]:8080", "https://169.254.0.10:8443", "http://169.254.0.10:8080"};
        QTest::newRow("values not UTF-8 keep their defaults")
            << txtBytes({"vender=tulvo", "macaddress=0011\xc0\xaf", "ser=S", "model=\xed\xa0\x80",
                         "device=cam\xffra", "http_port=8\x80", "https_port=\xe2\x82"})
            << QStringList{} << C({.serialNumber = "S"}) << QStringList{};
        QTest::newRow("keys without values")
            << txtBytes({"vender=tulvo", "macaddress", "ser=", "model", "device=", "http_port", "https_port="}) << QStringList{}
            << C({.macAddress = "", .moedelName = "", .serialNumber = "", .device = Device::undefined, .httpPort = "", .httpsPort = ""})
            << QStringList{};
        QTest::newRow("verbatim values, short MAC, device Camera, keys in capitals")
            << txtBytes({"vender=tulvo", "device=Camera", "macaddress=0011223", "model= a=b ", "MODEL=X", "Ser=1"})
            << QStringList{} << C({.macAddress = "0011223", .moedelName = " a=b ", .device = Device::undefined}) << QStringList{};
        QTest::newRow("only the HTTPS port; last IPv4 and auto-IP win; link-local IPv6")
            << makerTxt({{"https_port", "443"}}) << QStringList{"198.18.0.1", "198.18.0.2", "169.254.0.1", "169.254.0.2", "fe80::1%1"}
            << C({.ipv4 = "198.18.0.2", .ipv6 = "fe80::1", .autoIp = "169.254.0.2", .httpsPort = "443"})
            << QStringList{"https://198.18.0.2:443", "https://[fe80::1]:443", "https://169.254.0.2:443"};
        QTest::newRow("controller: never probed") << makerTxt({{"device", "controller"}}) << all
            << C({.ipv4 = "198.18.0.10", .ipv6 = "2001:db8::10", .autoIp = "169.254.0.10", .device = Device::controller})
            << QStringList{};
        QTest::newRow("bad HTTPS port: no fall-back to 80; a good HTTP port")
            << makerTxt({{"https_port", "x"}, {"http_port", "08080"}}) << QStringList{"198.18.0.10"}
            << C({.ipv4 = "198.18.0.10", .httpPort = "08080", .httpsPort = "x"}) << QStringList{"http://198.18.0.10:8080"};
        QTest::newRow("an empty block, an IPv4, an unconvertible one: an empty IPv4, never probed")
            << makerTxt() << QStringList{"", "198.18.0.7", "bad"} << C({.ipv4 = ""}) << QStringList{};
        // clang-format on
    }

    void addCamera()
    {
        QFETCH(QByteArray, txt);
        QFETCH(QStringList, addresses);
        QFETCH(std::optional<Camera>, camera);
        QFETCH(QStringList, probes);
        Fixture f;
        FakeDnsSdService service;
        for (const QString &address : std::as_const(addresses))
            service.socketAddresses.append(
                address == "bad"
                    ? QByteArray("\x07\x00", 2)
                    : socketAddress(address.section('%', 0, 0), address.contains('%')));
        f.model.addCamera(service, txt);
        QStringList sent;
        for (const auto &request : std::as_const(f.http.requests)) {
            QCOMPARE(request.timeout, Model::kProbeTimeout);
            QCOMPARE(request.url.path() + '?' + request.url.query(), "/admin/-set-?el=aa00");
            sent.append(request.url.adjusted(QUrl::RemovePath | QUrl::RemoveQuery).toString());
        }
        QCOMPARE(f.model.cameraList(), camera ? CameraList{*camera} : CameraList{});
        QCOMPARE(sent, probes);
        // Judged again: a rejected record may pass later; a device listed with the same MAC text
        // (none: the placeholder) stands as it is, unannounced and not probed again.
        service.socketAddresses = {socketAddress("198.18.0.99")};
        f.observed.clear();
        f.model.addCamera(service, camera ? txt : makerTxt());
        QCOMPARE(f.observed.size(), camera ? 0 : 1);
        QCOMPARE(f.model.cameraList().at(0).ipv4, camera ? camera->ipv4 : "198.18.0.99");
        QCOMPARE(f.http.requests.size(), probes.size() + (camera ? 0 : 1));
    }

    void macAddressesDifferingInCaseAreTwoDevices()
    {
        Fixture f;
        f.model.addCamera(*f.service({}), makerTxt({{"macaddress", "0011220000aa"}}));
        f.model.addCamera(*f.service({}), makerTxt({{"macaddress", "0011220000AA"}}));
        QCOMPARE(f.model.cameraList().size(), 2);
    }

    // Each probe sets its own flag: 200 and 401 (a log-in page) count. Every answer is stored and
    // announced once, an unchanged flag too; a transport failure changes nothing.
    void resultFlags_data()
    {
        QTest::addColumn<int>("request"); // launch order: HTTPS, HTTP of IPv4, IPv6, auto-IP
        QTest::addColumn<int>("status");
        for (int request = 0; request < 6; ++request)
            QTest::addRow("request %d: 200", request) << request << 200;
        for (int status : {401, 404, 500, 204})
            QTest::addRow("IPv4 HTTP: %d", status) << 1 << status;
    }

    void resultFlags()
    {
        QFETCH(int, request);
        QFETCH(int, status);
        const std::array flags{&Camera::isIpv4HttpsEnabled,   &Camera::isIpv4Enabled,
                               &Camera::isIpv6HttpsEnabled,   &Camera::isIpv6Enabled,
                               &Camera::isAutoIpHttpsEnabled, &Camera::isAutoIpEnabled};
        Fixture f;
        f.model.addCamera(*f.service({"198.18.0.10", "2001:db8::10", "169.254.0.10"}),
                          makerTxt({{"http_port", "80"}, {"https_port", "443"}}));
        f.observed.clear();
        for (int other = 0; other < 6; ++other)
            f.http.finish(other, other == request ? std::optional<int>(status) : std::nullopt);
        QCOMPARE(f.observed.size(), 1);
        for (int i = 0; i < 6; ++i)
            QCOMPARE(f.flag(flags.at(i)), i == request && (status == 200 || status == 401));
        f.model.applyIpv4Result(500, false, 0, f.model.currentSearch()); // a later answer wins
        QVERIFY(!f.flag(&Camera::isIpv4Enabled));
        f.model.applyIpv6Result(200, true, 1, f.model.currentSearch()); // no such camera
        f.model.applyIpv6Result(200, true, -1, f.model.currentSearch());
        QCOMPARE(f.observed.size(), 2);
    }

    void probeQueueOpensInOrderUpToTheLimitsAndAbandonsAll()
    {
        FakeHttpClient client;
        FakeTime time;
        ProbeQueue queue(client, 2, 3, [&time] { return time.makeTimer(); });
        QList<int> completed;
        const auto enqueue = [&](const QString &host, int tag) {
            queue.enqueue(QUrl("http://" + host), 60s,
                          [&completed, tag](std::optional<int>) { completed.append(tag); });
        };
        // Tag 0, an auto-IP address, goes after every other address waiting; the others in order
        // (the tags completed at the end).
        for (int tag : {1, 2, 0, 3, 4})
            enqueue(tag ? "198.18.0." + QString::number(tag) : "169.254.0.1", tag);
        QCOMPARE(client.requests.size(), 2);
        time.advance(ProbeQueue::kOpeningMs - 1);
        QCOMPARE(client.requests.size(), 2);
        time.advance(1); // no longer opening, still out: the bound of 3 out lets one more go
        QCOMPARE(client.requests.size(), 3);
        client.finish(0, 200);
        QCOMPARE(client.requests.size(), 4);
        client.finish(1, std::nullopt); // a transport failure frees its place too, but 2 open
        time.advance(ProbeQueue::kOpeningMs);
        QCOMPARE(client.requests.value(4).url.host(), "169.254.0.1");
        client.finish(2, 200);
        enqueue("169.254.0.2", 10); // auto-IP takes at most half of the places being opened
        QCOMPARE(client.requests.size(), 5);
        QCOMPARE(queue.mostOpening(), 2);
        QCOMPARE(queue.mostOut(), 3);
        queue.abandonAll(); // every request out is aborted, every place free at once
        QVERIFY(client.requests.at(3).aborted && client.requests.at(4).aborted);
        enqueue("198.18.0.9", 9);
        QCOMPARE(client.requests.size(), 6);
        client.finish(5, 200);
        QCOMPARE(completed, (QList<int>{1, 2, 3, 9}));
    }

    void formatMacAddress()
    {
        // Hyphens at n-2, n-4, 2, 5, 8 of the growing text; digits not checked, a non-BMP
        // character counted once. Case kept and short values: the addCamera rows.
        for (const auto &[text, formatted] : {std::pair{"00112233", "00-11--2-2-33"},
                                              {"001122aabbc", "00-11-22-a-ab-bc"},
                                              {"zzzzzzzzzzzz", "zz-zz-zz-zz-zz-zz"},
                                              {"00-11-22-aa-bb-cc", "00--1-1--22-aa-b-b--cc"},
                                              {"0011😀2aabbcc", "00-11-😀2-aa-bb-cc"},
                                              {"", ""}})
            QCOMPARE(::formatMacAddress(QString::fromUtf8(text)), QString::fromUtf8(formatted));
    }

    // Probes and links both go through deviceUrl, so its table is the one for hostile input.
    void deviceUrl_data()
    {
        QTest::addColumn<int>("addressClass");
        QTest::addColumn<QString>("address");
        QTest::addColumn<std::optional<QString>>("port");
        QTest::addColumn<QString>("url"); // empty: none
        const int v4 = int(AddressClass::ipv4), v6 = int(AddressClass::ipv6);
        const std::optional<QString> noPort;
        QTest::newRow("auto-IP, lowest port, leading zeros")
            << int(AddressClass::autoIp) << "169.254.3.4" << std::optional<QString>("0001")
            << "https://169.254.3.4:1";
        // No numeric address of its class: IPv6 where IPv4 is due and back, names, paths, zones.
        for (const QString &host :
             QStringList{"evil.example", "198.18.0.1/x", "", "---", "2001:db8::5", "fe80::1%eth0"})
            QTest::newRow(qPrintable(host))
                << (host.startsWith("fe") ? v6 : v4) << host << noPort << "";
        QTest::newRow("IPv4 as IPv6") << v6 << "198.18.0.1" << noPort << "";
        for (const QString &port :
             QString::fromUtf8("80@evil.example|0|65536|4294967376| 80|80 ||８０|٨٠|+80|-1|80/x|"
                               "80?el=1|80#x|0x50|80:81")
                 .split('|'))
            QTest::newRow(qPrintable("port " + port))
                << v4 << "198.18.0.1" << std::optional(port) << "";
    }

    void deviceUrl()
    {
        QFETCH(int, addressClass);
        QFETCH(QString, address);
        QFETCH(std::optional<QString>, port);
        QFETCH(QString, url);
        const auto made = ::deviceUrl(AddressClass(addressClass), address, port, Scheme::https);
        QCOMPARE(made.value_or(QUrl()).toString(), url);
    }
};

QTEST_GUILESS_MAIN(TestModel)
#include "tst_model.moc"
