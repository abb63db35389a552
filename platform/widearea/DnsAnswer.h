#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// One record of a unicast DNS answer, as far as DNS-SD browsing needs it.
struct DnsAnswerRecord {
    quint32 ttl = 0;
    QByteArray target; // PTR and SRV: the name, in presentation form ("a\032b.example")
    quint16 port = 0;  // SRV
    QByteArray data;   // TXT: the record's bytes; A and AAAA: the address bytes
};

// What we take from a server, whatever the message says.
inline constexpr int kMaxAnswerRecords = 2000; // instances of one domain, among others
inline constexpr int kMaxTxtBytes = 8192;      // a longer TXT record is dropped
inline constexpr int kMaxCnameChain = 8;       // longer chains (and loops) give no record

// The records of `type` (ns_t_ptr, ns_t_srv, ns_t_txt, ns_t_a, ns_t_aaaa) in the answer section
// of the DNS response `message`, parsed by libresolv (names expanded by dn_expand, which bounds
// compression). Nothing for a malformed message, a CNAME chain longer than kMaxCnameChain or
// more than kMaxAnswerRecords answers; a record whose data do not fit its type is skipped.
std::vector<DnsAnswerRecord> parseDnsAnswer(const QByteArray &message, int type);

// The first label of a name in presentation form as text ("Cam\032One._http._tcp.x" gives
// "Cam One"): "\DDD" is one byte, "\X" the character X; the bytes are UTF-8. Empty if malformed.
QString firstLabelText(const QByteArray &presentation);
