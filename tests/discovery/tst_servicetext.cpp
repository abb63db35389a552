#include "discovery/Camera.h"
#include "discovery/DeviceUrl.h"
#include "discovery/ServiceText.h"

#include <QTest>

// The values of discovery: a camera, the texts of a TXT record, the URL of a device.
class TestServiceText : public QObject
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
        const auto differs = [&](auto Camera::*member, auto value) {
            Camera changed;
            changed.*member = value;
            QVERIFY2(changed != c, qPrintable(QString::number(field++)));
        };
        for (auto text : {&Camera::macAddress, &Camera::ipv4, &Camera::ipv6, &Camera::autoIp,
                          &Camera::moedelName, &Camera::serialNumber})
            differs(text, QStringLiteral("x"));
        for (auto flag :
             {&Camera::isIpv4Enabled, &Camera::isIpv4HttpsEnabled, &Camera::isIpv6Enabled,
              &Camera::isIpv6HttpsEnabled, &Camera::isAutoIpEnabled, &Camera::isAutoIpHttpsEnabled})
            differs(flag, true);
        for (auto port : {&Camera::httpPort, &Camera::httpsPort})
            differs(port, std::optional<QString>(QString())); // empty differs from absent
        differs(&Camera::device, Device::camera);
    }

    void formatMacAddress()
    {
        // Hyphens at n-2, n-4, 2, 5, 8 of the growing text; case kept, digits not checked,
        // a non-BMP character counted once, fewer than 8 characters left unchanged.
        for (const auto &[text, formatted] : {std::pair{"001122aabbcc", "00-11-22-aa-bb-cc"},
                                              {"001122AaBbCc", "00-11-22-Aa-Bb-Cc"},
                                              {"00112233", "00-11--2-2-33"},
                                              {"001122aabbc", "00-11-22-a-ab-bc"},
                                              {"zzzzzzzzzzzz", "zz-zz-zz-zz-zz-zz"},
                                              {"00-11-22-aa-bb-cc", "00--1-1--22-aa-b-b--cc"},
                                              {"0011\xF0\x9F\x98\x80"
                                               "2aabbcc",
                                               "00-11-\xF0\x9F\x98\x80"
                                               "2-aa-bb-cc"},
                                              {"0011223", "0011223"},
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
        QTest::newRow("IPv4") << v4 << "192.168.0.10" << noPort << "https://192.168.0.10";
        QTest::newRow("IPv6 in brackets")
            << v6 << "2001:db8::5" << std::optional<QString>("443") << "https://[2001:db8::5]:443";
        QTest::newRow("auto-IP, lowest port, leading zeros")
            << int(AddressClass::autoIp) << "169.254.3.4" << std::optional<QString>("0001")
            << "https://169.254.3.4:1";
        for (const char *host : {"evil.example", "198.18.0.1/x", "", "---", "fe80::1%eth0"})
            QTest::newRow(host) << (QString(host).contains(':') ? v6 : v4) << host << noPort << "";
        QTest::newRow("IPv6 text as IPv4") << v4 << "2001:db8::5" << noPort << "";
        QTest::newRow("IPv4 text as IPv6") << v6 << "198.18.0.1" << noPort << "";
        for (const QString &port :
             {QStringLiteral("80@evil.example"), QStringLiteral("0"), QStringLiteral("65536"),
              QStringLiteral("4294967376"), QStringLiteral(" 80"), QStringLiteral("80 "), QString(),
              QString::fromUtf8("ï¼ï¼"), QString::fromUtf8("Ù¨Ù "), QStringLiteral("+80"),
              QStringLiteral("-1"), QStringLiteral("80/x"), QStringLiteral("80?el=1"),
              QStringLiteral("80#x"), QStringLiteral("0x50"), QStringLiteral("80:81")})
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

QTEST_GUILESS_MAIN(TestServiceText)
#include "tst_servicetext.moc"
