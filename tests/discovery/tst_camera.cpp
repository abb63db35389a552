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
        const Camera camera;
        for (const QString &text : {camera.macAddress, camera.ipv4, camera.ipv6, camera.autoIp,
                                    camera.moedelName, camera.serialNumber})
            QCOMPARE(text, QStringLiteral("---"));
        QVERIFY(!camera.isIpv4Enabled && !camera.isIpv4HttpsEnabled && !camera.isIpv6Enabled &&
                !camera.isIpv6HttpsEnabled && !camera.isAutoIpEnabled &&
                !camera.isAutoIpHttpsEnabled);
        QCOMPARE(camera.device, Device::none);
        QVERIFY(!camera.httpPort.has_value());
        QVERIFY(!camera.httpsPort.has_value());
        QCOMPARE(Camera(), Camera());
    }

    void oneFieldChangedMakesUnequal_data()
    {
        QTest::addColumn<std::function<void(Camera &)>>("change");
        using F = std::function<void(Camera &)>;
        QTest::newRow("macAddress letter case")
            << F([](Camera &c) { c.macAddress = "AA-BB-CC-DD-EE-FF"; });
        QTest::newRow("ipv4") << F([](Camera &c) { c.ipv4 = "198.18.0.1"; });
        QTest::newRow("isIpv4Enabled") << F([](Camera &c) { c.isIpv4Enabled = true; });
        QTest::newRow("isIpv4HttpsEnabled") << F([](Camera &c) { c.isIpv4HttpsEnabled = true; });
        QTest::newRow("ipv6") << F([](Camera &c) { c.ipv6 = "2001:db8::1"; });
        QTest::newRow("isIpv6Enabled") << F([](Camera &c) { c.isIpv6Enabled = true; });
        QTest::newRow("isIpv6HttpsEnabled") << F([](Camera &c) { c.isIpv6HttpsEnabled = true; });
        QTest::newRow("autoIp") << F([](Camera &c) { c.autoIp = "169.254.3.4"; });
        QTest::newRow("isAutoIpEnabled") << F([](Camera &c) { c.isAutoIpEnabled = true; });
        QTest::newRow("isAutoIpHttpsEnabled (last flag)")
            << F([](Camera &c) { c.isAutoIpHttpsEnabled = true; });
        QTest::newRow("moedelName") << F([](Camera &c) { c.moedelName = "M1"; });
        QTest::newRow("serialNumber") << F([](Camera &c) { c.serialNumber = "S1"; });
        QTest::newRow("device") << F([](Camera &c) { c.device = Device::camera; });
        QTest::newRow("httpPort absent vs empty") << F([](Camera &c) { c.httpPort = QString(); });
        QTest::newRow("httpsPort absent vs empty (last field)")
            << F([](Camera &c) { c.httpsPort = QString(); });
        QTest::newRow("httpsPort text") << F([](Camera &c) { c.httpsPort = "443"; });
    }

    void oneFieldChangedMakesUnequal()
    {
        QFETCH(std::function<void(Camera &)>, change);
        Camera base;
        base.macAddress = "aa-bb-cc-dd-ee-ff";
        base.httpsPort = std::nullopt;
        Camera changed = base;
        change(changed);
        QVERIFY(!(changed == base));
        QVERIFY(changed != base);
        Camera same = base;
        change(same);
        QCOMPARE(same, changed);
    }

    void macAddressCaseMatters()
    {
        Camera lower, upper;
        lower.macAddress = "aa-bb-cc-dd-ee-ff";
        upper.macAddress = "AA-BB-CC-DD-EE-FF";
        QVERIFY(lower != upper);
    }

    void listEquality()
    {
        Camera a, b;
        b.serialNumber = "S2";
        QVERIFY((CameraList{a, b} == CameraList{a, b}));
        QVERIFY((CameraList{a, b} != CameraList{b, a}));
        QVERIFY((CameraList{a} != CameraList{a, a}));
        QVERIFY((CameraList{} == CameraList{}));
    }

    void deviceEqualityAndHash()
    {
        QCOMPARE(Device::controller, Device::controller);
        QVERIFY(Device::controller != Device::undefined);
        for (size_t seed : {size_t(0), size_t(42), size_t(0xdeadbeef)}) {
            QCOMPARE(qHash(Device::none, seed), qHash(0, seed));
            QCOMPARE(qHash(Device::undefined, seed), qHash(3, seed));
            QCOMPARE(qHash(Device::camera, seed), qHash(Device::camera, seed));
        }
        QVERIFY(qHash(Device::camera, 7) != qHash(Device::controller, 7));
        QCOMPARE(std::hash<Device>{}(Device::controller), std::hash<int>{}(2));
    }
};

QTEST_GUILESS_MAIN(TestCamera)
#include "tst_camera.moc"
