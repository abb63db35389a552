#include "platform/mdns/DnsMessage.h"
#include "platform/mdns/DnsMessageWriter.h"
#include "platform/mdns/DnsName.h"
#include "platform/mdns/MdnsBrowser.h"
#include "platform/mdns/MdnsEngine.h"
#include "platform/mdns/MdnsService.h"
#include "tests/support/MdnsFakes.h"

#include <QSignalSpy>
#include <QTest>
#include <QtEndian>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <memory>

using namespace dns;

namespace
{

const std::string httpType = nameFromDotted("_http._tcp.local");
const QHostAddress responder(QStringLiteral("198.18.0.10"));

std::string instance(const std::string &label)
{
    return std::string(1, static_cast<char>(label.size())) + label + httpType;
}

std::string host(const std::string &label)
{
    return nameFromDotted(label + ".local");
}

ResourceRecord ptr(const std::string &label, uint32_t ttl = 4500)
{
    ResourceRecord record;
    record.name = httpType;
    record.type = TypePtr;
    record.ttl = ttl;
    record.target = instance(label);
    return record;
}

ResourceRecord srv(const std::string &label, const std::string &hostLabel, uint16_t port = 80)
{
    ResourceRecord record;
    record.name = instance(label);
    record.type = TypeSrv;
    record.cacheFlush = true;
    record.ttl = 120;
    record.port = port;
    record.target = host(hostLabel);
    return record;
}

ResourceRecord txt(const std::string &label, const std::string &data, uint32_t ttl = 4500)
{
    ResourceRecord record;
    record.name = instance(label);
    record.type = TypeTxt;
    record.cacheFlush = true;
    record.ttl = ttl;
    record.rdata = data;
    return record;
}

ResourceRecord address(const std::string &hostLabel, const char *text, uint32_t ttl = 120)
{
    ResourceRecord record;
    record.name = host(hostLabel);
    record.cacheFlush = true;
    record.ttl = ttl;
    const QHostAddress parsed{QString::fromLatin1(text)};
    if (parsed.protocol() == QAbstractSocket::IPv4Protocol) {
        record.type = TypeA;
        const quint32 value = qToBigEndian(parsed.toIPv4Address());
        record.rdata.assign(reinterpret_cast<const char *>(&value), 4);
    } else {
        record.type = TypeAaaa;
        const Q_IPV6ADDR value = parsed.toIPv6Address();
        record.rdata.assign(reinterpret_cast<const char *>(value.c), 16);
    }
    return record;
}

ResourceRecord nsec(const std::string &hostLabel, std::vector<uint8_t> bitmap)
{
    ResourceRecord record;
    record.name = host(hostLabel);
    record.type = TypeNsec;
    record.cacheFlush = true;
    record.ttl = 120;
    record.rdata = record.name + '\0' + '\0' + static_cast<char>(bitmap.size());
    record.rdata.append(bitmap.begin(), bitmap.end());
    return record;
}

QByteArray response(const std::vector<ResourceRecord> &answers,
                    const std::vector<ResourceRecord> &additionals = {}, uint16_t flags = 0x8400)
{
    MessageWriter writer(9000, 0, flags);
    for (const ResourceRecord &record : answers)
        writer.addAnswer(record);
    for (const ResourceRecord &record : additionals)
        writer.addAdditional(record);
    return QByteArray(reinterpret_cast<const char *>(writer.bytes().data()),
                      static_cast<qsizetype>(writer.size()));
}

QByteArray query(const std::vector<Question> &questions,
                 const std::vector<ResourceRecord> &known = {})
{
    MessageWriter writer(9000);
    for (const Question &question : questions)
        writer.addQuestion(question);
    for (const ResourceRecord &record : known)
        writer.addAnswer(record);
    return QByteArray(reinterpret_cast<const char *>(writer.bytes().data()),
                      static_cast<qsizetype>(writer.size()));
}

// The engine with fakes around it, a browser and what it reported.
struct Harness {
    FakeTransport transport;
    FakeTime time;
    MdnsEngine engine{&transport, &time, &time, [] { return 0u; }};
    std::unique_ptr<MdnsBrowser> browser;
    std::vector<std::shared_ptr<DnsSdService>> found;
    std::vector<bool> moreComing;

