#include "platform/mdns/DnsMessage.h"
#include "platform/mdns/DnsMessageWriter.h"
#include "platform/mdns/DnsName.h"

#include <QTest>

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

// A query with one QM question and a known answer.
const QByteArray browseQuery = QByteArray::fromHex(
    "000000000001000100000000" // id 0, query, 1 question, 1 answer
    // "_http._tcp.local" PTR IN (QM); -> 12 PTR IN TTL 2250, "c2" -> 12
    "055f68747470045f746370056c6f63616c00000c0001c00c000c0001000008ca0005026332c00c");

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

const QByteArray header = QByteArray::fromHex("000084000000000100000000"); // response, 1 answer

// One answer record with the given name bytes, type and data.
QByteArray answerMessage(const QByteArray &name, uint16_t type, const QByteArray &data)
{
    QByteArray message = header + name;
    message += static_cast<char>(type >> 8);
    message += static_cast<char>(type);
    message += QByteArray::fromHex("000100000078");
    message += static_cast<char>(data.size() >> 8);
    message += static_cast<char>(data.size());
    return message + data;
}

std::optional<Message> parse(const QByteArray &message)
{
    return parseMessage(reinterpret_cast<const uint8_t *>(message.constData()),
                        static_cast<size_t>(message.size()));
}

} // namespace

