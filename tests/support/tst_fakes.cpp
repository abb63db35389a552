#include "platform/NumericHost.h"
#include "tests/support/FakeDnsSd.h"
#include "tests/support/FakeHttpClient.h"
#include "tests/support/SocketAddress.h"

#include <QTest>

#include <netinet/in.h>

// The fakes other tests rely on: the ones with a little logic get checked here.
class TestFakes : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void socketAddressRoundTrip_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<quint32>("scopeId");
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("numeric");
        QTest::newRow("IPv4") << "198.18.0.10" << 0u << int(sizeof(sockaddr_in)) << "198.18.0.10";
        QTest::newRow("auto-IP") << "169.254.3.4" << 0u << int(sizeof(sockaddr_in))
                                 << "169.254.3.4";
        QTest::newRow("IPv6") << "2001:db8::5" << 0u << int(sizeof(sockaddr_in6)) << "2001:db8::5";
        // Scope 1 is the loopback interface on every Linux host, so its name is known: "lo".
        QTest::newRow("link-local IPv6 with scope")
            << "fe80::1" << 1u << int(sizeof(sockaddr_in6)) << "fe80::1%lo";
        QTest::newRow("not an address") << "camera.local" << 0u << 0 << "";
    }

    void socketAddressRoundTrip()
    {
        QFETCH(QString, text);
        QFETCH(quint32, scopeId);
        QFETCH(int, size);
        QFETCH(QString, numeric);
        const QByteArray bytes = socketAddress(text, scopeId);
        QCOMPARE(bytes.size(), size);
        QCOMPARE(numericHostText(bytes), numeric);
    }

    void httpClientFinishesEachRequestOnce()
    {
        FakeHttpClient client;
        QList<std::optional<int>> results;
        client.get(QUrl("http://198.18.0.1/"), std::chrono::seconds(60),
                   [&](std::optional<int> status) { results.append(status); });
        client.get(QUrl("http://198.18.0.2/"), std::chrono::seconds(60),
                   [&](std::optional<int> status) { results.append(status); });
        QCOMPARE(client.unfinished(), 2);
        client.finish(1, 401);
        client.finish(1, 200);
        client.finish(0, std::nullopt);
        QCOMPARE(results, (QList<std::optional<int>>{401, std::nullopt}));
        QCOMPARE(client.unfinished(), 0);
    }

    void browserFactoryForgetsDeletedBrowsers()
    {
        FakeDnsSdBrowserFactory factory;
        auto first = factory.factory()();
        auto second = factory.factory()();
        QCOMPARE(factory.made.size(), 2);
        QCOMPARE(factory.last(), second.get());
        second.reset();
        QVERIFY(factory.last() == nullptr);
        QCOMPARE(factory.made.first().data(), first.get());
        first->searchForServicesOfType("_http._tcp", "");
        first->stop();
        first.reset();
        QCOMPARE(*factory.log, (QStringList{"deleted", "search _http._tcp ", "stop", "deleted"}));
    }
};

QTEST_GUILESS_MAIN(TestFakes)
#include "tst_fakes.moc"
