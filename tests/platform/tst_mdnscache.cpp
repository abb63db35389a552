#include "platform/mdns/DnsName.h"
#include "platform/mdns/MdnsCache.h"

#include <QTest>

using namespace dns;

namespace
{

ResourceRecord aRecord(const char *hostName, uint8_t last, uint32_t ttl, bool flush = false)
{
    ResourceRecord record;
    record.name = nameFromDotted(hostName);
    record.type = TypeA;
    record.ttl = ttl;
    record.cacheFlush = flush;
    record.rdata = std::string{char(198), char(18), char(0), static_cast<char>(last)};
    return record;
}

size_t count(const MdnsCache &cache, const char *hostName, int64_t now)
{
    return cache.find(nameFromDotted(hostName), TypeA, now).size();
}

} // namespace

class TestMdnsCache : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void expiresAtItsTtl()
    {
        MdnsCache cache;
        QCOMPARE(cache.insert(aRecord("a.local", 1, 10), 0, 1), MdnsCache::Change::Added);
        QCOMPARE(cache.insert(aRecord("A.LOCAL", 1, 10), 5000, 1), MdnsCache::Change::Refreshed);
        QCOMPARE(cache.nextExpiry(), 15000);
        cache.removeExpired(14999);
        QCOMPARE(cache.size(), 1u);
        QCOMPARE(count(cache, "a.local", 14999), 1u);
        QCOMPARE(count(cache, "a.local", 15000), 0u); // already invisible at its expiry
        cache.removeExpired(15000);
        QCOMPARE(cache.size(), 0u);
        QVERIFY(!cache.nextExpiry());
    }

    void goodbyeKeepsOneSecond()
    {
        MdnsCache cache;
        cache.insert(aRecord("a.local", 1, 120), 0, 1);
        QCOMPARE(cache.insert(aRecord("a.local", 1, 0), 100, 1), MdnsCache::Change::Goodbye);
        QVERIFY(!cache.newest(nameFromDotted("a.local"), TypeA, 100));
        cache.removeExpired(1099);
        QCOMPARE(cache.size(), 1u);
        cache.removeExpired(1100);
        QCOMPARE(cache.size(), 0u);
        // A goodbye for something never cached adds nothing.
        QCOMPARE(cache.insert(aRecord("b.local", 1, 0), 2000, 1), MdnsCache::Change::None);
        QCOMPARE(cache.size(), 0u);
    }

    void cacheFlush_data()
    {
        QTest::addColumn<int64_t>("secondArrivesAfter");
        QTest::addColumn<bool>("flush");
        QTest::addColumn<size_t>("leftAfterTwoSeconds");
        QTest::newRow("flush bit, older record 2 s old") << int64_t{2000} << true << size_t{1};
        QTest::newRow("flush bit, older record 0.5 s old") << int64_t{500} << true << size_t{2};
        QTest::newRow("no flush bit") << int64_t{2000} << false << size_t{2};
    }

    void cacheFlush()
    {
        QFETCH(int64_t, secondArrivesAfter);
        QFETCH(bool, flush);
        QFETCH(size_t, leftAfterTwoSeconds);
        MdnsCache cache;
        cache.insert(aRecord("a.local", 1, 120, true), 0, 1);
        cache.insert(aRecord("a.local", 2, 120, flush), secondArrivesAfter, 1);
        QCOMPARE(count(cache, "a.local", secondArrivesAfter), 2u); // flushed ones stay 1 s
        const int64_t later = secondArrivesAfter + 2000;
        cache.removeExpired(later);
        QCOMPARE(count(cache, "a.local", later), leftAfterTwoSeconds);
        QCOMPARE(cache.newest(nameFromDotted("a.local"), TypeA, later)->record.rdata[3], 2);
    }

    void capacityDropsClosestToExpiry()
    {
        MdnsCache cache(3);
        cache.insert(aRecord("a.local", 1, 100), 0, 1);
        cache.insert(aRecord("b.local", 1, 10), 0, 1);
        cache.insert(aRecord("c.local", 1, 50), 0, 1);
        cache.insert(aRecord("d.local", 1, 70), 0, 1);
        QCOMPARE(cache.size(), 3u);
        QCOMPARE(count(cache, "b.local", 0), 0u);
        QCOMPARE(count(cache, "d.local", 0), 1u);
        cache.removeExpired(1000000);
        QCOMPARE(cache.size(), 0u);
    }

    void refreshOnlyWhenWatched()
    {
        MdnsCache cache;
        cache.insert(aRecord("a.local", 1, 100), 0, 1);
        QVERIFY(!cache.nextRefresh());
        cache.watch(nameFromDotted("a.local"), TypeA);
        QList<int64_t> times;
        while (cache.nextRefresh()) {
            const int64_t at = *cache.nextRefresh();
            QCOMPARE(cache.takeDueRefreshes(at).size(), 1u);
            times.append(at);
        }
        QCOMPARE(times, (QList<int64_t>{80000, 85000, 90000, 95000}));

        // A fresh answer starts the stages again; unwatching ends them.
        cache.insert(aRecord("a.local", 1, 100), 100000, 1);
        QCOMPARE(cache.nextRefresh(), 180000);
        cache.unwatch(nameFromDotted("a.local"), TypeA);
        QVERIFY(!cache.nextRefresh());
    }
};

QTEST_APPLESS_MAIN(TestMdnsCache)
#include "tst_mdnscache.moc"
