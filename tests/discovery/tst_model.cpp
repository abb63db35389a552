#include "discovery/ChangeCoalescer.h"
#include "tests/support/ModelFixture.h"

#include <QSignalSpy>
#include <QTest>

Q_DECLARE_METATYPE(Camera)

namespace
{

// What an observer sees when the model announces a change: the values still stored.
struct Observed {
    bool isEnabledSearchButton;
    qsizetype cameras;
};

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

// The search cycle, the interpretation of TXT records and the probes of Model.
class TestModel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void searchAnnouncesEachStepBeforeItsStore()
    {
        Fixture f;
        QVERIFY(f.browsers.made.isEmpty());
        f.model.startMdns();
        Q_EMIT f.find()->txtRecordChanged(kCamera);
        f.time.advance(Model::kBrowseDurationMs);
        f.observed.clear();
        f.model.startMdns();
        QCOMPARE(f.observed.size(), 2); // the list, then the button; each before its store
        QCOMPARE(f.observed.at(0).cameras, 1);
        QCOMPARE(f.observed.at(1).cameras, 0);
        QCOMPARE(f.observed.at(1).isEnabledSearchButton, true);
        QVERIFY(!f.model.isEnabledSearchButton());
        f.model.startMdns(); // a browser still stored is dropped; the new one browses 5 s
        f.time.advance(Model::kBrowseDurationMs - 1);
        QVERIFY(!f.model.isEnabledSearchButton());
        f.time.advance(1);
        QVERIFY(f.model.isEnabledSearchButton());
        QCOMPARE(*f.browsers.log,
                 (QStringList{"search _http._tcp ", "stop", "deleted", "search _http._tcp ",
                              "deleted", "search _http._tcp ", "stop", "deleted"}));
        f.observed.clear();
        f.model.stopMdns(); // no browse: nothing changes
        QVERIFY(f.observed.isEmpty());
    }

    void browseThatCannotStartStillEnds()
    {
        ModelFixture fixture;
        Model model([] { return std::unique_ptr<DnsSdBrowser>(); }, fixture.http,
                    fixture.time.makeTimer());
        model.startMdns();
        QVERIFY(!model.isEnabledSearchButton());
        fixture.time.advance(Model::kBrowseDurationMs);
        QVERIFY(model.isEnabledSearchButton());
    }

    void servicesAreResolvedMonitoredAndReleased()
    {
        Fixture f;
        f.model.startMdns();
        auto service = f.find(true);
        Q_EMIT f.browsers.last()->serviceFound(service, false); // held and resolved twice
        QCOMPARE(service->resolveTimeouts, (QList<double>{10.0, 10.0}));
        Q_EMIT service->resolved();
        QCOMPARE(service->monitoringStarts, 2);
        f.time.advance(Model::kBrowseDurationMs); // a TXT record after the browse still counts
        Q_EMIT service->txtRecordChanged(kCamera);
        QCOMPARE(f.model.cameraList().size(), 1);
        QCOMPARE(f.model.cameraList().at(0).macAddress, "00-11-22-aa-bb-cc");

        f.model.startMdns();
        QCOMPARE(service.use_count(), 2); // the fixture's and this one
        Q_EMIT service->resolved();
        Q_EMIT service->txtRecordChanged(kCamera);
        QCOMPARE(service->monitoringStarts, 2);
        QVERIFY(f.model.cameraList().isEmpty());
    }

    void everyChangeOfTheListAnnouncesOnce()
    {
        Fixture f;
        f.model.startMdns();
        auto service = f.find();
        f.observed.clear();
        Q_EMIT service->txtRecordChanged(kCamera);
        Q_EMIT service->txtRecordChanged(kCamera); // listed already: nothing changes
        QCOMPARE(f.observed.size(), 1);
        QCOMPARE(f.observed.at(0).cameras, 0);
        f.http.finish(0, std::nullopt); // a transport error changes nothing
        QCOMPARE(f.observed.size(), 1);
        f.model.applyIpv4Result(404, false, 0, f.model.currentSearch()); // false again
        QCOMPARE(f.observed.size(), 2);
        f.model.applyIpv4Result(200, false, 0, f.model.currentSearch());
        QVERIFY(f.flag(&Camera::isIpv4Enabled));
        f.model.applyIpv4Result(500, false, 0, f.model.currentSearch()); // a later answer wins
        QVERIFY(!f.flag(&Camera::isIpv4Enabled));
        f.model.applyIpv6Result(200, true, 1, f.model.currentSearch()); // no such index
        QCOMPARE(f.observed.size(), 4);
    }

