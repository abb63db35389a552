#include "discovery/Model.h"
#include "tests/support/FakeDnsSd.h"
#include "tests/support/FakeHttpClient.h"
#include "tests/support/FakeOneShotTimer.h"
#include "tests/support/SocketAddress.h"
#include "tests/support/TxtBytes.h"

#include <QSignalSpy>
#include <QTest>

using namespace std::chrono_literals;

namespace
{

// What an observer sees when the model announces a change: the values still stored.
struct Observed {
    bool isEnabledSearchButton;
    CameraList cameraList;
};

struct Fixture {
    FakeDnsSdBrowserFactory browsers;
    FakeHttpClient http;
    FakeOneShotTimer timers;
    Model model{browsers.factory(), http, timers.scheduler()};
    QList<Observed> observed;

    Fixture()
    {
        QObject::connect(&model, &Model::objectWillChange, &model, [this] {
            observed.append({model.isEnabledSearchButton(), model.cameraList()});
        });
    }

    // Reports a new service through the running browse and returns it.
    std::shared_ptr<FakeDnsSdService> find(const QString &name, bool moreComing = false)
    {
        auto service = std::make_shared<FakeDnsSdService>(name);
        service->socketAddresses = {socketAddress(QStringLiteral("198.18.0.10"))};
        Q_EMIT browsers.last()->serviceFound(service, moreComing);
        return service;
    }

    static QByteArray camera(const QByteArray &mac)
    {
        return txtBytes({"vender=tulvo", "macaddress=" + mac, "device=camera", "http_port=80"});
    }
};

} // namespace

