#include "discovery/Model.h"
#include "tests/support/FakeDnsSd.h"
#include "tests/support/FakeHttpClient.h"
#include "tests/support/FakeOneShotTimer.h"
#include "tests/support/SocketAddress.h"
#include "tests/support/TxtBytes.h"

#include <QTest>

Q_DECLARE_METATYPE(Camera)

namespace
{

struct Fixture {
    FakeDnsSdBrowserFactory browsers;
    FakeHttpClient http;
    FakeOneShotTimer timers;
    Model model{browsers.factory(), http, timers.scheduler()};
    FakeDnsSdService service{QStringLiteral("Camera")};
};

} // namespace

// The interpretation of one TXT record report: vendor filter, fields, addresses, merge.
class TestAddCamera : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void vendorFilter_data()
    {
        QTest::addColumn<QByteArray>("txt");
        QTest::addColumn<bool>("listed");
        QTest::newRow("vendor word") << txtBytes({"vender=tulvo"}) << true;
        QTest::newRow("vendor word among others")
            << txtBytes({"path=/", "vender=tulvo", "model=X"}) << true;
        QTest::newRow("capitals") << txtBytes({"vender=TULVO"}) << false;
        QTest::newRow("trailing blank") << txtBytes({"vender=tulvo "}) << false;
        QTest::newRow("longer text containing it") << txtBytes({"vender=tulvo2"}) << false;
        QTest::newRow("other vendor") << txtBytes({"vender=acme"}) << false;
        QTest::newRow("empty value") << txtBytes({"vender="}) << false;
        QTest::newRow("key without value") << txtBytes({"vender"}) << false;
        QTest::newRow("key in capitals") << txtBytes({"Vender=tulvo"}) << false;
        QTest::newRow("no vender key") << txtBytes({"macaddress=001122aabbcc"}) << false;
        QTest::newRow("vendor value not UTF-8") << txtBytes({"vender=tulvo\xff"}) << false;
        QTest::newRow("vendor value with byte-order mark")
            << txtBytes({"vender=\xef\xbb\xbftulvo"}) << false;
        QTest::newRow("first occurrence wins (other vendor first)")
            << txtBytes({"vender=acme", "vender=tulvo"}) << false;
        QTest::newRow("empty record") << QByteArray() << false;
        QTest::newRow("single zero byte") << QByteArray(1, '\0') << false;
    }

    void vendorFilter()
    {
        QFETCH(QByteArray, txt);
        QFETCH(bool, listed);
        Fixture f;
        f.service.socketAddresses = {socketAddress("198.18.0.10")};
        f.model.addCamera(f.service, txt);
        QCOMPARE(f.model.cameraList().size(), listed ? 1 : 0);
        QCOMPARE(f.http.requests.size(), listed ? 1 : 0);
    }

    void fields_data()
    {
        QTest::addColumn<QList<QByteArray>>("strings");
        QTest::addColumn<Camera>("expected");

        Camera onlyVendor;
        QTest::newRow("only the vendor entry") << QList<QByteArray>{"vender=tulvo"} << onlyVendor;

        Camera full;
        full.macAddress = "00-11-22-AA-bb-cc";
        full.serialNumber = "SN 0001";
        full.moedelName = QString::fromUtf8("VX-100 \xc3\xa9");
        full.device = Device::camera;
        full.httpPort = "8080";
        full.httpsPort = "8443";
        QTest::newRow("all fields")
            << QList<QByteArray>{"vender=tulvo",   "macaddress=001122AAbbcc",
                                 "ser=SN 0001",    "model=VX-100 \xc3\xa9",
                                 "device=camera",  "http_port=8080",
                                 "https_port=8443"}
            << full;

        Camera invalid;
        invalid.serialNumber = "S";
        QTest::newRow("values not UTF-8 keep their defaults")
            << QList<QByteArray>{"vender=tulvo",
                                 "macaddress=0011\xc0\xaf"
                                 "22aabbcc",
                                 "ser=S",
                                 "model=\xed\xa0\x80",
                                 "device=cam\xffra",
                                 "http_port=8\x80",
                                 "https_port=\xe2\x82"}
            << invalid;

        Camera empty;
        empty.macAddress = "";
        empty.serialNumber = "";
        empty.moedelName = "";
        empty.device = Device::undefined;
        empty.httpPort = "";
        empty.httpsPort = "";
        QTest::newRow("keys without values")
            << QList<QByteArray>{"vender=tulvo", "macaddress", "ser=",       "model",
                                 "device=",      "http_port",  "https_port="}
            << empty;

        Camera capital;
        capital.device = Device::undefined;
        QTest::newRow("device Camera (capital C)")
            << QList<QByteArray>{"vender=tulvo", "device=Camera"} << capital;

        Camera controller;
        controller.device = Device::controller;
        QTest::newRow("device controller")
            << QList<QByteArray>{"vender=tulvo", "device=controller"} << controller;

        Camera shortMac;
        shortMac.macAddress = "0011223";
        QTest::newRow("short macaddress stored unchanged")
            << QList<QByteArray>{"vender=tulvo", "macaddress=0011223"} << shortMac;

        Camera verbatim;
        verbatim.moedelName = " a=b ";
        verbatim.httpPort = "80@evil.example";
        QTest::newRow("values verbatim, first '=' splits")
            << QList<QByteArray>{"vender=tulvo", "model= a=b ", "http_port=80@evil.example"}
            << verbatim;

        Camera caseSensitiveKeys;
        QTest::newRow("keys in other letter case ignored")
            << QList<QByteArray>{"vender=tulvo", "MACADDRESS=001122aabbcc", "Model=X"}
            << caseSensitiveKeys;
    }

    void fields()
    {
        QFETCH(QList<QByteArray>, strings);
        QFETCH(Camera, expected);
        Fixture f;
        f.model.addCamera(f.service, txtBytes(strings));
        QCOMPARE(f.model.cameraList().size(), 1);
        QCOMPARE(f.model.cameraList().at(0), expected);
    }

    void addressClasses_data()
    {
        QTest::addColumn<QList<QByteArray>>("addresses");
        QTest::addColumn<QString>("ipv4");
        QTest::addColumn<QString>("ipv6");
        QTest::addColumn<QString>("autoIp");
        const QString none = placeholderText;
        QTest::newRow("one of each, last IPv6 wins, zone cut")
            << QList<QByteArray>{socketAddress("192.168.0.10"), socketAddress("169.254.3.4"),
                                 socketAddress("fe80::1", 1), socketAddress("2001:db8::5")}
            << "192.168.0.10"
            << "2001:db8::5"
            << "169.254.3.4";
        QTest::newRow("link-local IPv6 last")
            << QList<QByteArray>{socketAddress("2001:db8::5"), socketAddress("fe80::1", 1)} << none
            << "fe80::1" << none;
        QTest::newRow("last IPv4 wins")
            << QList<QByteArray>{socketAddress("198.18.0.1"), socketAddress("198.18.0.2")}
            << "198.18.0.2" << none << none;
        QTest::newRow("last auto-IP wins")
            << QList<QByteArray>{socketAddress("169.254.0.1"), socketAddress("169.254.0.2")} << none
            << none << "169.254.0.2";
        QTest::newRow("IPv4-mapped IPv6 counts as IPv6")
            << QList<QByteArray>{socketAddress("::ffff:198.18.0.1")} << none << "::ffff:198.18.0.1"
            << none;
        QTest::newRow("unconvertible address is an empty IPv4")
            << QList<QByteArray>{QByteArray("\x07\x00", 2)} << "" << none << none;
        QTest::newRow("later IPv4 replaces the unconvertible one")
            << QList<QByteArray>{QByteArray("\x07\x00", 2), socketAddress("198.18.0.7")}
            << "198.18.0.7" << none << none;
        QTest::newRow("no addresses") << QList<QByteArray>{} << none << none << none;
    }

    void addressClasses()
    {
        QFETCH(QList<QByteArray>, addresses);
        QFETCH(QString, ipv4);
        QFETCH(QString, ipv6);
        QFETCH(QString, autoIp);
        Fixture f;
        f.service.socketAddresses = addresses;
        f.model.addCamera(f.service, txtBytes({"vender=tulvo"}));
        QCOMPARE(f.model.cameraList().size(), 1);
        const Camera camera = f.model.cameraList().at(0);
        QCOMPARE(camera.ipv4, ipv4);
        QCOMPARE(camera.ipv6, ipv6);
        QCOMPARE(camera.autoIp, autoIp);
    }

    void mergeByMacAppendsOnly()
    {
        Fixture f;
        f.service.socketAddresses = {socketAddress("198.18.0.1")};
        f.model.addCamera(f.service, txtBytes({"vender=tulvo", "macaddress=0011220000aa"}));
        f.model.addCamera(f.service, txtBytes({"vender=tulvo", "macaddress=0011220000bb"}));
        const CameraList before = f.model.cameraList();
        QCOMPARE(f.http.requests.size(), 2);

        // The same device again with a new address and a new name: the listed entry stands.
        FakeDnsSdService again;
        again.socketAddresses = {socketAddress("198.18.0.99")};
        f.model.addCamera(again, txtBytes({"vender=tulvo", "macaddress=0011220000aa", "model=N"}));
        QCOMPARE(f.model.cameraList(), before);
        QCOMPARE(f.http.requests.size(), 2);

        // Letter case makes another MAC address.
        f.model.addCamera(again, txtBytes({"vender=tulvo", "macaddress=0011220000AA"}));
        QCOMPARE(f.model.cameraList().size(), 3);
        QCOMPARE(f.model.cameraList().at(2).macAddress, "00-11-22-00-00-AA");
    }

    void devicesWithoutMacShareThePlaceholder()
    {
        Fixture f;
        f.model.addCamera(f.service, txtBytes({"vender=tulvo", "ser=1"}));
        f.model.addCamera(f.service, txtBytes({"vender=tulvo", "ser=2"}));
        QCOMPARE(f.model.cameraList().size(), 1);
        QCOMPARE(f.model.cameraList().at(0).serialNumber, "1");
    }

    void rejectedRecordIsJudgedAgainLater()
    {
        Fixture f;
        f.model.addCamera(f.service, txtBytes({"vender=other"}));
        QVERIFY(f.model.cameraList().isEmpty());
        f.model.addCamera(f.service, txtBytes({"vender=tulvo"}));
        QCOMPARE(f.model.cameraList().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestAddCamera)
#include "tst_addcamera.moc"
