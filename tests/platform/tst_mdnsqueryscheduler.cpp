#include "tests/platform/MdnsConversation.h"

#include <QSet>
#include <QTest>

// What MdnsQueryScheduler sends when: resolution questions wait for a quiet moment, and a large
// resolution goes out in paced bursts, every question once.
class TestMdnsQueryScheduler : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void quietMoment_data()
    {
        QTest::addColumn<int>("streamFor");
        QTest::addColumn<int>("askedAfter");
        QTest::newRow("answers stream for 100 ms") << 100 << 110; // the last one at 90 ms
        QTest::newRow("answers never stop: asked after 500 ms") << 1000 << 500;
    }

    void quietMoment()
    {
        QFETCH(int, streamFor);
        QFETCH(int, askedAfter);
        QString script = "browse; +2; < ptr:cam; resolve 0; ? ptr; ";
        for (int t = 0; t < askedAfter; ++t) {
            if (t < streamFor && t % 10 == 0)
                script += QStringLiteral("< ptr:other-%1; ").arg(t);
            script += t + 1 == askedAfter ? "?; +1; " : "+1; ";
        }
        Conversation c;
        QCOMPARE(c.run(script + "? srv:cam txt:cam"), QString());
    }

    void batchedAndPaced()
    {
        Conversation c;
        QString script = "browse; +2; ? ptr; ";
        for (int part = 0; part < 5; ++part) {
            script += "< ";
            for (int i = 0; i < 200; ++i)
                script += QStringLiteral("ptr:camera-%1 ").arg(part * 200 + i);
            script += "; ";
        }
        QCOMPARE(c.run(script), QString());
        QCOMPARE(c.found.size(), 1000u);
        for (const auto &service : c.found)
            service->resolve(10);
        c.time.advance(20);
        QStringList asked;
        auto collect = [&](const std::vector<dns::Message> &messages) {
            for (const dns::Message &message : messages) {
                for (const dns::Question &q : message.questions)
                    asked.append(QString::fromStdString(q.name) + QString::number(q.type));
            }
            return messages.size();
        };
        QCOMPARE(collect(c.queries()), 8u);
        c.time.advance(9);
        QCOMPARE(collect(c.queries()), 0u);
        c.time.advance(1);
        QVERIFY(collect(c.queries()) <= 8u);
        c.time.advance(100);
        collect(c.queries());
        QCOMPARE(asked.size(), 2000); // SRV and TXT of each, once
        QCOMPARE(QSet<QString>(asked.begin(), asked.end()).size(), 2000);
    }
};

QTEST_GUILESS_MAIN(TestMdnsQueryScheduler)
#include "tst_mdnsqueryscheduler.moc"