class TestModel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void construction()
    {
        Fixture f;
        QVERIFY(f.model.isEnabledSearchButton());
        QVERIFY(f.model.cameraList().isEmpty());
        QVERIFY(f.browsers.made.isEmpty());
        QVERIFY(f.timers.shots.isEmpty());
        QCOMPARE(f.model.targetDomainName, "_http._tcp");
        QCOMPARE(f.model.identifierTarget, "tulvo");
        QCOMPARE(f.model.identifierAutoIp, "169.254");
        QCOMPARE(f.model.identifierIpv6, ":");
        QCOMPARE(f.model.identifierVender, "vender");
        QCOMPARE(f.model.identifierMacaddress, "macaddress");
        QCOMPARE(f.model.identifierSerialNumber, "ser");
        QCOMPARE(f.model.identifierModelName, "model");
        QCOMPARE(f.model.identifierDevice, "device");
        QCOMPARE(f.model.identifierHttpPort, "http_port");
        QCOMPARE(f.model.identifierHttpsPort, "https_port");
    }

    void startEmptiesTheListThenDisablesTheButtonThenBrowses()
    {
        Fixture f;
        f.model.startMdns();
        Q_EMIT f.find("A")->txtRecordChanged(Fixture::camera("001122aabbcc"));
        f.model.stopMdns();
        QCOMPARE(f.model.cameraList().size(), 1);
        f.observed.clear();

        f.model.startMdns();
        // Two announcements, each before its store: the list first, then the button.
        QCOMPARE(f.observed.size(), 2);
        QCOMPARE(f.observed.at(0).cameraList.size(), 1);
        QCOMPARE(f.observed.at(0).isEnabledSearchButton, true);
        QCOMPARE(f.observed.at(1).cameraList.size(), 0);
        QCOMPARE(f.observed.at(1).isEnabledSearchButton, true);
        QVERIFY(!f.model.isEnabledSearchButton());

        QCOMPARE(f.browsers.made.size(), 2);
        QCOMPARE(f.browsers.log->last(), "search _http._tcp ");
        QCOMPARE(f.timers.shots.size(), 2);
        QCOMPARE(f.timers.shots.last().interval, 5000ms);
    }

    void timerEndsTheBrowse()
    {
        Fixture f;
        f.model.startMdns();
        QPointer<FakeDnsSdBrowser> browser = f.browsers.last();
        f.observed.clear();

        f.timers.fire(0);
        QVERIFY(browser.isNull()); // stopped, then dropped
        QVERIFY(f.model.isEnabledSearchButton());
        QCOMPARE(f.observed.size(), 1);
        QCOMPARE(f.observed.at(0).isEnabledSearchButton, false);
        QVERIFY(f.model.cameraList().isEmpty()); // a search that found nothing

        f.model.stopMdns(); // no browse: nothing changes
        QCOMPARE(f.observed.size(), 1);
    }

    void browserCallsInOrder()
    {
        Fixture f;
        f.model.startMdns();
        f.model.startMdns(); // a browser still stored is dropped
        f.model.stopMdns();
        QCOMPARE(*f.browsers.log, (QStringList{"search _http._tcp ", "deleted",
                                               "search _http._tcp ", "stop", "deleted"}));
    }

    void stopBeforeAnySearchChangesNothing()
    {
        Fixture f;
        f.model.stopMdns();
        QVERIFY(f.observed.isEmpty());
        QVERIFY(f.model.isEnabledSearchButton());
    }

    void foundServiceIsResolvedThenMonitored_data()
    {
        QTest::addColumn<bool>("moreComing");
        QTest::newRow("moreComing false") << false;
        QTest::newRow("moreComing true") << true;
    }

    void foundServiceIsResolvedThenMonitored()
    {
        QFETCH(bool, moreComing);
        Fixture f;
        f.model.startMdns();
        auto service = f.find("A", moreComing);
        QCOMPARE(service->resolveTimeouts, QList<double>{10.0});
        QCOMPARE(service->monitoringStarts, 0);
        Q_EMIT service->resolved();
        QCOMPARE(service->monitoringStarts, 1);
        QVERIFY(f.model.cameraList().isEmpty());
        Q_EMIT service->txtRecordChanged(Fixture::camera("001122aabbcc"));
        QCOMPARE(f.model.cameraList().size(), 1);
        QCOMPARE(f.model.cameraList().at(0).macAddress, "00-11-22-aa-bb-cc");
    }

    void sameServiceTwiceIsHeldTwiceListedOnce()
    {
        Fixture f;
        f.model.startMdns();
        auto service = std::make_shared<FakeDnsSdService>("A");
        Q_EMIT f.browsers.last()->serviceFound(service, true);
        Q_EMIT f.browsers.last()->serviceFound(service, false);
        QCOMPARE(service->resolveTimeouts, (QList<double>{10.0, 10.0}));
        QCOMPARE(service.use_count(), 3);
        Q_EMIT service->txtRecordChanged(Fixture::camera("001122aabbcc"));
        QCOMPARE(f.model.cameraList().size(), 1);
    }

    void txtAfterTheBrowseEndedIsStillAdded()
    {
        Fixture f;
        f.model.startMdns();
        auto service = f.find("A");
        f.timers.fire(0);
        Q_EMIT service->txtRecordChanged(Fixture::camera("001122aabbcc"));
        QCOMPARE(f.model.cameraList().size(), 1);
    }

    void newSearchReleasesTheOldServices()
    {
        Fixture f;
        f.model.startMdns();
        auto old = f.find("A");
        f.model.startMdns();
        QCOMPARE(old.use_count(), 1); // only the test holds it now
        // Even while someone still holds it, an old service reaches the new list no more.
        Q_EMIT old->resolved();
        QCOMPARE(old->monitoringStarts, 0);
        Q_EMIT old->txtRecordChanged(Fixture::camera("001122aabbcc"));
        QVERIFY(f.model.cameraList().isEmpty());

        auto fresh = f.find("B");
        Q_EMIT fresh->txtRecordChanged(Fixture::camera("001122aabbcc"));
        QCOMPARE(f.model.cameraList().size(), 1);
    }

    void everyAssignmentAnnouncesOnceBeforeTheStore()
    {
        Fixture f;
        f.model.startMdns();
        auto service = f.find("A");
        f.observed.clear();

        Q_EMIT service->txtRecordChanged(Fixture::camera("001122aabbcc"));
        QCOMPARE(f.observed.size(), 1);
        QVERIFY(f.observed.at(0).cameraList.isEmpty());

        // A second report of the same device changes nothing and announces nothing.
        Q_EMIT service->txtRecordChanged(Fixture::camera("001122aabbcc"));
        QCOMPARE(f.observed.size(), 1);

        QCOMPARE(f.http.requests.size(), 1);
        f.http.finish(0, 200);
        QCOMPARE(f.observed.size(), 2);
        QCOMPARE(f.observed.at(1).cameraList.at(0).isIpv4Enabled, false);
        QCOMPARE(f.model.cameraList().at(0).isIpv4Enabled, true);
    }

    void equalValueStillAnnounced()
    {
        Fixture f;
        f.model.startMdns();
        Q_EMIT f.find("A")->txtRecordChanged(Fixture::camera("001122aabbcc"));
        f.observed.clear();
        const CameraList before = f.model.cameraList();
        f.http.finish(0, 404); // the flag was false already
        QCOMPARE(f.model.cameraList(), before);
        QCOMPARE(f.observed.size(), 1);

        f.model.startMdns();
        f.observed.clear();
        f.model.startMdns(); // empty list emptied again, false button set false again
        QCOMPARE(f.observed.size(), 2);
    }

    void transportErrorAnnouncesNothing()
    {
        Fixture f;
        f.model.startMdns();
        Q_EMIT f.find("A")->txtRecordChanged(Fixture::camera("001122aabbcc"));
        f.observed.clear();
        f.http.finish(0, std::nullopt);
        QVERIFY(f.observed.isEmpty());
    }

    void staleResultsAreDropped()
    {
        Fixture f;
        f.model.startMdns();
        Q_EMIT f.find("A")->txtRecordChanged(Fixture::camera("0011220000aa"));
        QCOMPARE(f.http.requests.size(), 1);

        f.model.startMdns();
        Q_EMIT f.find("B")->txtRecordChanged(Fixture::camera("0011220000bb"));
        QCOMPARE(f.http.requests.size(), 2);
        f.observed.clear();

        // The first search's answer would otherwise land on camera B at the same index.
        f.http.finish(0, 200);
        QVERIFY(f.observed.isEmpty());
        QCOMPARE(f.model.cameraList().at(0).isIpv4Enabled, false);

        f.http.finish(1, 401);
        QCOMPARE(f.model.cameraList().at(0).isIpv4Enabled, true);
    }

    void waitingProbesOfAnOldSearchAreNotSent()
    {
        FakeDnsSdBrowserFactory browsers;
        FakeHttpClient http;
        FakeOneShotTimer timers;
        Model model(browsers.factory(), http, timers.scheduler(), 1);
        model.startMdns();
        auto service = std::make_shared<FakeDnsSdService>("A");
        service->socketAddresses = {socketAddress("198.18.0.10"), socketAddress("2001:db8::10")};
        Q_EMIT browsers.last()->serviceFound(service, false);
        Q_EMIT service->txtRecordChanged(Fixture::camera("001122aabbcc"));
        QCOMPARE(http.requests.size(), 1); // the IPv6 probe waits for a free place
        model.startMdns();
        http.finish(0, 200);
        QCOMPARE(http.requests.size(), 1);
    }

    void probesSettledReportsTheCurrentSearch()
    {
        Fixture f;
        f.model.startMdns();
        auto service = f.find("A");
        service->socketAddresses.append(socketAddress("2001:db8::10"));
        QSignalSpy settled(&f.model, &Model::probesSettled);
        Q_EMIT service->txtRecordChanged(Fixture::camera("001122aabbcc"));
        QCOMPARE(f.model.unsettledProbes(), 2);
        f.http.finish(0, 200);
        QCOMPARE(settled.count(), 0);
        f.http.finish(1, std::nullopt);
        QCOMPARE(settled.count(), 1);
        QCOMPARE(f.model.unsettledProbes(), 0);
    }

    void resultAfterTheModelIsGone()
    {
        FakeDnsSdBrowserFactory browsers;
        FakeHttpClient http;
        FakeOneShotTimer timers;
        auto model = std::make_unique<Model>(browsers.factory(), http, timers.scheduler());
        model->startMdns();
        auto service = std::make_shared<FakeDnsSdService>("A");
        service->socketAddresses = {socketAddress("198.18.0.10")};
        Q_EMIT browsers.last()->serviceFound(service, false);
        Q_EMIT service->txtRecordChanged(Fixture::camera("001122aabbcc"));
        model.reset();
        http.finish(0, 200); // must not touch the destroyed model
        QCOMPARE(http.unfinished(), 0);
    }
};

QTEST_GUILESS_MAIN(TestModel)
#include "tst_model.moc"
