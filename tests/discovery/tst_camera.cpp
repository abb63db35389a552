#include "discovery/Camera.h"

#include <QTest>

#include <functional>

Q_DECLARE_METATYPE(std::function<void(Camera &)>)

class TestCamera : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void defaults()
    {
        const Camera c;
        QCOMPARE(
            (QStringList{c.macAddress, c.ipv4, c.ipv6, c.autoIp, c.moedelName, c.serialNumber}),
            QStringList(6, QStringLiteral("---")));
        QVERIFY(!c.isIpv4Enabled && !c.isIpv4HttpsEnabled && !c.isIpv6Enabled &&
                !c.isIpv6HttpsEnabled && !c.isAutoIpEnabled && !c.isAutoIpHttpsEnabled);
        QVERIFY(c.device == Device::none && !c.httpPort && !c.httpsPort);
    }

    // A hand-written operator== that forgets a field fails its row.
    void everyFieldTakesPartInEquality_data()
    {
        QTest::addColumn<std::function<void(Camera &)>>("change");
        using F = std::function<void(Camera &)>;
        QTest::newRow("macAddress") << F([](Camera &c) { c.macAddress = "AA"; });
        QTest::newRow("ipv4") << F([](Camera &c) { c.ipv4 = "198.18.0.1"; });
        QTest::newRow("isIpv4Enabled") << F([](Camera &c) { c.isIpv4Enabled = true; });
        QTest::newRow("isIpv4HttpsEnabled") << F([](Camera &c) { c.isIpv4HttpsEnabled = true; });
        QTest::newRow("ipv6") << F([](Camera &c) { c.ipv6 = "2001:db8::1"; });
        QTest::newRow("isIpv6Enabled") << F([](Camera &c) { c.isIpv6Enabled = true; });
        QTest::newRow("isIpv6HttpsEnabled") << F([](Camera &c) { c.isIpv6HttpsEnabled = true; });
        QTest::newRow("autoIp") << F([](Camera &c) { c.autoIp = "169.254.3.4"; });
        QTest::newRow("isAutoIpEnabled") << F([](Camera &c) { c.isAutoIpEnabled = true; });
        QTest::newRow("isAutoIpHttpsEnabled")
            << F([](Camera &c) { c.isAutoIpHttpsEnabled = true; });
        QTest::newRow("moedelName") << F([](Camera &c) { c.moedelName = "M1"; });
        QTest::newRow("serialNumber") << F([](Camera &c) { c.serialNumber = "S1"; });
        QTest::newRow("device") << F([](Camera &c) { c.device = Device::camera; });
        QTest::newRow("httpPort empty") << F([](Camera &c) { c.httpPort = QString(); });
        QTest::newRow("httpsPort empty") << F([](Camera &c) { c.httpsPort = QString(); });
    }

    void everyFieldTakesPartInEquality()
    {
        QFETCH(std::function<void(Camera &)>, change);
        Camera changed;
        change(changed);
        QVERIFY(changed != Camera());
    }

    void deviceHashIsTheCasePosition()
    {
        for (size_t seed : {size_t(0), size_t(0xdeadbeef)}) {
            QCOMPARE(qHash(Device::none, seed), qHash(0, seed));
            QCOMPARE(qHash(Device::undefined, seed), qHash(3, seed));
        }
        QCOMPARE(std::hash<Device>{}(Device::controller), std::hash<int>{}(2));
    }
};

QTEST_GUILESS_MAIN(TestCamera)
#include "tst_camera.moc"