    void browse()
    {
        browser = std::make_unique<MdnsBrowser>(&engine);
        QObject::connect(browser.get(), &DnsSdBrowser::serviceFound,
                         [this](std::shared_ptr<DnsSdService> service, bool more) {
                             found.push_back(std::move(service));
                             moreComing.push_back(more);
                         });
        browser->searchForServicesOfType(QStringLiteral("_http._tcp"), QString());
    }

    QStringList foundNames() const
    {
        QStringList names;
        for (const auto &service : found)
            names.append(service->name());
        return names;
    }

    // The queries sent since the last call, each message once (the IPv6 copy is checked to
    // carry the same bytes).
    std::vector<Message> queries()
    {
        std::vector<Message> messages;
        for (qsizetype i = 0; i < transport.sent.size(); ++i) {
            const FakeTransport::Sent &sent = transport.sent[i];
            if (sent.destination != QHostAddress(QStringLiteral("224.0.0.251")))
                continue;
            const bool ipv6Copy =
                i + 1 < transport.sent.size() &&
                transport.sent[i + 1].destination == QHostAddress(QStringLiteral("ff02::fb")) &&
                transport.sent[i + 1].datagram == sent.datagram;
            if (!ipv6Copy || sent.port != 5353)
                qWarning("query not sent to both groups on port 5353");
            const auto message =
                parseMessage(reinterpret_cast<const uint8_t *>(sent.datagram.constData()),
                             static_cast<size_t>(sent.datagram.size()));
            if (message)
                messages.push_back(*message);
        }
        transport.sent.clear();
        return messages;
    }

    // The questions of the queries sent since the last call, as sorted "type name" texts.
    QStringList questions()
    {
        QStringList texts;
        for (const Message &message : queries()) {
            for (const Question &question : message.questions)
                texts.append(QString::number(question.type) + u' ' +
                             QString::fromStdString(dottedFromName(question.name)));
        }
        texts.sort();
        return texts;
    }

    void deliver(const QByteArray &datagram, const QHostAddress &source = responder,
                 quint16 port = 5353, int interfaceIndex = 2)
    {
        transport.deliver(datagram, source, port, interfaceIndex);
    }
};

QString question(uint16_t type, const std::string &name)
{
    return QString::number(type) + u' ' + QString::fromStdString(dottedFromName(name));
}

QStringList numericAddresses(const QList<QByteArray> &addresses)
{
    QStringList texts;
    for (const QByteArray &block : addresses) {
        QHostAddress parsed(reinterpret_cast<const sockaddr *>(block.constData()));
        texts.append(parsed.toString());
    }
    texts.sort();
    return texts;
}

} // namespace

