// The DNS parsers of network input: the mDNS message codec, and what wide-area browsing takes
// from a DNS server (the answer parser and its bounds, instance-name text, where the browse
// domains are asked for).
#include "platform/mdns/DnsMessage.h"
#include "platform/mdns/DnsMessageWriter.h"
#include "platform/mdns/DnsName.h"
#include "platform/widearea/DnsAnswer.h"
#include "platform/widearea/UnicastDnsSd.h"
#include "tests/support/FakeTime.h"
#include "tests/support/FakeUnicastResolver.h"

#include <QTest>

#include <arpa/nameser.h>

using namespace dns;

namespace
{

// A browse answer as a DNS-SD responder sends it: the PTR in the answer section and the SRV,
// TXT, A and AAAA records of the instance in the additional section (RFC 6763 §12), with names
// compressed against earlier ones. Offsets in the comments.
const QByteArray browseResponse = QByteArray::fromHex(
    "000084000000000100000004" // id 0, response + authoritative, 1 answer, 4 additionals
    // 12: "_http" "_tcp"(18) "local"(23) PTR IN (shared) TTL 4500, "Camera-1"(40) -> 12
    "055f68747470045f746370056c6f63616c00000c000100001194000b0843616d6572612d31c00c"
    // 51: -> 40 SRV IN flush TTL 120, priority 0 weight 0 port 80, "cam1"(69) -> 23
    "c0280021800100000078000d0000000000500463616d31c017"
    // 76: -> 40 TXT IN flush TTL 4500, "vender=tulvo"
    "c0280010800100001194000d0c76656e6465723d74756c766f"
    // 101: -> 69 A IN flush TTL 120, 198.18.0.1; 117: -> 69 AAAA, fe80::1
    "c04500018001000000780004c6120001"
    "c045001c8001000000780010fe800000000000000000000000000001");

// An NSEC record saying that "cam1.local" has only an A record (RFC 6762 §6.1).
const QByteArray nsecResponse = QByteArray::fromHex(
    "000084000000000100000000" // response, 1 answer
    // "cam1.local" NSEC IN flush TTL 120, next name -> 12, window 0, bitmap length 4 (at 37): A
    "0463616d31056c6f63616c00002f8001000000780008c00c000440000000");

QByteArray patched(QByteArray message, qsizetype offset, std::initializer_list<uint8_t> values)
{
    for (uint8_t value : values)
        message[offset++] = static_cast<char>(value);
    return message;
}

QByteArray u16(int value)
{
    return QByteArray::fromHex(QByteArray::number(value, 16).rightJustified(4, '0'));
}

// A name in wire format, its labels by the codec that names() checks, then the root label.
QByteArray wireName(const std::string &dotted)
{
    return QByteArray::fromStdString(nameFromDotted(dotted)) + '\0';
}

const QByteArray kOwner = wireName("_http._tcp.site.example");

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

QByteArray single(int type, const QByteArray &data, const QByteArray &owner = kOwner)
{
    return response(1, record(type, data, owner));
}

QByteArray cnameChain(int length)
{
    const auto name = [](int i) { return wireName("c" + std::to_string(i) + ".example"); };
    QByteArray records;
    for (int i = 0; i < length; ++i)
        records += record(ns_t_cname, name(i + 1), name(i));
    return records + record(ns_t_a, QByteArray::fromHex("c6124002"), name(length));
}

// Parses an exact-size heap copy, so that ASan sees any read past the end.
std::optional<Message> parse(const QByteArray &message)
{
    const std::vector<uint8_t> copy(message.begin(), message.end());
    return parseMessage(copy.data(), copy.size());
}

} // namespace

