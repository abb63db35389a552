// The pieces of wide-area browsing that decide what we take from a DNS server: the answer
// parser and its bounds, instance-name text, and where the browse domains are asked for.

#include "platform/widearea/DnsAnswer.h"
#include "platform/widearea/UnicastDnsSd.h"

#include <QTest>

#include <arpa/nameser.h>

namespace
{

QByteArray u16(int value)
{
    QByteArray bytes(2, '\0');
    bytes[0] = char(value >> 8);
    bytes[1] = char(value & 0xff);
    return bytes;
}

QByteArray wireName(const QList<QByteArray> &labels)
{
    QByteArray name;
    for (const QByteArray &label : labels)
        name += char(label.size()) + label;
    return name + '\0';
}

const QByteArray kOwner = wireName({"_http", "_tcp", "site", "example"});

QByteArray record(int type, const QByteArray &data, const QByteArray &owner = kOwner)
{
    return owner + u16(type) + u16(ns_c_in) + QByteArray::fromHex("0000003c") +
           u16(int(data.size())) + data;
}

// A response with `count` answers and no question.
QByteArray response(int count, const QByteArray &records)
{
    return u16(0) + u16(0x8400) + u16(0) + u16(count) + u16(0) + u16(0) + records;
}

QByteArray cnameChain(int length)
{
    QByteArray records;
    for (int i = 0; i < length; ++i)
        records += record(ns_t_cname, wireName({"c" + QByteArray::number(i + 1), "example"}),
                          wireName({"c" + QByteArray::number(i), "example"}));
    return records + record(ns_t_a, QByteArray::fromHex("c6124002"),
                            wireName({"c" + QByteArray::number(length), "example"}));
}

} // namespace