    void oldSearchProbesNeitherLandNorSettleNorWait()
    {
        Fixture f;
        f.model.startMdns();
        Q_EMIT f.find()->txtRecordChanged(kCamera);
        f.model.startMdns();
        QVERIFY(f.http.requests.at(0).aborted); // its place is free for the new search
        auto service = f.find();
        service->socketAddresses.append(socketAddress("2001:db8::10"));
        QSignalSpy settled(&f.model, &Model::probesSettled);
        Q_EMIT service->txtRecordChanged(kCamera);
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
        Fixture f;
        f.model.startMdns();
        Q_EMIT f.find()->txtRecordChanged(kCamera);
        f.owned.reset();
        f.http.finish(0, 200);
        QCOMPARE(f.http.unfinished(), 0);
    }

    void vendorFilter_data()
    {
        QTest::addColumn<QByteArray>("txt");
        QTest::addColumn<bool>("listed");
        QTest::newRow("vendor word") << makerTxt() << true;
        QTest::newRow("among others") << txtBytes({"path=/", "vender=tulvo", "model=X"}) << true;
        for (const char *vendor :
             {"TULVO", "tulvo ", "tulvo2", "acme", "", "tulvo\xff", "\xef\xbb\xbftulvo"})
            QTest::newRow(vendor) << txtBytes({QByteArray("vender=") + vendor}) << false;
        QTest::newRow("key without value") << txtBytes({"vender"}) << false;
        QTest::newRow("key in capitals") << txtBytes({"Vender=tulvo"}) << false;
        QTest::newRow("no vender key") << txtBytes({"macaddress=001122aabbcc"}) << false;
        QTest::newRow("first one wins") << txtBytes({"vender=acme", "vender=tulvo"}) << false;
        QTest::newRow("empty record") << QByteArray() << false;
        QTest::newRow("single zero byte") << QByteArray(1, '\0') << false;
    }

    void vendorFilter()
    {
        QFETCH(QByteArray, txt);
        QFETCH(bool, listed);
        Fixture f;
        auto service = f.service({"198.18.0.10"});
        f.model.addCamera(*service, txt);
        QCOMPARE(f.model.cameraList().size(), listed ? 1 : 0);
        QCOMPARE(f.http.requests.size(), listed ? 1 : 0);
        f.model.addCamera(*service, makerTxt()); // a rejected service is judged again
        QCOMPARE(f.model.cameraList().size(), 1);
    }

    void fields_data()
    {
        QTest::addColumn<QList<QByteArray>>("strings");
        QTest::addColumn<Camera>("expected");
        Camera full;
        full.macAddress = "00-11-22-AA-bb-cc";
        full.serialNumber = "SN 0001";
        full.moedelName = QString::fromUtf8("VX-100 \xc3\xa9");
        full.device = Device::camera;
        full.httpPort = "8080";
        full.httpsPort = "8443";
        QTest::newRow("all fields")
            << QList<QByteArray>{"macaddress=001122AAbbcc", "ser=SN 0001",
                                 "model=VX-100 \xc3\xa9",   "device=camera",
                                 "http_port=8080",          "https_port=8443"}
            << full;
        Camera invalid;
        invalid.serialNumber = "S";
        QTest::newRow("values not UTF-8 keep their defaults")
            << QList<QByteArray>{"macaddress=0011\xc0\xaf", "ser=S",
                                 "model=\xed\xa0\x80",      "device=cam\xffra",
                                 "http_port=8\x80",         "https_port=\xe2\x82"}
            << invalid;
        Camera empty;
        empty.macAddress = empty.serialNumber = empty.moedelName = "";
        empty.device = Device::undefined;
        empty.httpPort = empty.httpsPort = "";
        QTest::newRow("keys without values")
            << QList<QByteArray>{"macaddress", "ser=",      "model",
                                 "device=",    "http_port", "https_port="}
            << empty;
        Camera other;
        other.device = Device::undefined;
        other.macAddress = "0011223"; // too short to format
        other.moedelName = " a=b ";
        QTest::newRow("verbatim values, short MAC, device Camera, keys in capitals")
            << QList<QByteArray>{"device=Camera", "macaddress=0011223", "model= a=b ", "MODEL=X",
                                 "Ser=1"}
            << other;
    }