class TestDns : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void browseResponseRecords()
    {
        const auto message = parse(browseResponse);
        QVERIFY(message && message->isResponse() && !message->truncatedByError);
        QCOMPARE(message->answers.size(), 1u);
        QStringList records; // name, type, TTL ("!": cache flush), target or data in hex, port
        for (const auto *section : {&message->answers, &message->additionals}) {
            for (const ResourceRecord &r : *section) {
                const std::string value =
                    r.target.empty() ? QByteArray::fromStdString(r.rdata).toHex().toStdString()
                                     : dottedFromName(r.target);
                records << QString::fromStdString(
                    dottedFromName(r.name) + ' ' + std::to_string(r.type) + ' ' +
                    std::to_string(r.ttl) + (r.cacheFlush ? "! " : " ") + value + ':' +
                    std::to_string(r.port));
            }
        }
        QCOMPARE(records,
                 (QStringList{"_http._tcp.local. 12 4500 Camera-1._http._tcp.local.:0",
                              "Camera-1._http._tcp.local. 33 120! cam1.local.:80",
                              "Camera-1._http._tcp.local. 16 4500! 0c76656e6465723d74756c766f:0",
                              "cam1.local. 1 120! c6120001:0",
                              "cam1.local. 28 120! fe800000000000000000000000000001:0"}));
    }

    void nsecTypes()
    {
        const auto message = parse(nsecResponse); // its next name is compressed
        QVERIFY(message);
        QCOMPARE(message->answers.size(), 1u);
        QCOMPARE(message->answers[0].nsecTypes, std::vector<uint16_t>{TypeA});
    }

    // What a parse of a hostile message keeps: the numbers of answers and additionals and "cut"
    // when the parser stopped at a fault (truncatedByError). Every cut of the message is parsed
    // too: a header cut short gives nothing, a longer cut is read without reading past it.
    void parseKeeps_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QString>("kept");
        const QByteArray browse = browseResponse;
        const QByteArray camName = QByteArray::fromHex("0463616d31056c6f63616c00"); // cam1.local
        const QByteArray zeroA = QByteArray(4, '\0');
        QByteArray longName;
        for (int i = 0; i < 5; ++i)
            longName += char(63) + QByteArray(63, 'a');

        QTest::newRow("cut inside the third additional") << browse.left(105) << "1 2 cut";
        QTest::newRow("data longer than the message")
            << patched(browse, 38, {0xff, 0xff}) << "0 0 cut";
        QTest::newRow("absurd counts")
            << patched(browse, 4, {0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff}) << "0 0 cut";
        QTest::newRow("pointer to itself") << patched(browse, 51, {0xc0, 0x33}) << "1 0 cut";
        QTest::newRow("pointer forward") << patched(browse, 51, {0xc0, 0x45}) << "1 0 cut";
        QTest::newRow("reserved label type") << patched(browse, 12, {0x45}) << "0 0 cut";
        QTest::newRow("name too long") << single(TypeA, zeroA, longName + '\0') << "0 0 cut";
        QTest::newRow("A data of 5 bytes skipped") << single(TypeA, QByteArray(5, '\1')) << "0 0";
        QTest::newRow("AAAA data of 4 bytes skipped")
            << single(TypeAaaa, QByteArray(4, '\1')) << "0 0";
        QTest::newRow("SRV data of 6 bytes skipped")
            << single(TypeSrv, QByteArray(6, '\0')) << "0 0";
        QTest::newRow("SRV target running past its data")
            << single(TypeSrv, QByteArray(6, '\0') + char(4) + "cam1") << "0 0";
        QTest::newRow("PTR target shorter than its data")
            << single(TypePtr, camName + "xx") << "0 0";
        QTest::newRow("NSEC bitmap longer than its data")
            << patched(nsecResponse, 37, {0x05}) << "0 0";
        QTest::newRow("bad record skipped, later records kept")
            << patched(browse, 111, {0x00, 0x05}).left(117) + browse.mid(116) << "1 3";
    }

    void parseKeeps()
    {
        QFETCH(QByteArray, message);
        QFETCH(QString, kept);
        for (qsizetype size = 0; size < message.size(); ++size)
            QCOMPARE(parse(message.left(size)).has_value(), size >= 12);
        const auto parsed = parse(message);
        QVERIFY(parsed);
        QCOMPARE(QString("%1 %2%3")
                     .arg(parsed->answers.size())
                     .arg(parsed->additionals.size())
                     .arg(parsed->truncatedByError ? " cut" : ""),
                 kept);
    }

    void writerRoundTrip()
    {
        MessageWriter writer(1400);
        Question question{nameFromDotted("_http._tcp.local."), TypePtr, kClassIn, false};
        QVERIFY(writer.addQuestion(question));
        ResourceRecord known;
        known.name = question.name;
        known.type = TypePtr;
        known.ttl = 4500;
        known.target = char(10) + std::string("Camera 1.5") + question.name; // a dot in the label
        QVERIFY(writer.addAnswer(known));

        const auto parsed = parseMessage(writer.bytes().data(), writer.size());
        QVERIFY(parsed);
        QCOMPARE(parsed->questions.size(), 1u);
        QCOMPARE(parsed->questions[0], question);
        QCOMPARE(parsed->answers.size(), 1u);
        QCOMPARE(parsed->answers[0].target, known.target);
        QCOMPARE(dottedFromName(parsed->answers[0].target), "Camera 1\\.5._http._tcp.local.");
        // The known answer's owner name and the tail of its target are compressed.
        QCOMPARE(writer.size(), 12u + 18u + 4u + 2u + 10u + 11u + 2u);
    }

    void names_data()
    {
        QTest::addColumn<QString>("dotted");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no trailing dot") << QString("_http._tcp.local") << "_http._tcp.local.";
        QTest::newRow("empty labels dropped") << QString("a..b") << "a.b.";
        QTest::newRow("label of 64 bytes") << QString(64, 'x') + ".local" << QString();
    }

    void names()
    {
        QFETCH(QString, dotted);
        QFETCH(QString, expected);
        QCOMPARE(QString::fromStdString(dottedFromName(nameFromDotted(dotted.toStdString()))),
                 expected);
    }

    void nameKeyFoldsOnlyLetters()
    {
        // A label of length 0x41 must keep its length byte although it is 'A'.
        const std::string name = std::string(1, 'A') + std::string(0x41, 'Q');
        const std::string key = nameKey(name);
        QCOMPARE(key[0], 'A');
        QCOMPARE(key[1], 'q');
        QVERIFY(
            isChildOf(nameFromDotted("Cam._HTTP._tcp.local"), nameFromDotted("_http._tcp.local")));
        QVERIFY(
            !isChildOf(nameFromDotted("a.b._http._tcp.local"), nameFromDotted("_http._tcp.local")));
    }

    void answer_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("values"); // target[:port] or data in hex, a space between

        const QByteArray instance = wireName("Cam One._http._tcp.site.example");
        QTest::newRow("PTR with a space in the instance label")
            << single(ns_t_ptr, instance) << int(ns_t_ptr) << "Cam\\032One._http._tcp.site.example";
        QTest::newRow("SRV port and target")
            << single(ns_t_srv, u16(0) + u16(0) + u16(8080) + wireName("cam.example"))
            << int(ns_t_srv) << "cam.example:8080";
        QTest::newRow("TXT bytes as they are")
            << single(ns_t_txt, QByteArray("\x0cvender=tulvo\x00", 14)) << int(ns_t_txt)
            << "0c76656e6465723d74756c766f00";
        QTest::newRow("TXT longer than the bound dropped")
            << single(ns_t_txt, QByteArray(kMaxTxtBytes + 1, 'a')) << int(ns_t_txt) << "";
        QTest::newRow("A and AAAA of the asked type only, wrong lengths skipped")
            << response(3, record(ns_t_a, QByteArray::fromHex("c6124002")) +
                               record(ns_t_aaaa, QByteArray(16, '\1')) +
                               record(ns_t_a, QByteArray::fromHex("c61240")))
            << int(ns_t_a) << "c6124002";
        QTest::newRow("CNAME chain at the bound followed")
            << response(kMaxCnameChain + 1, cnameChain(kMaxCnameChain)) << int(ns_t_a)
            << "c6124002";
        QTest::newRow("CNAME chain over the bound gives nothing")
            << response(kMaxCnameChain + 2, cnameChain(kMaxCnameChain + 1)) << int(ns_t_a) << "";
        QTest::newRow("more answers than announced records gives nothing")
            << response(2, record(ns_t_ptr, instance)) << int(ns_t_ptr) << "";
        QTest::newRow("compression pointer to itself skipped")
            << single(ns_t_ptr, QByteArray::fromHex("c00c"))
                   .replace(kOwner.size() + 10, 2, u16(0xc000 | (12 + int(kOwner.size()) + 10)))
            << int(ns_t_ptr) << "";
    }

    void answer()
    {
        QFETCH(QByteArray, message);
        QFETCH(int, type);
        QFETCH(QString, values);
        QList<QByteArray> got;
        for (const DnsAnswerRecord &record : parseDnsAnswer(message, type)) {
            got << (record.target.isEmpty() ? record.data.toHex()
                    : record.port           ? record.target + ':' + QByteArray::number(record.port)
                                            : record.target);
            QCOMPARE(record.ttl, 60u);
        }
        QCOMPARE(QString::fromLatin1(got.join(' ')), values);
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

    // Scripted conversations of one wide-area instance over the fake resolver and clock. Steps:
    // "resolve", "monitor", "drop" (the service goes), "+N" (time moves N ms), a record type
    // (the oldest open question of that type is answered: SRV cam.site.example port 80, A,
    // AAAA; "TXT" with nothing, "TXT T" with a record of TTL T s). Each is followed by what it
    // made the service do: "> TYPE" a new question, "> resolved N" (N addresses), "> txt".
    void wideAreaService_data()
    {
        QTest::addColumn<QString>("conversation"); // "; " between steps
        QTest::newRow("TXT asked again with back-off, up to the TTL last seen")
            << "monitor; > TXT; TXT; +999; +1; > TXT; TXT; +1999; +1; > TXT; TXT 3; > txt; "
               "+2999; +1; > TXT; TXT; +1000; > TXT; TXT; +2000; > TXT; TXT; +3000; > TXT";
        QTest::newRow("a second resolve counts only its own answers")
            << "resolve; > SRV; resolve; > SRV; SRV; SRV; > A; > AAAA; A; AAAA; > resolved 2";
        QTest::newRow("a dropped service asks nothing more")
            << "monitor; > TXT; TXT; drop; +3600000";
    }

    void wideAreaService()
    {
        QFETCH(QString, conversation);
        FakeTime time;
        FakeUnicastResolver resolver;
        auto service = std::make_unique<UnicastService>("cam._http._tcp.site.example.",
                                                        "_http._tcp", "site.example.", resolver,
                                                        [&time] { return time.makeTimer(); });
        QStringList seen;
        connect(service.get(), &DnsSdService::resolved,
                [&] { seen << QStringLiteral("> resolved %1").arg(service->addresses().size()); });
        connect(service.get(), &DnsSdService::txtRecordChanged, [&] { seen << "> txt"; });
        const auto record = [](const QByteArray &data, quint32 ttl = 120) {
            return std::vector{DnsAnswerRecord{ttl, "cam.site.example", 80, data}};
        };
        for (const QString &step : conversation.split("; ")) {
            const QStringList words = step.split(' ');
            if (words[0] == ">")
                continue;
            const qsizetype questions = resolver.questions.size();
            seen << step;
            if (step == "resolve")
                service->resolve(10.0);
            else if (step == "monitor")
                service->startMonitoring();
            else if (step == "drop")
                service.reset();
            else if (step.startsWith('+'))
                time.advance(step.mid(1).toLongLong());
            else if (step == "SRV")
                resolver.answer(ns_t_srv, record({}));
            else if (step == "A")
                resolver.answer(ns_t_a, record(QByteArray::fromHex("c6120a0a")));
            else if (step == "AAAA")
                resolver.answer(
                    ns_t_aaaa, record(QByteArray::fromHex("20010db8" + QByteArray(23, '0') + "a")));
            else if (words.size() == 1)
                resolver.answer(ns_t_txt);
            else
                resolver.answer(ns_t_txt, record("\x0cvender=tulvo", words[1].toUInt()));
            static const QMap<int, QString> names{
                {ns_t_srv, "SRV"}, {ns_t_txt, "TXT"}, {ns_t_a, "A"}, {ns_t_aaaa, "AAAA"}};
            for (const auto &question : resolver.questions.mid(questions))
                seen << "> " + names.value(question.type);
        }
        QCOMPARE(seen, conversation.split("; "));
    }

    void wideAreaSearchEndsItsQuestions()
    {
        FakeUnicastResolver resolver;
        UnicastBrowser browser(resolver);
        browser.searchForServicesOfType("_http._tcp", "site.example");
        browser.searchForServicesOfType("_ipp._tcp", "site.example");
        QCOMPARE(resolver.questions.size(), 2);
        QVERIFY(!resolver.questions[0].isOpen()); // the first search ended with the second
        QCOMPARE(resolver.questions[1].name, "_ipp._tcp.site.example.");
        QVERIFY(resolver.questions[1].isOpen());
        browser.stop();
        QVERIFY(!resolver.questions[1].isOpen());
    }
};

QTEST_APPLESS_MAIN(TestDns)
#include "tst_dns.moc"