class TestDnsAnswer : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void parse_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<int>("type");
        QTest::addColumn<QList<QByteArray>>("values"); // target, or data in hex
        QTest::addColumn<int>("port");

        const QByteArray instance = wireName({"Cam One", "_http", "_tcp", "site", "example"});
        QTest::newRow("PTR with a space in the instance label")
            << response(1, record(ns_t_ptr, instance)) << int(ns_t_ptr)
            << QList<QByteArray>{"Cam\\032One._http._tcp.site.example"} << 0;
        QTest::newRow("SRV port and target")
            << response(
                   1, record(ns_t_srv, u16(0) + u16(0) + u16(8080) + wireName({"cam", "example"})))
            << int(ns_t_srv) << QList<QByteArray>{"cam.example"} << 8080;
        QTest::newRow("TXT bytes as they are")
            << response(1, record(ns_t_txt, QByteArray("\x0cvender=tulvo\x00", 14)))
            << int(ns_t_txt) << QList<QByteArray>{QByteArray("\x0cvender=tulvo\x00", 14).toHex()}
            << 0;
        QTest::newRow("TXT longer than the bound dropped")
            << response(1, record(ns_t_txt, QByteArray(kMaxTxtBytes + 1, 'a'))) << int(ns_t_txt)
            << QList<QByteArray>{} << 0;
        QTest::newRow("A and AAAA of the asked type only, wrong lengths skipped")
            << response(3, record(ns_t_a, QByteArray::fromHex("c6124002")) +
                               record(ns_t_aaaa, QByteArray(16, '\1')) +
                               record(ns_t_a, QByteArray::fromHex("c61240")))
            << int(ns_t_a) << QList<QByteArray>{"c6124002"} << 0;
        QTest::newRow("CNAME chain at the bound followed")
            << response(kMaxCnameChain + 1, cnameChain(kMaxCnameChain)) << int(ns_t_a)
            << QList<QByteArray>{"c6124002"} << 0;
        QTest::newRow("CNAME chain over the bound gives nothing")
            << response(kMaxCnameChain + 2, cnameChain(kMaxCnameChain + 1)) << int(ns_t_a)
            << QList<QByteArray>{} << 0;
        QTest::newRow("message cut short gives nothing")
            << response(1, record(ns_t_ptr, instance)).chopped(3) << int(ns_t_ptr)
            << QList<QByteArray>{} << 0;
        QTest::newRow("more answers than announced records gives nothing")
            << response(2, record(ns_t_ptr, instance)) << int(ns_t_ptr) << QList<QByteArray>{} << 0;
        QTest::newRow("compression pointer to itself skipped")
            << response(1, record(ns_t_ptr, QByteArray::fromHex("c00c"))
                               .replace(kOwner.size() + 10, 2,
                                        u16(0xc000 | (12 + int(kOwner.size()) + 10))))
            << int(ns_t_ptr) << QList<QByteArray>{} << 0;
    }

    void parse()
    {
        QFETCH(QByteArray, message);
        QFETCH(int, type);
        QFETCH(QList<QByteArray>, values);
        QFETCH(int, port);
        QList<QByteArray> got;
        for (const DnsAnswerRecord &record : parseDnsAnswer(message, type)) {
            got << (record.target.isEmpty() ? record.data.toHex() : record.target);
            QCOMPARE(record.port, port);
            QCOMPARE(record.ttl, 60u);
        }
        QCOMPARE(got, values);
    }

    void firstLabel_data()
    {
        QTest::addColumn<QByteArray>("presentation");
        QTest::addColumn<QString>("text");
        QTest::newRow("escaped space")
            << QByteArray("Cam\\032One._http._tcp.x") << QStringLiteral("Cam One");
        QTest::newRow("escaped dot stays in the label")
            << QByteArray("a\\.b._http") << QStringLiteral("a.b");
        QTest::newRow("UTF-8 bytes")
            << QByteArray("Kamera \\195\\169") << QStringLiteral("Kamera é");
        QTest::newRow("byte over 255") << QByteArray("a\\256") << QString();
        QTest::newRow("trailing backslash") << QByteArray("a\\") << QString();
    }

    void firstLabel()
    {
        QFETCH(QByteArray, presentation);
        QFETCH(QString, text);
        QCOMPARE(firstLabelText(presentation), text);
    }

    void searchDomains_data()
    {
        QTest::addColumn<QByteArray>("conf");
        QTest::addColumn<QList<QByteArray>>("domains");
        QTest::newRow("search list")
            << QByteArray("nameserver 198.18.0.2\nsearch a.example b.example.\n")
            << QList<QByteArray>{"a.example.", "b.example."};
        QTest::newRow("the last of domain and search wins")
            << QByteArray("search a.example\ndomain  c.example\n")
            << QList<QByteArray>{"c.example."};
        QTest::newRow("none") << QByteArray("nameserver 198.18.0.2\n") << QList<QByteArray>{};
    }

    void searchDomains()
    {
        QFETCH(QByteArray, conf);
        QFETCH(QList<QByteArray>, domains);
        QCOMPARE(resolverSearchDomains(conf), domains);
    }

    void browseDomainQueryNames()
    {
        const QList<QPair<QHostAddress, int>> networks{
            {QHostAddress(QStringLiteral("198.18.0.1")), 15},
            {QHostAddress(QStringLiteral("198.19.7.7")), 15},
            {QHostAddress(QStringLiteral("2001:db8::1")), 32},
            {QHostAddress(QStringLiteral("127.0.0.1")), 8},
            {QHostAddress(QStringLiteral("169.254.0.1")), 16},
            {QHostAddress(QStringLiteral("fe80::1")), 64}};
        QCOMPARE(
            browseDomainQueries({"site.example."}, networks),
            (QList<QByteArray>{"db._dns-sd._udp.site.example.", "lb._dns-sd._udp.site.example.",
                               "lb._dns-sd._udp.0.0.18.198.in-addr.arpa.",
                               "lb._dns-sd._udp.8.b.d.0.1.0.0.2.ip6.arpa."}));
    }
};

QTEST_APPLESS_MAIN(TestDnsAnswer)
#include "tst_dnsanswer.moc"