class TestMdnsEngine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fakeTimeFiresInOrder()
    {
        FakeTime time;
        QList<qint64> fired;
        connect(&time, &OneShotTimer::timeout, this, [&] {
            fired.append(time.now());
            if (fired.size() == 1)
                time.start(5);
        });
        const qint64 start = time.now();
        time.start(10);
        time.advance(9);
        QVERIFY(fired.isEmpty());
        time.advance(100);
        QCOMPARE(fired, (QList<qint64>{start + 10, start + 15}));
        QCOMPARE(time.now(), start + 109);
    }

    void querySchedule()
    {
        Harness h;
        h.browse();
        h.time.advance(1);
        QCOMPARE(h.queries().size(), 0u);
        h.time.advance(1);
        const auto first = h.queries();
        QCOMPARE(first.size(), 1u);
        QCOMPARE(first[0].id, 0);
        QCOMPARE(first[0].flags, 0);
        QCOMPARE(first[0].questions.size(), 1u);
        QCOMPARE(first[0].questions[0], (Question{httpType, TypePtr, ClassIn, false}));
        QVERIFY(first[0].answers.empty());

        // Then 1 s, 2 s, 4 s apart.
        for (qint64 interval : {1000, 2000, 4000}) {
            h.time.advance(interval - 1);
            QCOMPARE(h.queries().size(), 0u);
            h.time.advance(1);
            QCOMPARE(h.questions(), QStringList{question(TypePtr, httpType)});
        }
    }

    void firstQuestionQuWhenAloneOnThePort_data()
    {
        QTest::addColumn<bool>("portShared");
        QTest::newRow("another stack on 5353: QM only") << true;
        QTest::newRow("alone on 5353: QU first") << false;
    }

    void firstQuestionQuWhenAloneOnThePort()
    {
        QFETCH(bool, portShared);
        Harness h;
        h.transport.portShared = portShared;
        h.browse();
        h.time.advance(2);
        QCOMPARE(h.queries().at(0).questions.at(0).unicastResponse, !portShared);
        h.time.advance(1000);
        QCOMPARE(h.queries().at(0).questions.at(0).unicastResponse, false);
        // A unicast answer comes from port 5353 too and is taken.
        h.deliver(response({ptr("cam")}));
        QCOMPARE(h.found.size(), 1u);
    }

    void knownAnswersWithHalfTheirTtl()
    {
        Harness h;
        h.browse();
        h.time.advance(2);
        h.queries();
        h.deliver(response({ptr("long", 4500), ptr("short", 10)}));

        h.time.advance(1000);
        auto sent = h.queries();
        QCOMPARE(sent.size(), 1u);
        QCOMPARE(sent[0].answers.size(), 2u);
        QCOMPARE(sent[0].answers[0].ttl, 4499u);
        h.time.advance(2000);
        QCOMPARE(h.queries().at(0).answers.size(), 2u);
        // At the fourth query "short" has 3 of its 10 seconds left: no longer a known answer.
        h.time.advance(4000);
        sent = h.queries();
        QCOMPARE(sent[0].answers.size(), 1u);
        QCOMPARE(sent[0].answers[0].target, instance("long"));
    }

    void knownAnswersContinueWithTruncation()
    {
        Harness h;
        h.browse();
        h.time.advance(2);
        h.queries();
        std::vector<ResourceRecord> many;
        for (int i = 0; i < 150; ++i)
            many.push_back(ptr(QStringLiteral("camera-with-a-rather-long-name-%1")
                                   .arg(i, 3, 10, QChar('0'))
                                   .toStdString()));
        h.deliver(response(many));
        QCOMPARE(h.found.size(), 150u);

        h.time.advance(1000);
        const auto sent = h.queries();
        QVERIFY(sent.size() > 1);
        size_t answers = 0;
        for (size_t i = 0; i < sent.size(); ++i) {
            const bool last = i + 1 == sent.size();
            QCOMPARE(sent[i].questions.size(), i == 0 ? 1u : 0u);
            QCOMPARE((sent[i].flags & FlagTruncated) != 0, !last);
            answers += sent[i].answers.size();
        }
        QCOMPARE(answers, 150u);
        for (const auto &sentQuery : h.transport.sent)
            QVERIFY(sentQuery.datagram.size() <= 1452);
    }

    void freshBrowseReportsOnlyWhatAnswers()
    {
        Harness h;
        h.browse();
        h.time.advance(2);
        h.deliver(response({ptr("a"), ptr("b")},
                           {srv("a", "host-a"), txt("a", "\x03k=v"),
                            address("host-a", "198.18.0.1"), address("host-a", "2001:db8::1")}));
        QCOMPARE(h.foundNames(), (QStringList{"a", "b"}));
        h.browser->stop();
        h.found.clear();
        h.time.advance(500);
        h.queries();

        h.browse();
        h.time.advance(2);
        const auto first = h.queries();
        QCOMPARE(first.size(), 1u);
        QVERIFY(first[0].answers.empty()); // every responder answers a fresh browse
        h.deliver(response({ptr("a")}));
        QCOMPARE(h.foundNames(), QStringList{"a"});

        // "a" resolves from what the cache still holds, without asking.
        QSignalSpy resolved(h.found[0].get(), &DnsSdService::resolved);
        h.found[0]->resolve(10);
        h.time.advance(0);
        QCOMPARE(resolved.size(), 1);
        QCOMPARE(h.found[0]->port(), 80);

        h.time.advance(5000);
        QCOMPARE(h.foundNames(), QStringList{"a"}); // "b" stayed silent
        for (const Message &sent : h.queries()) {
            for (const ResourceRecord &known : sent.answers)
                QCOMPARE(known.target, instance("a"));
            for (const Question &asked : sent.questions)
                QCOMPARE(asked.type, TypePtr);
        }
    }

    void resolutionFromAdditionals()
    {
        Harness h;
        h.browse();
        h.time.advance(2);
        h.queries();
        h.deliver(response({ptr("cam")},
                           {srv("cam", "cam-host", 8080), txt("cam", "\x0cvender=tulvo"),
                            address("cam-host", "198.18.0.7"), address("cam-host", "fe80::7")}),
                  responder, 5353, 3);
        QCOMPARE(h.found.size(), 1u);
        DnsSdService &service = *h.found[0];
        QCOMPARE(service.name(), "cam");
        QCOMPARE(service.type(), "_http._tcp");
        QCOMPARE(service.domain(), "local.");
        QVERIFY(service.addresses().isEmpty()); // before resolution

        QSignalSpy resolved(&service, &DnsSdService::resolved);
        QSignalSpy txtChanged(&service, &DnsSdService::txtRecordChanged);
        service.resolve(10);
        QCOMPARE(resolved.size(), 0); // never from inside the call
        h.time.advance(0);
        QCOMPARE(resolved.size(), 1);
        QCOMPARE(service.hostName(), "cam-host.local.");
        QCOMPARE(service.port(), 8080);
        QCOMPARE(numericAddresses(service.addresses()), (QStringList{"198.18.0.7", "fe80::7"}));
        const auto addresses = service.addresses();
        for (const QByteArray &block : addresses) {
            const auto *family = reinterpret_cast<const sa_family_t *>(block.constData());
            if (*family == AF_INET6) {
                QCOMPARE(block.size(), qsizetype(sizeof(sockaddr_in6)));
                const auto *v6 = reinterpret_cast<const sockaddr_in6 *>(block.constData());
                QCOMPARE(v6->sin6_scope_id, 3u);
                QCOMPARE(ntohs(v6->sin6_port), 8080);
            } else {
                QCOMPARE(block.size(), qsizetype(sizeof(sockaddr_in)));
            }
        }

        service.startMonitoring();
        h.time.advance(0);
        QCOMPARE(txtChanged.size(), 1);
        QCOMPARE(txtChanged[0][0].toByteArray(), QByteArray("\x0cvender=tulvo"));

        // Nothing was asked but the browse itself.
        h.time.advance(5000);
        const QStringList asked = h.questions();
        QCOMPARE(asked.size(), 2); // the rounds 1 s and 3 s after the first
        for (const QString &text : asked)
            QCOMPARE(text, question(TypePtr, httpType));
    }

    void chainCompletesWithinOneMessage()
    {
        // As the discovery model does: resolve when found, monitor when resolved.
        Harness h;
        QStringList events;
        h.browser = std::make_unique<MdnsBrowser>(&h.engine);
        connect(h.browser.get(), &DnsSdBrowser::serviceFound, this,
                [&](std::shared_ptr<DnsSdService> service) {
                    DnsSdService *raw = service.get();
                    h.found.push_back(service);
                    connect(raw, &DnsSdService::resolved, this, [&, raw] {
                        events.append(QStringLiteral("resolved"));
                        raw->startMonitoring();
                        events.append(QStringLiteral("monitoring"));
                    });
                    connect(raw, &DnsSdService::txtRecordChanged, this,
                            [&] { events.append(QStringLiteral("txt")); });
                    raw->resolve(10);
                    events.append(QStringLiteral("resolving"));
                });
        h.browser->searchForServicesOfType(QStringLiteral("_http._tcp"), QString());
        h.time.advance(2);
        h.deliver(response({ptr("cam")}, {srv("cam", "cam-host"), txt("cam", "\x03k=v"),
                                          address("cam-host", "198.18.0.7"),
                                          address("cam-host", "2001:db8::7")}));
        // Every signal came after the call that led to it had returned.
        QCOMPARE(events, (QStringList{"resolving", "resolved", "monitoring", "txt"}));
    }

    void resolvesWhatIsMissing_data()
    {
        QTest::addColumn<bool>("otherFamilyArrives");
        QTest::newRow("only IPv4 exists: settle time") << false;
        QTest::newRow("IPv6 answers the second question") << true;
    }

    void resolvesWhatIsMissing()
    {
        QFETCH(bool, otherFamilyArrives);
        Harness h;
        h.browse();
        h.time.advance(2);
        h.queries();
        h.deliver(response({ptr("cam")}));
        QSignalSpy resolved(h.found[0].get(), &DnsSdService::resolved);
        h.found[0]->resolve(10);
        h.time.advance(0);
        h.time.advance(10);
        QCOMPARE(h.queries().size(), 0u); // answers may still be coming: wait for a quiet moment
        h.time.advance(10);
        const std::string name = instance("cam");
        QCOMPARE(h.questions(), (QStringList{question(TypeTxt, name), question(TypeSrv, name)}));
        QCOMPARE(h.queries().size(), 0u);

        h.deliver(response({srv("cam", "cam-host"), txt("cam", "\x03k=v")}));
        h.time.advance(20);
        const std::string hostName = host("cam-host");
        QCOMPARE(h.questions(),
                 (QStringList{question(TypeA, hostName), question(TypeAaaa, hostName)}));

        h.deliver(response({address("cam-host", "198.18.0.9")}));
        h.time.advance(20);
        QCOMPARE(h.questions(), QStringList{question(TypeAaaa, hostName)});
        QCOMPARE(resolved.size(), 0);
        if (otherFamilyArrives) {
            h.time.advance(20);
            h.deliver(response({address("cam-host", "2001:db8::9")}));
            h.time.advance(0);
            QCOMPARE(resolved.size(), 1);
            QCOMPARE(numericAddresses(h.found[0]->addresses()),
                     (QStringList{"198.18.0.9", "2001:db8::9"}));
        } else {
            h.time.advance(239); // 250 ms after the question was due
            QCOMPARE(resolved.size(), 0);
            h.time.advance(1);
            QCOMPARE(resolved.size(), 1);
            QCOMPARE(numericAddresses(h.found[0]->addresses()), QStringList{"198.18.0.9"});
        }
    }

    void resolutionQuestionsWaitForAQuietMoment_data()
    {
        QTest::addColumn<int>("streamFor");
        QTest::addColumn<int>("askedAfter");
        QTest::newRow("answers stream for 100 ms") << 100 << 110; // last one at 90 ms
        QTest::newRow("answers never stop: asked after 500 ms") << 1000 << 500;
    }

    void resolutionQuestionsWaitForAQuietMoment()
    {
        QFETCH(int, streamFor);
        QFETCH(int, askedAfter);
        Harness h;
        h.browse();
        h.time.advance(2);
        h.deliver(response({ptr("cam")}));
        h.found[0]->resolve(10);
        h.queries();
        const qint64 start = h.time.now();
        qint64 askedAt = -1;
        for (int t = 0; t < streamFor + 100 && askedAt < 0; ++t) {
            if (t < streamFor && t % 10 == 0)
                h.deliver(response({ptr(QStringLiteral("other-%1").arg(t).toStdString())}));
            h.time.advance(1);
            if (h.questions().contains(question(TypeSrv, instance("cam"))))
                askedAt = h.time.now() - start;
        }
        QCOMPARE(askedAt, askedAfter);
    }

    void questionAnsweredBeforeItLeavesIsNotSent()
    {
        Harness h;
        h.browse();
        h.time.advance(2);
        h.queries();
        // The responder split its answer: the AAAA record comes in the next message.
        h.deliver(
            response({ptr("cam")}, {srv("cam", "cam-host"), address("cam-host", "198.18.0.9")}));
        QSignalSpy resolved(h.found[0].get(), &DnsSdService::resolved);
        h.found[0]->resolve(10);
        h.time.advance(0);
        QCOMPARE(resolved.size(), 0);
        h.time.advance(3);
        h.deliver(response({}, {address("cam-host", "2001:db8::9")}));
        QCOMPARE(resolved.size(), 1);
        h.time.advance(100);
        QCOMPARE(h.queries().size(), 0u);
    }

    void responseCutAfterAnAddress_data()
    {
        QTest::addColumn<QString>("next");
        QTest::newRow("the next message brings the rest") << "rest";
        QTest::newRow("the next message brings no more") << "other";
        QTest::newRow("nothing more comes") << "none";
    }

    void responseCutAfterAnAddress()
    {
        QFETCH(QString, next);
        Harness h;
        h.browse();
        h.time.advance(2);
        h.queries();
        // A responder for many hosts fills a large message; "cam-host"'s third address does
        // not fit any more.
        std::vector<ResourceRecord> answers{ptr("cam")};
        for (int i = 0; i < 60; ++i)
            answers.push_back(ptr(QStringLiteral("other-camera-%1").arg(i).toStdString()));
        h.deliver(response(answers, {address("cam-host", "198.18.0.9"), srv("cam", "cam-host"),
                                     address("cam-host", "2001:db8::9"), srv("y", "y-host")}));
        auto &service = *h.found[0];
        QSignalSpy resolved(&service, &DnsSdService::resolved);
        service.resolve(10);
        h.time.advance(0);
        QCOMPARE(resolved.size(), 0);
        h.time.advance(5);
        if (next == "rest") {
            h.deliver(response({}, {address("cam-host", "fe80::9"), srv("x", "x-host")}));
            QCOMPARE(resolved.size(), 1);
            QCOMPARE(service.addresses().size(), 3);
        } else if (next == "other") {
            h.deliver(response({}, {srv("x", "x-host")}));
            QCOMPARE(resolved.size(), 1);
            QCOMPARE(service.addresses().size(), 2);
        } else {
            h.time.advance(244);
            QCOMPARE(resolved.size(), 0);
            h.time.advance(1);
            QCOMPARE(resolved.size(), 1);
            QCOMPARE(service.addresses().size(), 2);
        }
    }

    void nsecCompletesAddresses()
    {
        Harness h;
        h.browse();
        h.time.advance(2);
        h.queries();
        h.deliver(response({ptr("cam")}, {srv("cam", "cam-host"), address("cam-host", "198.18.0.9"),
                                          nsec("cam-host", {0x40})}));
        QSignalSpy resolved(h.found[0].get(), &DnsSdService::resolved);
        h.found[0]->resolve(10);
        h.time.advance(0);
        QCOMPARE(resolved.size(), 1);
        h.time.advance(100);
        QCOMPARE(h.queries().size(), 0u);
    }

    void resolveTimesOut()
    {
        Harness h;
        h.browse();
        h.time.advance(2);
        h.deliver(response({ptr("mute")}));
        QSignalSpy failed(h.found[0].get(), &DnsSdService::resolveFailed);
        h.found[0]->resolve(3);
        h.time.advance(2999);
        QCOMPARE(failed.size(), 0);
        h.time.advance(1);
        QCOMPARE(failed.size(), 1);
        // The SRV question was repeated after 1 s and 2 s more, no more often.
        QStringList srvAsked = h.questions().filter(QStringLiteral("33 "));
        QCOMPARE(srvAsked.size(), 2);
    }

    void cacheFlushOneSecondRule()
    {
        Harness h;
        h.browse();
        h.time.advance(2);
        h.deliver(response({ptr("cam")}, {srv("cam", "cam-host"), address("cam-host", "198.18.0.1"),
                                          address("cam-host", "2001:db8::1")}));
        h.found[0]->resolve(10);
        h.time.advance(0);
        h.time.advance(2000);

        h.deliver(response({address("cam-host", "198.18.0.2")}));
        // Records of the same packet's second must not flush each other.
        h.time.advance(100);
        h.deliver(response({address("cam-host", "198.18.0.3")}));
        QCOMPARE(numericAddresses(h.found[0]->addresses()).size(), 4);
        h.time.advance(901);
        QCOMPARE(numericAddresses(h.found[0]->addresses()),
                 (QStringList{"198.18.0.2", "198.18.0.3", "2001:db8::1"}));
    }

    void goodbyeRemovedOneSecondLater()
    {
        Harness h;
        h.browse();
        h.time.advance(2);
        h.deliver(response({ptr("cam")}, {srv("cam", "cam-host"), address("cam-host", "198.18.0.1"),
                                          address("cam-host", "2001:db8::1")}));
        h.found[0]->resolve(10);
        h.time.advance(0);
        h.deliver(response({address("cam-host", "198.18.0.1", 0)}));
        QCOMPARE(numericAddresses(h.found[0]->addresses()), QStringList{"2001:db8::1"});
        const auto &cache = h.engine.cacheForTesting();
        h.time.advance(999);
        QCOMPARE(cache.find(host("cam-host"), TypeA, h.time.now()).size(), 1u);
        h.time.advance(1);
        QCOMPARE(cache.find(host("cam-host"), TypeA, h.time.now()).size(), 0u);

        // A goodbye PTR does not report a service.
        h.deliver(response({ptr("gone", 0)}));
        QCOMPARE(h.found.size(), 1u);
    }

    void refreshAtEightyToNinetyFivePercent()
    {
        Harness h;
        h.browse();
        h.time.advance(2);
        h.deliver(response({ptr("watched"), ptr("other")},
                           {txt("watched", "\x03k=v", 100), txt("other", "\x03k=w", 100)}));
        h.browser->stop();
        h.found[0]->startMonitoring();
        h.time.advance(0);
        h.queries();
        const QString refresh = question(TypeTxt, instance("watched"));
        qint64 elapsed = 0;
        for (qint64 percent : {80, 85, 90, 95}) {
            h.time.advance(percent * 1000 - elapsed - 1);
            QCOMPARE(h.questions(), QStringList{});
            h.time.advance(1);
            h.time.advance(10); // sent with the questions due within the next 10 ms
            QCOMPARE(h.questions(), QStringList{refresh});
            elapsed = percent * 1000 + 10;
        }
        // Unanswered, the record expires at 100 %; the refreshes end there.
        h.time.advance(10000);
        QCOMPARE(h.questions(), QStringList{});
        QVERIFY(
            h.engine.cacheForTesting().find(instance("watched"), TypeTxt, h.time.now()).empty());
    }

    void txtChangeReportedOnce()
    {
        Harness h;
        h.browse();
        h.time.advance(2);
        h.deliver(response({ptr("cam")}, {txt("cam", "\x04v=01")}));
        QSignalSpy changed(h.found[0].get(), &DnsSdService::txtRecordChanged);
        h.found[0]->startMonitoring();
        h.time.advance(0);
        QCOMPARE(changed.size(), 1);
        h.time.advance(2000);
        h.deliver(response({txt("cam", "\x04v=01")}));
        QCOMPARE(changed.size(), 1);
        h.deliver(response({txt("cam", "\x04v=02")}));
        QCOMPARE(changed.size(), 2);
        QCOMPARE(changed[1][0].toByteArray(), QByteArray("\x04v=02"));
        h.deliver(response({txt("cam", "\x04v=02")}));
        h.time.advance(1500); // the old record leaves the cache
        QCOMPARE(changed.size(), 2);
    }

    void destroyedServiceStaysSilent()
    {
        Harness h;
        h.browse();
        h.time.advance(2);
        h.deliver(
            response({ptr("a"), ptr("b"), ptr("c")}, {txt("a", "\x03v=1"), txt("b", "\x03v=1")}));
        h.queries();
        for (int i = 0; i < 2; ++i)
            h.found[i]->startMonitoring();
        h.time.advance(0);

        // "c" is dropped before its resolution asked anything: nothing is asked for it.
        h.found[2]->resolve(10);
        h.found[2].reset();
        // "b" is dropped by the slot that hears "a"'s change, within the same packet.
        int reportsOfB = 0;
        connect(h.found[1].get(), &DnsSdService::txtRecordChanged, this, [&] { ++reportsOfB; });
        connect(h.found[0].get(), &DnsSdService::txtRecordChanged, this,
                [&] { h.found[1].reset(); });
        h.time.advance(2000);
        h.deliver(response({txt("a", "\x03v=2"), txt("b", "\x03v=2")}));
        QVERIFY(!h.found[1]);
        QCOMPARE(reportsOfB, 0);
        h.time.advance(3000);
        for (const QString &asked : h.questions())
            QVERIFY2(!asked.contains(QLatin1String("c._http")), qPrintable(asked));
    }

    void stoppedBrowserStaysSilent()
    {
        Harness h;
        h.browse();
        connect(h.browser.get(), &DnsSdBrowser::serviceFound, this, [&] { h.browser->stop(); });
        h.time.advance(2);
        h.deliver(response({ptr("a"), ptr("b"), ptr("c")}));
        QCOMPARE(h.foundNames(), QStringList{"a"});
        QCOMPARE(h.moreComing, std::vector<bool>{true});
        h.queries();
        h.time.advance(10000);
        QCOMPARE(h.queries().size(), 0u);

        h.browser.reset();
        h.deliver(response({ptr("d")}));
        QCOMPARE(h.found.size(), 1u);
    }

    void acceptance_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("port");
        QTest::addColumn<uint>("flags");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("from 5353 on the link") << "198.18.0.10" << 5353 << 0x8400u << true;
        QTest::newRow("from another port") << "198.18.0.10" << 5354 << 0x8400u << false;
        QTest::newRow("from beyond the link") << "198.19.7.7" << 5353 << 0x8400u << false;
        QTest::newRow("with a response code") << "198.18.0.10" << 5353 << 0x8403u << false;
        QTest::newRow("with an opcode") << "198.18.0.10" << 5353 << 0xa400u << false;
    }

    void acceptance()
    {
        QFETCH(QString, source);
        QFETCH(int, port);
        QFETCH(uint, flags);
        QFETCH(bool, accepted);
        Harness h;
        h.transport.offLink.insert(QHostAddress(QStringLiteral("198.19.7.7")));
        h.browse();
        h.time.advance(2);
        h.deliver(response({ptr("cam")}, {}, static_cast<uint16_t>(flags)), QHostAddress(source),
                  static_cast<quint16>(port));
        QCOMPARE(h.found.size(), accepted ? 1u : 0u);
    }

    void questionsInResponsesIgnored()
    {
        Harness h;
        h.browse();
        h.time.advance(2);
        h.queries();
        // A response that also repeats our question must not count as someone else's query.
        MessageWriter writer(9000, 0, 0x8400);
        writer.addQuestion({httpType, TypePtr, ClassIn, false});
        writer.addAnswer(ptr("cam"));
        h.deliver(QByteArray(reinterpret_cast<const char *>(writer.bytes().data()),
                             static_cast<qsizetype>(writer.size())));
        QCOMPARE(h.found.size(), 1u);
        h.time.advance(1000);
        QCOMPARE(h.queries().size(), 1u);
    }

    void duplicateQuestionSuppression_data()
    {
        QTest::addColumn<bool>("theirKnownAnswer");
        QTest::addColumn<bool>("suppressed");
        QTest::newRow("same question, no known answer") << false << true;
        QTest::newRow("known answer we do not hold") << true << false;
    }

    void duplicateQuestionSuppression()
    {
        QFETCH(bool, theirKnownAnswer);
        QFETCH(bool, suppressed);
        Harness h;
        h.browse();
        h.time.advance(1);
        std::vector<ResourceRecord> known;
        if (theirKnownAnswer)
            known.push_back(ptr("theirs"));
        h.deliver(query({{httpType, TypePtr, ClassIn, false}}, known),
                  QHostAddress(QStringLiteral("198.18.0.20")));
        h.time.advance(1);
        QCOMPARE(h.queries().size(), suppressed ? 0u : 1u);
    }

    void ownQueryLoopedBackChangesNothing()
    {
        Harness h;
        h.browse();
        h.time.advance(2);
        const QByteArray ours = h.transport.sent.at(0).datagram;
        h.queries();
        h.deliver(ours, QHostAddress(QStringLiteral("198.18.0.1")));
        h.time.advance(1000);
        QCOMPARE(h.queries().size(), 1u);
    }

    void resolutionQuestionsBatchedAndPaced()
    {
        Harness h;
        h.browse();
        h.time.advance(2);
        h.queries();
        for (int part = 0; part < 5; ++part) {
            std::vector<ResourceRecord> pointers;
            for (int i = 0; i < 200; ++i)
                pointers.push_back(
                    ptr(QStringLiteral("camera-%1").arg(part * 200 + i).toStdString()));
            h.deliver(response(pointers));
        }
        QCOMPARE(h.found.size(), 1000u);
        for (const auto &service : h.found)
            service->resolve(10);
        h.time.advance(0);
        h.time.advance(20);
        QStringList asked;
        auto collect = [&](const std::vector<Message> &messages) {
            for (const Message &message : messages) {
                for (const Question &q : message.questions)
                    asked.append(question(q.type, q.name));
            }
        };
        const auto firstBurst = h.queries();
        QCOMPARE(firstBurst.size(), 8u);
        collect(firstBurst);
        h.time.advance(9);
        QCOMPARE(h.queries().size(), 0u);
        h.time.advance(1);
        const auto secondBurst = h.queries();
        QVERIFY(!secondBurst.empty() && secondBurst.size() <= 8u);
        collect(secondBurst);
        h.time.advance(100);
        collect(h.queries());
        QCOMPARE(asked.size(), 2000); // SRV and TXT of each, once
        QCOMPARE(QSet<QString>(asked.begin(), asked.end()).size(), 2000);
    }
};

QTEST_GUILESS_MAIN(TestMdnsEngine)
#include "tst_mdnsengine.moc"
