#include "tests/platform/MdnsConversation.h"

#include <QSignalSpy>
#include <QTest>

// Browsing: the schedule of a browse's questions (MdnsBrowseSchedule), which responses are taken
// (MdnsResponseIntake) and which questions of other queriers stand in for ours
// (MdnsDuplicateQuestions), as conversations with the engine; the socket report on its way from
// the transport to the browser.
class TestMdnsBrowse : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void conversation_data()
    {
        QTest::addColumn<QString>("script");
        QTest::newRow("2 ms, then 1 s, 2 s, 4 s; no known answer yet")
            << "browse; +1; ?; +1; ? ptr |; +999; ?; +1; ? ptr; +1999; ?; +1; ? ptr; +3999; ?; "
               "+1; ? ptr";
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
            QCOMPARE((sent[i].flags & dns::FlagTruncated) != 0, i + 1 < sent.size());
            answers += sent[i].answers.size();
        }
        QCOMPARE(answers, 150u);
    }
};

QTEST_GUILESS_MAIN(TestMdnsBrowse)
#include "tst_mdnsbrowse.moc"