    void fields()
    {
        QFETCH(QList<QByteArray>, strings);
        QFETCH(Camera, expected);
        Fixture f;
        strings.prepend("vender=tulvo");
        f.model.addCamera(*f.service({}), txtBytes(strings));
        QCOMPARE(f.model.cameraList(), CameraList{expected});
    }

    void addressClasses_data()
    {
        QTest::addColumn<QList<QByteArray>>("addresses");
        QTest::addColumn<QStringList>("expected"); // ipv4, ipv6, autoIp
        const QString none = placeholderText;
        QTest::newRow("one of each, last IPv6 wins, zone cut")
            << QList<QByteArray>{socketAddress("192.168.0.10"), socketAddress("169.254.3.4"),
                                 socketAddress("fe80::1", 1), socketAddress("2001:db8::5")}
            << QStringList{"192.168.0.10", "2001:db8::5", "169.254.3.4"};
        QTest::newRow("link-local IPv6, last IPv4 and auto-IP win")
            << QList<QByteArray>{socketAddress("198.18.0.1"), socketAddress("198.18.0.2"),
                                 socketAddress("169.254.0.1"), socketAddress("169.254.0.2"),
                                 socketAddress("fe80::1", 1)}
            << QStringList{"198.18.0.2", "fe80::1", "169.254.0.2"};
        QTest::newRow("IPv4-mapped auto-IP is IPv6")
            << QList<QByteArray>{socketAddress("::ffff:169.254.3.4")}
            << QStringList{none, "::ffff:169.254.3.4", none};
        QTest::newRow("unconvertible is an empty IPv4, a later IPv4 replaces it")
            << QList<QByteArray>{QByteArray("\x07\x00", 2)} << QStringList{"", none, none};
    }

    void addressClasses()
    {
        QFETCH(QList<QByteArray>, addresses);
        QFETCH(QStringList, expected);
        Fixture f;
        FakeDnsSdService service;
        service.socketAddresses = addresses;
        f.model.addCamera(service, makerTxt());
        const Camera camera = f.model.cameraList().at(0);
        QCOMPARE((QStringList{camera.ipv4, camera.ipv6, camera.autoIp}), expected);
    }

    void mergeByMacAppendsOnly()
    {
        Fixture f;
        f.model.addCamera(*f.service({"198.18.0.1"}), makerTxt({{"macaddress", "0011220000aa"}}));
        const CameraList before = f.model.cameraList();
        // The same device with a new address and name: the listed entry stands, no probe.
        f.model.addCamera(*f.service({"198.18.0.9"}),
                          makerTxt({{"macaddress", "0011220000aa"}, {"model", "N"}}));
        QCOMPARE(f.model.cameraList(), before);
        QCOMPARE(f.http.requests.size(), 1);
        f.model.addCamera(*f.service({}), makerTxt({{"macaddress", "0011220000AA"}})); // case
        f.model.addCamera(*f.service({}), makerTxt({{"ser", "1"}})); // no MAC: the placeholder
        f.model.addCamera(*f.service({}), makerTxt({{"ser", "2"}}));
        QCOMPARE(f.model.cameraList().size(), 3);
        QCOMPARE(f.model.cameraList().at(2).serialNumber, "1");
    }

