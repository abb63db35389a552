#include "tests/platform/MdnsConversation.h"

#include <QTest>

// One service's resolution and TXT monitoring (MdnsResolution) with the split-response rules of
// MdnsResponseIntake and the notice pump's promise (no signal from inside a call, none for a
// dropped service), as conversations with the engine.
class TestMdnsResolution : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void conversation_data()
    {
        QTest::addColumn<QString>("script");
        QTest::newRow("from the additionals, asking nothing")
            << "browse; +2; ? ptr; < ptr:cam | srv:cam>cam-host:8080 txt:cam=vender=tulvo "
               "a:cam-host=198.18.0.7 a:cam-host=fe80::7 iface=3; = found:cam; addresses 0; "
               "resolve 0; =; +0; = resolved:cam; host 0 _http._tcp local. cam-host.local. 8080; "
               "addresses 0 198.18.0.7:8080 fe80::7%3:8080; monitor 0; =; +0; "
               "= txt:cam=vender=tulvo; +5000; ? ptr ptr";
        QTest::newRow("found -> resolved -> TXT within one message")
            << "when-found resolve; browse; +2; < ptr:cam | srv:cam>cam-host txt:cam=k=v "
               "a:cam-host=198.18.0.7 a:cam-host=2001:db8::7; = found:cam resolved:cam txt:cam=k=v";
        const QString missing = "browse; +2; ? ptr; < ptr:cam; = found:cam; resolve 0; +0; +10; ?; "
                                "+10; ? srv:cam txt:cam; "
                                "< srv:cam>cam-host txt:cam=k=v; +20; ? a:cam-host aaaa:cam-host; "
                                "< a:cam-host=198.18.0.9; +20; ? aaaa:cam-host; =; ";
        QTest::newRow("asks what is missing; the other family answers")
            << missing + "+20; < a:cam-host=2001:db8::9; +0; = resolved:cam; "
                         "addresses 0 198.18.0.9:80 2001:db8::9:80";
        QTest::newRow("alone on 5353: resolution questions QU")
            << "alone; browse; +2; ? ptr(QU); < ptr:cam; resolve 0; +20; "
               "? srv:cam(QU) txt:cam(QU)";
        QTest::newRow("asks what is missing; only IPv4 exists: 250 ms")
            << missing + "+239; =; +1; = resolved:cam; addresses 0 198.18.0.9:80";
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
        QTest::newRow("large message cut: nothing more comes")
            << cut + "+244; =; +1; = resolved:cam";
        QTest::newRow("NSEC denies the other family")
            << "browse; +2; ? ptr; < ptr:cam | srv:cam>cam-host a:cam-host=198.18.0.9 "
               "nsec:cam-host=A; "
               "resolve 0; +0; = found:cam resolved:cam; +100; ?";
        QTest::newRow("times out; SRV repeated after 1 s")
            << "browse; +2; < ptr:mute; resolve 0 3; +2999; = found:mute; +1; = failed:mute; "
               "? ptr ptr ptr srv:mute srv:mute txt:mute txt:mute";
        QTest::newRow("a goodbye leaves one second later")
            << "browse; +2; < ptr:cam | srv:cam>cam-host a:cam-host=198.18.0.1 "
               "a:cam-host=2001:db8::1; resolve 0; +0; < a:cam-host=198.18.0.1/0; "
               "addresses 0 2001:db8::1:80; +999; cached a:cam-host 1; +1; cached a:cam-host 0";
        QString refresh = "browse; +2; < ptr:watched ptr:other | txt:watched=k=v/100 "
                          "txt:other=k=w/100; stop; monitor 0; +0; ? ptr; +79999; ?; +1; +10; "
                          "? txt:watched; ";
        for (int percent = 85; percent <= 95; percent += 5)
            refresh += "+4989; ?; +1; +10; ? txt:watched; ";
        QTest::newRow("TXT refreshed at 80-95 %, gone at 100 %")
            << refresh + "+10000; ?; cached txt:watched 0";
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
};

QTEST_GUILESS_MAIN(TestMdnsResolution)
#include "tst_mdnsresolution.moc"
