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

struct Fixture {
    FakeDnsSdBrowserFactory browsers;
    FakeHttpClient http;
    FakeOneShotTimer timers;
    Model model{browsers.factory(), http, timers.scheduler(), 1000};
    FakeDnsSdService service{QStringLiteral("Camera")};

    Fixture()
    {
        model.startMdns();
        service.socketAddresses = {socketAddress("198.18.0.10"), socketAddress("2001:db8::10"),
                                   socketAddress("169.254.0.10")};
    }

    QStringList urls() const
    {
        QStringList result;
        for (const QUrl &url : http.urls())
            result.append(url.toString());
        return result;
    }
};

} // namespace

// Which probes a listed camera gets, where they go, and what their answers change.
class TestProbe : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void probesInLaunchOrder_data()
    {
        QTest::addColumn<QList<QByteArray>>("strings");
        QTest::addColumn<QStringList>("urls");
        QTest::newRow("both ports: six probes, HTTPS first")
            << QList<QByteArray>{"http_port=8080", "https_port=8443"}
            << QStringList{"https://198.18.0.10:8443/admin/-set-?el=aa00",
                           "http://198.18.0.10:8080/admin/-set-?el=aa00",
                           "https://[2001:db8::10]:8443/admin/-set-?el=aa00",
                           "http://[2001:db8::10]:8080/admin/-set-?el=aa00",
                           "https://169.254.0.10:8443/admin/-set-?el=aa00",
                           "http://169.254.0.10:8080/admin/-set-?el=aa00"};
        QTest::newRow("only the HTTP port")
            << QList<QByteArray>{"http_port=80"}
            << QStringList{"http://198.18.0.10:80/admin/-set-?el=aa00",
                           "http://[2001:db8::10]:80/admin/-set-?el=aa00",
                           "http://169.254.0.10:80/admin/-set-?el=aa00"};
        QTest::newRow("only the HTTPS port")
            << QList<QByteArray>{"https_port=443"}
            << QStringList{"https://198.18.0.10:443/admin/-set-?el=aa00",
                           "https://[2001:db8::10]:443/admin/-set-?el=aa00",
                           "https://169.254.0.10:443/admin/-set-?el=aa00"};
        QTest::newRow("no port: plain HTTP on 80")
            << QList<QByteArray>{}
            << QStringList{"http://198.18.0.10:80/admin/-set-?el=aa00",
                           "http://[2001:db8::10]:80/admin/-set-?el=aa00",
                           "http://169.254.0.10:80/admin/-set-?el=aa00"};
        QTest::newRow("device camera")
            << QList<QByteArray>{"device=camera", "https_port=443"}
            << QStringList{"https://198.18.0.10:443/admin/-set-?el=aa00",
                           "https://[2001:db8::10]:443/admin/-set-?el=aa00",
                           "https://169.254.0.10:443/admin/-set-?el=aa00"};
        QTest::newRow("controller: never probed")
            << QList<QByteArray>{"device=controller", "http_port=80"} << QStringList{};
        QTest::newRow("leading zeros are a decimal port")
            << QList<QByteArray>{"http_port=0080"}
            << QStringList{"http://198.18.0.10:80/admin/-set-?el=aa00",
                           "http://[2001:db8::10]:80/admin/-set-?el=aa00",
                           "http://169.254.0.10:80/admin/-set-?el=aa00"};
        QTest::newRow("bad HTTPS port does not fall back to 80")
            << QList<QByteArray>{"https_port=x"} << QStringList{};
        QTest::newRow("bad HTTPS port, good HTTP port")
            << QList<QByteArray>{"https_port=0", "http_port=65535"}
            << QStringList{"http://198.18.0.10:65535/admin/-set-?el=aa00",
                           "http://[2001:db8::10]:65535/admin/-set-?el=aa00",
                           "http://169.254.0.10:65535/admin/-set-?el=aa00"};
    }

    void probesInLaunchOrder()
    {
        QFETCH(QList<QByteArray>, strings);
        QFETCH(QStringList, urls);
        Fixture f;
        strings.prepend("vender=tulvo");
        f.model.addCamera(f.service, txtBytes(strings));
        QCOMPARE(f.urls(), urls);
        for (const auto &request : std::as_const(f.http.requests))
            QCOMPARE(request.timeout, 60s);
    }

    void placeholderAddressesAreNeverProbed_data()
    {
        QTest::addColumn<QList<QByteArray>>("addresses");
        QTest::addColumn<QStringList>("urls");
        QTest::newRow("IPv4 only") << QList<QByteArray>{socketAddress("198.18.0.10")}
                                   << QStringList{"http://198.18.0.10:80/admin/-set-?el=aa00"};
        QTest::newRow("IPv6 only") << QList<QByteArray>{socketAddress("2001:db8::10")}
                                   << QStringList{"http://[2001:db8::10]:80/admin/-set-?el=aa00"};
        QTest::newRow("no auto-IP")
            << QList<QByteArray>{socketAddress("198.18.0.10"), socketAddress("2001:db8::10")}
            << QStringList{"http://198.18.0.10:80/admin/-set-?el=aa00",
                           "http://[2001:db8::10]:80/admin/-set-?el=aa00"};
        QTest::newRow("no address at all") << QList<QByteArray>{} << QStringList{};
        QTest::newRow("unconvertible address")
            << QList<QByteArray>{QByteArray("\x07\x00", 2)} << QStringList{};
    }

    void placeholderAddressesAreNeverProbed()
    {
        QFETCH(QList<QByteArray>, addresses);
        QFETCH(QStringList, urls);
        Fixture f;
        f.service.socketAddresses = addresses;
        f.model.addCamera(f.service, txtBytes({"vender=tulvo"}));
        QCOMPARE(f.model.cameraList().size(), 1);
        QCOMPARE(f.urls(), urls);
    }

    void resultFlags_data()
    {
        QTest::addColumn<int>("request"); // in launch order, both ports announced
        QTest::addColumn<std::optional<int>>("status");
        QTest::addColumn<int>("flag"); // index into the six flags, -1 for none
        struct Probe {
            const char *name;
            int flag;
        };
        const Probe probes[] = {{"IPv4 HTTPS", 1}, {"IPv4 HTTP", 0},     {"IPv6 HTTPS", 3},
                                {"IPv6 HTTP", 2},  {"auto-IP HTTPS", 5}, {"auto-IP HTTP", 4}};
        for (int i = 0; i < 6; ++i) {
            const QByteArray name = probes[i].name;
            QTest::newRow(name + " 200") << i << std::optional<int>(200) << probes[i].flag;
            QTest::newRow(name + " 401") << i << std::optional<int>(401) << probes[i].flag;
            QTest::newRow(name + " 404") << i << std::optional<int>(404) << -1;
            QTest::newRow(name + " 500") << i << std::optional<int>(500) << -1;
            QTest::newRow(name + " transport error") << i << std::optional<int>() << -1;
        }
        QTest::newRow("302 not followed") << 0 << std::optional<int>(302) << -1;
        QTest::newRow("204") << 0 << std::optional<int>(204) << -1;
    }

    void resultFlags()
    {
        QFETCH(int, request);
        QFETCH(std::optional<int>, status);
        QFETCH(int, flag);
        Fixture f;
        f.model.addCamera(f.service, txtBytes({"vender=tulvo", "http_port=80", "https_port=443"}));
        QCOMPARE(f.http.requests.size(), 6);
        f.http.finish(request, status);
        const Camera camera = f.model.cameraList().at(0);
        const bool flags[] = {camera.isIpv4Enabled,   camera.isIpv4HttpsEnabled,
                              camera.isIpv6Enabled,   camera.isIpv6HttpsEnabled,
                              camera.isAutoIpEnabled, camera.isAutoIpHttpsEnabled};
        for (int i = 0; i < 6; ++i)
            QCOMPARE(flags[i], i == flag);
    }

    void laterAnswerOverwritesTheFlag()
    {
        Fixture f;
        f.service.socketAddresses = {socketAddress("198.18.0.10")};
        f.model.addCamera(f.service, txtBytes({"vender=tulvo"}));
        f.model.applyIpv4Result(200, false, 0, f.model.currentSearch());
        QVERIFY(f.model.cameraList().at(0).isIpv4Enabled);
        f.model.applyIpv4Result(500, false, 0, f.model.currentSearch());
        QVERIFY(!f.model.cameraList().at(0).isIpv4Enabled);
    }

    void resultForIndexOutsideTheListIsDropped()
    {
        Fixture f;
        QSignalSpy changes(&f.model, &Model::objectWillChange);
        f.model.applyIpv4Result(200, false, 0, f.model.currentSearch());
        f.model.applyIpv6Result(200, true, -1, f.model.currentSearch());
        QCOMPARE(changes.count(), 0);
    }

    void hostilePortTexts_data()
    {
        QTest::addColumn<QString>("port");
        QTest::newRow("user info smuggles another host") << "80@evil.example";
        QTest::newRow("zero") << "0";
        QTest::newRow("above 65535") << "65536";
        QTest::newRow("far above") << "4294967376";
        QTest::newRow("leading blank") << " 80";
        QTest::newRow("trailing blank") << "80 ";
        QTest::newRow("empty") << "";
        QTest::newRow("full-width digits") << QString::fromUtf8("\xef\xbc\x98\xef\xbc\x90");
        QTest::newRow("Arabic-Indic digits") << QString::fromUtf8("\xd9\xa8\xd9\xa0");
        QTest::newRow("sign") << "+80";
        QTest::newRow("negative") << "-1";
        QTest::newRow("path") << "80/x";
        QTest::newRow("query") << "80?el=1";
        QTest::newRow("fragment") << "80#x";
        QTest::newRow("hexadecimal") << "0x50";
        QTest::newRow("second port") << "80:81";
    }

    void hostilePortTexts()
    {
        QFETCH(QString, port);
        QVERIFY(Model::makeProbeUrl("198.18.0.10", port, false).isEmpty());
        QVERIFY(Model::makeProbeUrl("[2001:db8::10]", port, true).isEmpty());
        Fixture f;
        f.model.probeIpv4("198.18.0.10", port, false, 0);
        f.model.probeIpv6("2001:db8::10", port, true, 0);
        f.model.probeAutoIp("169.254.0.10", port, false, 0);
        QVERIFY(f.http.requests.isEmpty());
    }

    void makeProbeUrl_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("port");
        QTest::addColumn<bool>("isHttps");
        QTest::addColumn<QString>("url");
        QTest::newRow("IPv4 HTTP") << "192.168.0.10"
                                   << "80" << false << "http://192.168.0.10:80/admin/-set-?el=aa00";
        QTest::newRow("IPv6 HTTPS in brackets")
            << "[2001:db8::5]"
            << "443" << true << "https://[2001:db8::5]:443/admin/-set-?el=aa00";
        QTest::newRow("lowest port") << "198.18.0.1"
                                     << "1" << false << "http://198.18.0.1:1/admin/-set-?el=aa00";
        QTest::newRow("host name refused") << "evil.example"
                                           << "80" << false << "";
        QTest::newRow("host with path refused") << "198.18.0.1/x"
                                                << "80" << false << "";
        QTest::newRow("empty host refused") << ""
                                            << "80" << false << "";
        QTest::newRow("placeholder refused") << "---"
                                             << "80" << false << "";
        QTest::newRow("IPv6 with zone refused") << "[fe80::1%eth0]"
                                                << "80" << false << "";
    }

    void makeProbeUrl()
    {
        QFETCH(QString, host);
        QFETCH(QString, port);
        QFETCH(bool, isHttps);
        QFETCH(QString, url);
        const QUrl made = Model::makeProbeUrl(host, port, isHttps);
        QCOMPARE(made.toString(), url);
        if (!url.isEmpty()) {
            QCOMPARE(made.path(), "/admin/-set-");
            QCOMPARE(made.query(), "el=aa00");
        }
    }
};

QTEST_GUILESS_MAIN(TestProbe)
#include "tst_probe.moc"
