#include "platform/NumericHost.h"
#include "tests/support/FakeDnsSd.h"
#include "tests/support/FakeHttpClient.h"
#include "tests/support/FakeTime.h"
#include "tests/support/SocketAddress.h"

#include <QTest>

// The fakes other tests rely on: the ones with a little logic get checked here.
class TestFakes : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void socketAddressRoundTrip()
    {
        // Scope 1 is the loopback interface on every Linux host, so its name is known: "lo".
        for (const auto &[text, numeric] : {std::pair{"198.18.0.10", "198.18.0.10"},
                                            {"2001:db8::5", "2001:db8::5"},
                                            {"fe80::1", "fe80::1%lo"},
                                            {"camera.local", ""}})
            QCOMPARE(numericHostText(socketAddress(text, QString(text).startsWith("fe80"))),
                     numeric);
    }

    void httpClientFinishesEachRequestOnce()
    {
        FakeHttpClient client;
        QList<std::optional<int>> results;
        for (int i = 0; i < 3; ++i)
            client.get(QUrl("http://198.18.0.1/"), std::chrono::seconds(60),
                       [&](std::optional<int> status) { results.append(status); });
        client.finish(1, 401);
        client.finish(1, 200);
        client.abort(2);
        client.finish(2, 200);
        client.finish(0, std::nullopt);
        QCOMPARE(results, (QList<std::optional<int>>{401, std::nullopt}));
        QCOMPARE(client.unfinished(), 0);
    }

    void timeFiresEveryTimerInOrderOfDueTime()
    {
        FakeTime time;
        QStringList fired;
        auto later = time.makeTimer();
        auto sooner = time.makeTimer();
        for (const auto &[timer, name] : {std::pair<OneShotTimer *, QString>{&time, "time"},
                                          {later.get(), "later"},
                                          {sooner.get(), "sooner"}})
            connect(timer, &OneShotTimer::timeout, this,
                    [&, name] { fired.append(name + QString::number(time.now() % 1000)); });
        time.start(20);
        later.get()->start(30);
        sooner.get()->start(10);
        time.advance(29);
        QCOMPARE(fired, (QStringList{"sooner10", "time20"}));
        later->stop();
        time.advance(100);
        QCOMPARE(fired.size(), 2);
        QCOMPARE(time.now() % 1000, 129);
    }

    void browserFactoryForgetsDeletedBrowsers()
    {
        FakeDnsSdBrowserFactory factory;
        auto first = factory.factory()();
        auto second = factory.factory()();
        QCOMPARE(factory.last(), second.get());
        second.reset();
        QVERIFY(factory.last() == nullptr);
        first->searchForServicesOfType("_http._tcp", "");
        first->stop();
        first.reset();
        QCOMPARE(*factory.log, (QStringList{"deleted", "search _http._tcp ", "stop", "deleted"}));
    }
};

QTEST_GUILESS_MAIN(TestFakes)
#include "tst_fakes.moc"
