#include "tests/support/MdnsConversation.h"

#include <QSet>
#include <QSignalSpy>
#include <QTest>

// The engine's parts as conversations: the schedule of a browse's questions (MdnsBrowseSchedule),
// which responses are taken (MdnsResponseIntake), which questions of other queriers stand in for
// ours (MdnsDuplicateQuestions), one service's resolution and TXT monitoring (MdnsResolution), the
// notice pump's promise (no signal from inside a call, none for a dropped service), what
// MdnsQueryScheduler sends when, the record cache, and the socket report on its way to the browser.
class TestMdnsEngine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void conversation_data()
    {
        QTest::addColumn<QString>("script");
        QTest::newRow("2 ms, then 1 s, 2 s, 4 s; no known answer yet")
            << "browse; +1; ?; +1; ? ptr |; +999; ?; +1; ? ptr; +1999; ?; +1; ? ptr; +3999; ?; "
               "+1; ? ptr";
        QTest::newRow("new instances after a repetition: again 1 s after it, 1 s, then 2 s")
            << "browse; +2; < ptr:a; +1000; ? ptr ptr; +100; < ptr:b; +899; ?; +1; "
               "? ptr | ptr:a/4498 ptr:b/4499; +999; ?; +1; ? ptr; +1999; ?; +1; ? ptr";
        QTest::newRow("resolution unanswered: again 1 s after the last, to the fifth question")
            << "browse; +2; < ptr:mute; resolve 0; ? ptr; +20; ? srv:mute txt:mute; +980; "
               "? ptr srv:mute txt:mute; +1000; ? ptr srv:mute txt:mute; +1000; "
               "? ptr srv:mute txt:mute; +1000; ? ptr; +1000; ?; +10; ? srv:mute txt:mute; +990; "
               "? ptr; +3000; ?; +10; ? srv:mute txt:mute; +989; ?; +1; ? ptr";
        QTest::newRow("alone on 5353: the first question QU, unicast answer taken")
            << "alone; browse; +2; ? ptr(QU); +1000; ? ptr; < ptr:cam; = found:cam";
        QTest::newRow("known answers with at least half their TTL")
            << "browse; +2; ? ptr; < ptr:long ptr:short/10; +1000; ? ptr | ptr:long/4499 "
               "ptr:short/9; "
               "+2000; ? ptr | ptr:long/4497 ptr:short/7; +4000; ? ptr | ptr:long/4493";
        QTest::newRow("a fresh browse reports and knows only what answers it")
            << "browse; +2; < ptr:a ptr:b | srv:a>host-a txt:a=k=v a:host-a=198.18.0.1 "
               "a:host-a=2001:db8::1; = found:a+ found:b; stop; +500; ? ptr; browse; +2; ? ptr |; "
               "< ptr:a; = found:a; resolve 2; +0; = resolved:a; +5000; = ; "
               "? ptr ptr | ptr:a/4497 ptr:a/4499";
        const QString found = "browse; +2; < ptr:cam %1; = %2";
        QTest::newRow("from 5353 on the link") << found.arg("", "found:cam");
        QTest::newRow("from another port") << found.arg("port=5354", "");
        QTest::newRow("from beyond the link") << found.arg("from=198.19.7.7", "");
        QTest::newRow("with a response code") << found.arg("flags=8403", "");
        QTest::newRow("with an opcode") << found.arg("flags=a400", "");
        QTest::newRow("a goodbye reports nothing") << "browse; +2; < ptr:gone/0; =";
        QTest::newRow("a response's question is no query")
            << "browse; +2; ? ptr; < q=ptr ptr:cam; = found:cam; +1000; ? ptr | ptr:cam/4499";
        QTest::newRow("another's question stands in for ours")
            << "browse; +1; ask ptr from=198.18.0.20; +1; ?; +998; ?; +1; ? ptr |";
        QTest::newRow("not with a known answer we lack")
            << "browse; +1; ask ptr | ptr:theirs from=198.18.0.20; +1; ? ptr";
        QTest::newRow("not a QU question") << "browse; +1; ask ptr(QU) from=198.18.0.20; +1; ? ptr";
        QTest::newRow("our own query looped back") << "browse; +2; echo; ? ptr; +1000; ? ptr";
        QTest::newRow("stopped from its slot, destroyed: silent")
            << "browse; when-found stop; +2; < ptr:a ptr:b ptr:c; = found:a+; ? ptr; +10000; ?; "
               "unbrowse; < ptr:d; =";
        QTest::newRow("from the additionals, asking nothing")
            << "browse; +2; ? ptr; < ptr:cam | srv:cam>cam-host:8080 txt:cam=vender=tulvo "
               "a:cam-host=198.18.0.7 a:cam-host=fe80::7 iface=3; = found:cam; addresses 0; "
               "resolve 0; =; +0; = resolved:cam; host 0 _http._tcp local. cam-host.local. 8080; "
               "addresses 0 198.18.0.7:8080 fe80::7%3:8080; monitor 0; =; +0; "
               "= txt:cam=vender=tulvo; +5000; ? ptr ptr";
        QTest::newRow("found -> resolved -> TXT within one message")
            << "when-found resolve; browse; +2; < ptr:cam | srv:cam>cam-host txt:cam=k=v "
               "a:cam-host=198.18.0.7 a:cam-host=2001:db8::7; = found:cam resolved:cam txt:cam=k=v";
        const QString missing =
            "browse; +2; ? ptr; < ptr:cam; = found:cam; resolve 0; +0; +10; ?; +10; "
            "? srv:cam txt:cam; < srv:cam>cam-host txt:cam=k=v; +20; ? a:cam-host aaaa:cam-host; "
            "< a:cam-host=198.18.0.9; +20; ?; =; ";
        QTest::newRow("asks what is missing; the other family answers")
            << missing + "+20; < a:cam-host=2001:db8::9; +0; = resolved:cam; "
                         "addresses 0 198.18.0.9:80 2001:db8::9:80";
        QTest::newRow("only IPv4 exists: 50 ms after the question for both left")
            << missing + "+29; =; +1; = resolved:cam; addresses 0 198.18.0.9:80";
        QTest::newRow("only IPv4 announced: AAAA asked, 50 ms after that question left")
            << "browse; +2; < ptr:cam | srv:cam>cam-host a:cam-host=198.18.0.9; resolve 0; +0; "
               "+20; ? aaaa:cam-host ptr; +49; = found:cam; +1; = resolved:cam";
        // RFC 6762 §5.4 lets only a first transmission be QU; some responders ignore QU and send
        // no additional records, answering only explicit QM questions.
        QTest::newRow("alone on 5353: QU first, QM 50 ms after an unanswered QU left, then QM only")
            << "alone; browse; +2; ? ptr(QU); +1000; ? ptr; < ptr:cam; resolve 0; +20; "
               "? srv:cam(QU) txt:cam(QU); +59; ?; +1; ? srv:cam txt:cam; "
               "< srv:cam>Tulvo%20Cam%200001 txt:cam=k=v; +20; "
               "? a:Tulvo%20Cam%200001 aaaa:Tulvo%20Cam%200001; < a:TULVO%20CAM%200001=198.18.0.9 "
               "a:tulvo%20cam%200001=2001:db8::9; +0; = found:cam resolved:cam; "
               "addresses 0 198.18.0.9:80 2001:db8::9:80";
        QTest::newRow("alone on 5353: a QU question answered, by multicast or not, is not repeated")
            << "alone; browse; +2; ? ptr(QU); < ptr:cam; resolve 0; +20; "
               "? srv:cam(QU) txt:cam(QU); +5; < srv:cam>cam-host txt:cam=k=v | "
               "a:cam-host=198.18.0.9 nsec:cam-host=A; +0; = found:cam resolved:cam; +5000; ? ptr "
               "ptr";
        QTest::newRow("alone on 5353, only IPv4: AAAA QU, then QM, 50 ms each")
            << "alone; browse; +2; < ptr:cam | srv:cam>cam-host a:cam-host=198.18.0.9; resolve 0; "
               "+0; +20; ? aaaa:cam-host(QU) ptr(QU); +60; ? aaaa:cam-host; +49; = found:cam; +1; "
               "= resolved:cam";
        QTest::newRow("a split answer completes before the question leaves")
            << "browse; +2; ? ptr; < ptr:cam | srv:cam>cam-host a:cam-host=198.18.0.9; resolve 0; "
               "+0; "
               "= found:cam; +3; < | a:cam-host=2001:db8::9; = resolved:cam; +100; ?";
        const QString cut = "browse; +2; ? ptr; < ptr:cam pad=60 | a:cam-host=198.18.0.9 "
                            "srv:cam>cam-host a:cam-host=2001:db8::9 srv:y>y-host; clear; "
                            "resolve 0; +0; +5; =; ";
        QTest::newRow("large message cut: the next one brings the rest")
            << cut + "< | a:cam-host=fe80::9 srv:x>x-host; = resolved:cam; "
                     "addresses 0 198.18.0.9:80 2001:db8::9:80 fe80::9%2:80";
        QTest::newRow("large message cut: the next one brings no more")
            << cut + "< | srv:x>x-host; = resolved:cam; addresses 0 198.18.0.9:80 2001:db8::9:80";
        QTest::newRow("large message cut: nothing more comes, the burst is over after 50 ms")
            << cut + "+44; =; +1; = resolved:cam";
        const QString over = "browse; +2; ? ptr; < ptr:cam | srv:cam>cam-host txt:cam=k=v "
                             "a:cam-host=198.18.0.9 a:cam-host=2001:db8::9 %1; resolve 0; +0; "
                             "= found:cam resolved:cam; addresses 0 198.18.0.9:80 2001:db8::9:80";
        QTest::newRow("answers over IPv4 only, by unicast even for QM") << over.arg("");
        QTest::newRow("answers over IPv6 only") << over.arg("from=fe80::10");
        QTest::newRow("known answers ignored: the answer again changes nothing")
            << "browse; +2; < ptr:cam; = found:cam; +1000; ? ptr ptr | ptr:cam/4499; < ptr:cam; "
               "+2000; =; ? ptr | ptr:cam/4498";
        QTest::newRow("answers in several small packets, the last 49 ms after the question")
            << "browse; +2; < ptr:cam; resolve 0; ? ptr; +20; ? srv:cam txt:cam; "
               "< srv:cam>cam-host; < txt:cam=k=v; +20; ? a:cam-host aaaa:cam-host; "
               "< a:cam-host=198.18.0.9; +49; < a:cam-host=2001:db8::9; +0; "
               "= found:cam resolved:cam; addresses 0 198.18.0.9:80 2001:db8::9:80";
        QTest::newRow("NSEC denies the other family")
            << "browse; +2; ? ptr; < ptr:cam | srv:cam>cam-host a:cam-host=198.18.0.9 "
               "nsec:cam-host=A; "
               "resolve 0; +0; = found:cam resolved:cam; +100; ?";
        const QString mute = "%1browse; +2; < ptr:mute; resolve 0 3; +2999; = found:mute; +1; "
                             "= failed:mute; ? %2";
        QTest::newRow("times out; SRV repeated every second")
            << mute.arg("", "ptr ptr ptr ptr srv:mute srv:mute srv:mute txt:mute txt:mute "
                            "txt:mute");
        QTest::newRow("alone on 5353: only first transmissions are QU")
            << mute.arg("alone; ", "ptr ptr ptr ptr(QU) srv:mute srv:mute srv:mute srv:mute(QU) "
                                   "txt:mute txt:mute txt:mute txt:mute(QU)");
        QTest::newRow("a goodbye leaves one second later")
            << "browse; +2; < ptr:cam | srv:cam>cam-host a:cam-host=198.18.0.1 "
               "a:cam-host=2001:db8::1; resolve 0; +0; < a:cam-host=198.18.0.1/0; "
               "addresses 0 2001:db8::1:80; +999; cached a:cam-host 1; +1; cached a:cam-host 0";
        QString refresh = "browse; +2; < ptr:watched ptr:other | txt:watched=k=v/100 "
                          "txt:other=k=w/100; stop; monitor 0; +0; ? ptr; +79999; ?; +1; +10; "
                          "? txt:watched; ";
        for (int percent = 85; percent <= 95; percent += 5)
            refresh += "+4989; ?; +1; +10; ? txt:watched; ";
        QTest::newRow("TXT refreshed at 80-95 %, again after a fresh answer, not once unwatched")
            << refresh + "< txt:watched=k=v/100; +79999; ?; +1; +10; ? txt:watched; drop 0; "
                         "+20000; ?";
        // The cache: names without regard to case, a record's life ends at its TTL and is
        // renewed by the record again, then it leaves the cache too.
        QTest::newRow("cache: expires at its TTL")
            << "< a:Cam=198.18.0.1/10; +5000; < a:cam=198.18.0.1/10; +9999; cached a:CAM 1; "
               "+1; cached a:cam 0; cache-size 0";
        QTest::newRow("cache: a goodbye for nothing cached adds nothing")
            << "< a:cam=198.18.0.1/0; cached a:cam 0; cache-size 0";
        const QString flush = "< a:cam=198.18.0.1; %1; < a:cam=198.18.0.2 %2; cached a:cam 2; "
                              "+2000; cached a:cam %3";
        QTest::newRow("cache-flush bit, older record 2 s old: gone 1 s later")
            << flush.arg("+2000", "", "1");
        QTest::newRow("cache-flush bit, older record 0.5 s old: stays")
            << flush.arg("+500", "", "2");
        QTest::newRow("no cache-flush bit: both stay") << flush.arg("+2000", "flush=0", "2");
        QTest::newRow("a TXT change reported once")
            << "browse; +2; < ptr:cam | txt:cam=v=01; monitor 0; +0; = found:cam txt:cam=v=01; "
               "+2000; < txt:cam=v=01; =; < txt:cam=v=02; = txt:cam=v=02; < txt:cam=v=02; +1500; =";
        QTest::newRow("dropped services stay silent, ask nothing")
            << "browse; +2; < ptr:a ptr:b ptr:c | txt:a=v=1 txt:b=v=1; ? ptr; monitor 0; "
               "monitor 1; +0; resolve 2; drop 2; when-txt 0 drop 1; clear; +2000; "
               "< txt:a=v=2 txt:b=v=2; = txt:a=v=2; +3000; ? ptr ptr";
    }

    void conversation()
    {
        QFETCH(QString, script);
        Conversation c;
        const QString error = c.run(script);
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    void socketReportReachesTheBrowser()
    {
        Conversation c;
        QCOMPARE(c.run("browse"), QString());
        QSignalSpy changed(c.browser.get(), &DnsSdBrowser::socketReportChanged);
        DnsSdSocketReport report{true, false, false, {{"eth1", {}, true, true}}, {"IPv6: no"}};
        c.transport.setReport(report);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(c.browser->socketReport(), report);
        c.browser->stop(); // silent once stopped, still readable
        c.transport.setReport({});
        QCOMPARE(changed.size(), 1);
        QCOMPARE(c.browser->socketReport(), DnsSdSocketReport{});
    }

    void knownAnswersContinueWithTruncation()
    {
        Conversation c;
        QCOMPARE(c.run("browse; +2; ? ptr; < pad=150; +1000"), QString());
        for (const auto &query : c.transport.sent)
            QVERIFY(query.datagram.size() <= 1452);
        const auto sent = c.queries();
        QVERIFY(sent.size() > 1);
        size_t answers = 0;
        for (size_t i = 0; i < sent.size(); ++i) {
            QCOMPARE(sent[i].questions.size(), i == 0 ? 1u : 0u);
            QCOMPARE((sent[i].flags & dns::kFlagTruncated) != 0, i + 1 < sent.size());
            answers += sent[i].answers.size();
        }
        QCOMPARE(answers, 150u);
    }

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

    void cacheCapacityDropsClosestToExpiry()
    {
        MdnsCache cache(3);
        for (const char *token :
             {"a:a=198.18.0.1/100", "a:b=198.18.0.1/10", "a:c=198.18.0.1/50", "a:d=198.18.0.1/70"})
            cache.insert(Conversation::record(token), 0, 1);
        QCOMPARE(cache.size(), 3u);
        QVERIFY(cache.find(Conversation::host("b"), dns::TypeA, 0).empty());
        QCOMPARE(cache.find(Conversation::host("d"), dns::TypeA, 0).size(), 1u);
        cache.removeExpired(1000000);
        QCOMPARE(cache.size(), 0u);
        // Room for two TXT records of 9000 bytes; a protected one is kept only up to 1300 bytes.
        MdnsCache small(100, 100000);
        small.protect(Conversation::instance("a"), dns::TypeTxt);
        small.protect(Conversation::instance("b"), dns::TypeTxt);
        for (const char *token : {"txt:a=x/10", "txt:b=L/10", "txt:c=L", "txt:d=L"})
            small.insert(Conversation::record(QString(token).replace("L", QString(8999, 'x'))), 0,
                         1);
        QCOMPARE(small.size(), 3u); // a, c, d: the protected b was too large
        QVERIFY(small.find(Conversation::instance("b"), dns::TypeTxt, 0).empty());
    }
};

QTEST_GUILESS_MAIN(TestMdnsEngine)
#include "tst_mdnsengine.moc"