    void probesInLaunchOrder_data()
    {
        QTest::addColumn<QStringList>("addresses");
        QTest::addColumn<QList<QByteArray>>("strings");
        QTest::addColumn<QStringList>("urls"); // without the path, which each has
        const QStringList all{"198.18.0.10", "2001:db8::10", "169.254.0.10"};
        QTest::newRow("both ports: six probes, HTTPS first")
            << all << QList<QByteArray>{"http_port=8080", "https_port=8443"}
            << QStringList{"https://198.18.0.10:8443",    "http://198.18.0.10:8080",
                           "https://[2001:db8::10]:8443", "http://[2001:db8::10]:8080",
                           "https://169.254.0.10:8443",   "http://169.254.0.10:8080"};
        QTest::newRow("only the HTTPS port, a camera")
            << all << QList<QByteArray>{"https_port=443", "device=camera"}
            << QStringList{"https://198.18.0.10:443", "https://[2001:db8::10]:443",
                           "https://169.254.0.10:443"};
        QTest::newRow("no port: plain HTTP on 80, no auto-IP")
            << QStringList{"198.18.0.10", "2001:db8::10"} << QList<QByteArray>{}
            << QStringList{"http://198.18.0.10:80", "http://[2001:db8::10]:80"};
        QTest::newRow("controller: never probed")
            << all << QList<QByteArray>{"device=controller"} << QStringList{};
        QTest::newRow("bad HTTPS port: no fall-back to 80, good HTTP port")
            << QStringList{"198.18.0.10"} << QList<QByteArray>{"https_port=x", "http_port=0080"}
            << QStringList{"http://198.18.0.10:80"};
        QTest::newRow("no address") << QStringList{} << QList<QByteArray>{} << QStringList{};
    }

    void probesInLaunchOrder()
    {
        QFETCH(QStringList, addresses);
        QFETCH(QList<QByteArray>, strings);
        QFETCH(QStringList, urls);
        Fixture f;
        strings.prepend("vender=tulvo");
        f.model.addCamera(*f.service(addresses), txtBytes(strings));
        QStringList sent;
        for (const auto &request : std::as_const(f.http.requests)) {
            QCOMPARE(request.timeout, Model::kProbeTimeout);
            QCOMPARE(request.url.path() + '?' + request.url.query(), "/admin/-set-?el=aa00");
            sent.append(request.url.adjusted(QUrl::RemovePath | QUrl::RemoveQuery).toString());
        }
        QCOMPARE(sent, urls);
    }

    void resultFlags_data()
    {
        QTest::addColumn<int>("request"); // in launch order; every other one is refused
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("flag");          // index into the six flags below, -1 for none
        const int flags[] = {1, 0, 3, 2, 5, 4}; // of the requests in launch order
        for (int request = 0; request < 6; ++request)
            QTest::addRow("request %d: 200", request) << request << 200 << flags[request];
        for (int status : {401, 404, 500, 204, 302})
            QTest::addRow("IPv4 HTTP: %d", status) << 1 << status << (status == 401 ? 0 : -1);
    }

    void resultFlags()
    {
        QFETCH(int, request);
        QFETCH(int, status);
        QFETCH(int, flag);
        Fixture f;
        f.model.addCamera(*f.service({"198.18.0.10", "2001:db8::10", "169.254.0.10"}),
                          makerTxt({{"http_port", "80"}, {"https_port", "443"}}));
        for (int other = 0; other < 6; ++other)
            f.http.finish(other, other == request ? std::optional<int>(status) : std::nullopt);
        const Camera camera = f.model.cameraList().at(0);
        const QList<bool> flags{camera.isIpv4Enabled,   camera.isIpv4HttpsEnabled,
                                camera.isIpv6Enabled,   camera.isIpv6HttpsEnabled,
                                camera.isAutoIpEnabled, camera.isAutoIpHttpsEnabled};
        for (int i = 0; i < 6; ++i)
            QCOMPARE(flags.at(i), i == flag);
    }

    void coalescerPacesAndExpedites()
    {
        Fixture f;
        int updates = 0;
        qsizetype seen = -1;
        ChangeCoalescer paced(
            f.model, [&] { ++updates, seen = f.model.cameraList().size(); }, 33, &f.time,
            f.time.makeTimer());
        f.model.addCamera(*f.service({}), makerTxt());
        f.model.startMdns();
        QCOMPARE(updates, 0); // never inside the announcement
        QTest::qWait(0);
        QCOMPARE(updates, 1); // one for three announcements, after the stores
        QCOMPARE(seen, 0);
        f.model.addCamera(*f.service({}), makerTxt());
        QTest::qWait(0);
        f.time.advance(32);
        QCOMPARE(updates, 1);
        f.time.advance(1);
        QCOMPARE(updates, 2);
        f.model.startMdns();
        paced.expedite(); // an emptied list must not wait for the pace
        QTest::qWait(0);
        QCOMPARE(updates, 3);
    }
};

QTEST_GUILESS_MAIN(TestModel)
#include "tst_model.moc"
