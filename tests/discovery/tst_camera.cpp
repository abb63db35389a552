#include "discovery/Camera.h"

#include <QTest>

class TestCamera : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void defaultsAndEquality()
    {
        const Camera c;
        QCOMPARE(
            (QStringList{c.macAddress, c.ipv4, c.ipv6, c.autoIp, c.moedelName, c.serialNumber}),
            QStringList(6, QStringLiteral("---")));
        QVERIFY(!c.isIpv4Enabled && !c.isIpv4HttpsEnabled && !c.isIpv6Enabled &&
                !c.isIpv6HttpsEnabled && !c.isAutoIpEnabled && !c.isAutoIpHttpsEnabled);
        QVERIFY(c.device == Device::none && !c.httpPort && !c.httpsPort);

        // A hand-written operator== that forgets a field fails here, for that field.
        int field = 0;
        for (QString Camera::*text :
             {&Camera::macAddress, &Camera::ipv4, &Camera::ipv6, &Camera::autoIp,
              &Camera::moedelName, &Camera::serialNumber}) {
            Camera changed;
            changed.*text = "x";
            QVERIFY2(changed != c, qPrintable(QString::number(field++)));
        }
        for (bool Camera::*flag : {&Camera::isIpv4Enabled, &Camera::isIpv4HttpsEnabled,
                                   &Camera::isIpv6Enabled, &Camera::isIpv6HttpsEnabled,
                                   &Camera::isAutoIpEnabled, &Camera::isAutoIpHttpsEnabled}) {
            Camera changed;
            changed.*flag = true;
            QVERIFY2(changed != c, qPrintable(QString::number(field++)));
        }
        for (std::optional<QString> Camera::*port : {&Camera::httpPort, &Camera::httpsPort}) {
            Camera changed;
            changed.*port = QString(); // empty differs from absent
            QVERIFY2(changed != c, qPrintable(QString::number(field++)));
        }
        Camera changed;
        changed.device = Device::camera;
        QVERIFY(changed != c);
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
