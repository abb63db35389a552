#include "discovery/ProbeQueue.h"
#include "tests/support/FakeHttpClient.h"

#include <QTest>

using namespace std::chrono_literals;

class TestProbeQueue : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void startsInOrderUpToTheLimit()
    {
        FakeHttpClient client;
        ProbeQueue queue(client, 2);
        QList<int> completed;
        for (int i = 0; i < 5; ++i)
            queue.enqueue(QUrl(QStringLiteral("http://198.18.0.%1/").arg(i + 1)), 60s,
                          [&completed, i](std::optional<int>) { completed.append(i); });
        QCOMPARE(client.requests.size(), 2);
        client.finish(1, 200);
        QCOMPARE(client.requests.last().url, QUrl("http://198.18.0.3/"));
        client.finish(0, std::nullopt); // a transport failure frees its place too
        client.finish(2, 404);
        client.finish(3, 200);
        QCOMPARE(client.requests.last().url, QUrl("http://198.18.0.5/"));
        QCOMPARE(client.requests.last().timeout, 60s);
        client.finish(4, 200);
        QCOMPARE(completed, (QList<int>{1, 0, 2, 3, 4}));
    }

    void abandonAllFreesEveryPlaceAtOnce()
    {
        FakeHttpClient client;
        ProbeQueue queue(client, 1);
        int completed = 0;
        for (int i = 0; i < 3; ++i)
            queue.enqueue(QUrl("http://198.18.0.1/"), 60s,
                          [&](std::optional<int>) { ++completed; });
        queue.abandonAll();
        QVERIFY(client.requests.at(0).aborted);
        queue.enqueue(QUrl("http://198.18.0.2/"), 60s, [&](std::optional<int>) { ++completed; });
        QCOMPARE(client.requests.size(), 2); // sent at once, the waiting ones are gone
        QCOMPARE(client.requests.at(1).url, QUrl("http://198.18.0.2/"));
        client.finish(1, 200);
        QCOMPARE(completed, 1);
    }

    void completionAfterTheQueueIsGone()
    {
        FakeHttpClient client;
        int completed = 0;
        {
            ProbeQueue queue(client, 1);
            for (int i = 0; i < 2; ++i)
                queue.enqueue(QUrl("http://198.18.0.1/"), 60s,
                              [&](std::optional<int>) { ++completed; });
        }
        client.finish(0, 200);
        QCOMPARE(completed, 1);
        QCOMPARE(client.requests.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestProbeQueue)
#include "tst_probequeue.moc"