class TestDnsMessage : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void browseResponseRecords()
    {
        const auto message = parse(browseResponse);
        QVERIFY(message);
        QVERIFY(message->isResponse());
        QVERIFY(!message->truncatedByError);
        QCOMPARE(message->answers.size(), 1u);
        QCOMPARE(message->additionals.size(), 4u);

        const ResourceRecord &ptr = message->answers[0];
        QCOMPARE(dottedFromName(ptr.name), "_http._tcp.local.");
        QCOMPARE(ptr.type, TypePtr);
        QCOMPARE(ptr.ttl, 4500u);
        QVERIFY(!ptr.cacheFlush);
        QCOMPARE(dottedFromName(ptr.target), "Camera-1._http._tcp.local.");

        const ResourceRecord &srv = message->additionals[0];
        QCOMPARE(srv.type, TypeSrv);
        QVERIFY(srv.cacheFlush);
        QCOMPARE(srv.port, 80);
        QCOMPARE(dottedFromName(srv.target), "cam1.local.");

        const ResourceRecord &txt = message->additionals[1];
        QCOMPARE(txt.type, TypeTxt);
        QCOMPARE(txt.rdata, std::string("\x0cvender=tulvo"));

        QCOMPARE(message->additionals[2].rdata, std::string("\xc6\x12\x00\x01", 4));
        QCOMPARE(dottedFromName(message->additionals[3].name), "cam1.local.");
        QCOMPARE(message->additionals[3].rdata.size(), 16u);
    }

    void queryQuestionAndKnownAnswer()
    {
        const auto message = parse(browseQuery);
        QVERIFY(message);
        QVERIFY(!message->isResponse());
        QCOMPARE(message->questions.size(), 1u);
        QCOMPARE(message->questions[0].type, TypePtr);
        QVERIFY(!message->questions[0].unicastResponse);
        QCOMPARE(message->answers.size(), 1u);
        QCOMPARE(dottedFromName(message->answers[0].target), "c2._http._tcp.local.");
    }

    void nsecTypes()
    {
        const auto message = parse(nsecResponse);
        QVERIFY(message);
        QCOMPARE(message->answers.size(), 1u);
        QCOMPARE(message->answers[0].nsecTypes, std::vector<uint16_t>{TypeA});
    }

    void malformed_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<bool>("parses");
        QTest::addColumn<int>("answers");
        QTest::addColumn<int>("additionals");
        QTest::addColumn<bool>("truncatedByError");

        const QByteArray response = browseResponse;
        const QByteArray camName = QByteArray::fromHex("0463616d31056c6f63616c00"); // cam1.local

        QTest::newRow("empty") << QByteArray() << false << 0 << 0 << false;
        QTest::newRow("header cut short") << response.left(11) << false << 0 << 0 << false;
        QTest::newRow("cut inside the answer name") << response.left(20) << true << 0 << 0 << true;
        QTest::newRow("cut inside the answer data") << response.left(45) << true << 0 << 0 << true;
        QTest::newRow("cut inside the third additional")
            << response.left(105) << true << 1 << 2 << true;
        QTest::newRow("data longer than the message")
            << patched(response, 38, {0xff, 0xff}) << true << 0 << 0 << true;
        QTest::newRow("absurd counts")
            << patched(response, 4, {0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff}) << true << 0
            << 0 << true;
        QTest::newRow("pointer to itself")
            << patched(response, 51, {0xc0, 0x33}) << true << 1 << 0 << true;
        QTest::newRow("pointer forward")
            << patched(response, 51, {0xc0, 0x45}) << true << 1 << 0 << true;
        QTest::newRow("pointer outside the message")
            << patched(response, 51, {0xff, 0xff}) << true << 1 << 0 << true;
        QTest::newRow("pointers pointing at each other")
            << answerMessage(QByteArray::fromHex("c00e") + QByteArray::fromHex("c00c"), TypeA,
                             QByteArray(4, '\0'))
            << true << 0 << 0 << true;
        QTest::newRow("reserved label type")
            << patched(response, 12, {0x45}) << true << 0 << 0 << true;
        QTest::newRow("label too long")
            << answerMessage(QByteArray(1, char(64)) + QByteArray(64, 'a') + '\0', TypeA,
                             QByteArray(4, '\0'))
            << true << 0 << 0 << true;
        QByteArray longName;
        for (int i = 0; i < 5; ++i)
            longName += char(63) + QByteArray(63, 'a');
        QTest::newRow("name too long")
            << answerMessage(longName + '\0', TypeA, QByteArray(4, '\0')) << true << 0 << 0 << true;
        QTest::newRow("A data of 5 bytes skipped")
            << answerMessage(camName, TypeA, QByteArray(5, '\1')) << true << 0 << 0 << false;
        QTest::newRow("AAAA data of 4 bytes skipped")
            << answerMessage(camName, TypeAaaa, QByteArray(4, '\1')) << true << 0 << 0 << false;
        QTest::newRow("SRV data of 6 bytes skipped")
            << answerMessage(camName, TypeSrv, QByteArray(6, '\0')) << true << 0 << 0 << false;
        QTest::newRow("SRV target running past its data")
            << answerMessage(camName, TypeSrv,
                             QByteArray(6, '\0') + "\x04"
                                                   "cam1")
            << true << 0 << 0 << false;
        QTest::newRow("PTR target shorter than its data")
            << answerMessage(camName, TypePtr, camName + "xx") << true << 0 << 0 << false;
        QTest::newRow("NSEC bitmap longer than its data")
            << patched(nsecResponse, 37, {0x05}) << true << 0 << 0 << false;
        QTest::newRow("bad record skipped, later records kept")
            << patched(response, 111, {0x00, 0x05}).left(117) + response.mid(116) << true << 1 << 3
            << false;
    }

    void malformed()
    {
        QFETCH(QByteArray, message);
        QFETCH(bool, parses);
        QFETCH(int, answers);
        QFETCH(int, additionals);
        QFETCH(bool, truncatedByError);

        const auto parsed = parse(message);
        QCOMPARE(parsed.has_value(), parses);
        if (!parsed)
            return;
        QCOMPARE(int(parsed->answers.size()), answers);
        QCOMPARE(int(parsed->additionals.size()), additionals);
        QCOMPARE(parsed->truncatedByError, truncatedByError);
    }

    void everyPrefixIsSafe()
    {
        // Each cut of a valid message must parse without reading past the cut (ASan checks the
        // reads: the copy has exactly the prefix's size).
        const QByteArray response = browseResponse;
        for (qsizetype size = 0; size <= response.size(); ++size) {
            std::vector<uint8_t> copy(response.begin(), response.begin() + size);
            const auto parsed = parseMessage(copy.data(), copy.size());
            QCOMPARE(parsed.has_value(), size >= 12);
        }
    }

    void writerRoundTrip()
    {
        MessageWriter writer(1400);
        Question question{nameFromDotted("_http._tcp.local."), TypePtr, ClassIn, false};
        QVERIFY(writer.addQuestion(question));
        ResourceRecord known;
        known.name = question.name;
        known.type = TypePtr;
        known.ttl = 4500;
        known.target = std::string("\x0a"
                                   "Camera 1.5") +
                       question.name; // a dot inside the instance label
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

    void writerRefusesWhatDoesNotFit()
    {
        MessageWriter writer(40);
        const Question question{nameFromDotted("_http._tcp.local."), TypePtr, ClassIn, false};
        QVERIFY(writer.addQuestion(question));
        ResourceRecord known;
        known.name = question.name;
        known.type = TypePtr;
        known.target = nameFromDotted("a-rather-long-instance-name._http._tcp.local.");
        QVERIFY(!writer.addAnswer(known));
        QCOMPARE(writer.answerCount(), 0u);
        QCOMPARE(writer.size(), 12u + 18u + 4u);
        const auto parsed = parseMessage(writer.bytes().data(), writer.size());
        QVERIFY(parsed && !parsed->truncatedByError);
    }

    void names_data()
    {
        QTest::addColumn<QString>("dotted");
        QTest::addColumn<QString>("expected");
        QTest::newRow("trailing dot") << "_http._tcp.local."
                                      << "_http._tcp.local.";
        QTest::newRow("no trailing dot") << "_http._tcp.local"
                                         << "_http._tcp.local.";
        QTest::newRow("empty labels dropped") << "a..b"
                                              << "a.b.";
        QTest::newRow("label of 64 bytes") << QString(64, 'x') + ".local"
                                           << "";
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
};

QTEST_APPLESS_MAIN(TestDnsMessage)
#include "tst_dnsmessage.moc"
