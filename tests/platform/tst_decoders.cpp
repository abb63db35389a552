#include "platform/NamedColor.h"
#include "platform/NumericHost.h"
#include "platform/TxtRecord.h"
#include "platform/http/HttpResponseHead.h"
#include "tests/support/ModelFixture.h"

#include <QTest>

#include <net/if.h>

using Entries = QMap<QString, QByteArray>;

// The small decoders of what devices and settings give us: TXT record bytes, socket-address
// bytes (the product's encoder against getnameinfo), HTTP response heads, colour names.
class TestDecoders : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void txt_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<Entries>("expected");
        using namespace Qt::StringLiterals;
        QTest::newRow("values after the first '=', bytes kept raw")
            << txtBytes({"a=b=c", "m=\xff\xfe\x00"_ba})
            << Entries{{"a", "b=c"}, {"m", "\xff\xfe\x00"_ba}};
        QTest::newRow("key without '='") << txtBytes({"flag"}) << Entries{{"flag", ""}};
        QTest::newRow("first occurrence wins, keys keep their letter case")
            << txtBytes({"a=1", "A=2", "a=3"}) << Entries{{"a", "1"}, {"A", "2"}};
        QTest::newRow("empty strings and strings starting with '=' skipped")
            << txtBytes({"", "=abc", "b=2", ""}) << Entries{{"b", "2"}};
        QTest::newRow("length past the end")
            << txtBytes({"a=1"}) + char(9) + "b=2" << Entries{{"a", "1"}};
    }

    void txt()
    {
        QFETCH(QByteArray, record);
        QFETCH(Entries, expected);
        QCOMPARE(dictionaryFromTxtRecordData(record), expected);
    }

    void host_data()
    {
        QTest::addColumn<QByteArray>("address");
        QTest::addColumn<QString>("expected");
        QTest::newRow("IPv4") << socketAddress("198.18.0.10") << "198.18.0.10";
        QTest::newRow("global IPv6") << socketAddress("2001:db8::5") << "2001:db8::5";
        QTest::newRow("link-local IPv6 with scope")
            << socketAddress("fe80::1", int(if_nametoindex("lo"))) << "fe80::1%lo";
        QTest::newRow("IPv6 block cut short") << socketAddress("2001:db8::5").left(8) << "";
    }

    void host()
    {
        QFETCH(QByteArray, address);
        QFETCH(QString, expected);
        QCOMPARE(numericHostText(address), expected);
    }

    // A head as it arrives, in part or whole: "<status> <location> <size>", "incomplete" or
    // "invalid".
    void responseHead_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("head");
        QTest::newRow("CRLF; the body is not the head")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok") << "200  38";
        QTest::newRow("bare LF, HTTP/1.0") << QByteArray("HTTP/1.0 401 No\nA: b\n\n") << "401  22";
        QTest::newRow("Location in any case, trimmed; no reason phrase")
            << QByteArray("HTTP/1.1 301\r\nlOcAtIoN:  /x?y \r\nLocationX: z\r\n\r\n")
            << "301 /x?y 48";
        for (const char *part :
             {"", "HTTP/1.1 20", "HTTP/1.1 200 OK\r\n", "HTTP/1.1 200 OK\r\nA: b\r"})
            QTest::addRow("incomplete after %d bytes", int(qstrlen(part)))
                << QByteArray(part) << "incomplete";
        for (const char *line : {"SSH-2.0-x\n", "HTTP/2 200\n", "HTTP/1.1 099 x\n",
                                 "HTTP/1.1 600 x\n", "HTTP/1.1 2x0 x\n", "HTTP/1.1 2000\n"})
            QTest::addRow("invalid: %s", QByteArray(line).trimmed().constData())
                << QByteArray(line) << "invalid";
    }

    void responseHead()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, head);
        const HttpResponseHead read = parseResponseHead(bytes);
        using State = HttpResponseHead::State;
        QCOMPARE(
            read.state == State::complete
                ? QStringLiteral("%1 %2 %3")
                      .arg(read.statusCode)
                      .arg(QString::fromLatin1(read.location))
                      .arg(read.size)
                : QString::fromLatin1(read.state == State::incomplete ? "incomplete" : "invalid"),
            head);
    }

    void color_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QColor>("expected");
        QTest::newRow("digits in either case") << "#FFc4d0" << QColor(0xffc4d0); // opaque
        QTest::newRow("too short") << "#14141" << QColor();
        QTest::newRow("not hexadecimal") << "#14141G" << QColor();
        QTest::newRow("sign inside") << "#+14141" << QColor();
        QTest::newRow("colour word") << "darkred" << QColor();
    }

    void color()
    {
        QFETCH(QString, name);
        QFETCH(QColor, expected);
        QCOMPARE(namedColor(name), expected);
    }
};

QTEST_GUILESS_MAIN(TestDecoders)
#include "tst_decoders.moc"
