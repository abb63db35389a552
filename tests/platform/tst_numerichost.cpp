#include "platform/NumericHost.h"

#include <QTest>

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>

namespace
{
QByteArray ipv4(const char *text)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    inet_pton(AF_INET, text, &address.sin_addr);
    return QByteArray(reinterpret_cast<const char *>(&address), sizeof address);
}

QByteArray ipv6(const char *text, uint32_t scope = 0)
{
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_scope_id = scope;
    inet_pton(AF_INET6, text, &address.sin6_addr);
    return QByteArray(reinterpret_cast<const char *>(&address), sizeof address);
}
} // namespace

class TestNumericHost : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void text_data()
    {
        QTest::addColumn<QByteArray>("address");
        QTest::addColumn<QString>("expected");
        QTest::newRow("IPv4") << ipv4("198.18.0.10") << "198.18.0.10";
        QTest::newRow("auto-IP") << ipv4("169.254.3.4") << "169.254.3.4";
        QTest::newRow("global IPv6") << ipv6("2001:db8::5") << "2001:db8::5";
        QTest::newRow("link-local IPv6 with scope")
            << ipv6("fe80::1", if_nametoindex("lo")) << "fe80::1%lo";
        QTest::newRow("empty block") << QByteArray() << "";
        QTest::newRow("unknown family") << QByteArray(16, '\x7f') << "";
        QTest::newRow("IPv6 block cut short") << ipv6("2001:db8::5").left(8) << "";
    }

    void text()
    {
        QFETCH(QByteArray, address);
        QFETCH(QString, expected);
        QCOMPARE(numericHostText(address), expected);
    }
};

QTEST_GUILESS_MAIN(TestNumericHost)
#include "tst_numerichost.moc"
