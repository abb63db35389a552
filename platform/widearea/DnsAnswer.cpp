#include "platform/widearea/DnsAnswer.h"

#include <arpa/nameser.h>
#include <cctype>
#include <resolv.h>

std::vector<DnsAnswerRecord> parseDnsAnswer(const QByteArray &message, int type)
{
    ns_msg parsed;
    const auto *bytes = reinterpret_cast<const unsigned char *>(message.constData());
    if (ns_initparse(bytes, int(message.size()), &parsed) != 0)
        return {};
    const int count = ns_msg_count(parsed, ns_s_an);
    if (count > kMaxAnswerRecords)
        return {};
    std::vector<DnsAnswerRecord> records;
    int cnames = 0;
    for (int i = 0; i < count; ++i) {
        ns_rr rr;
        if (ns_parserr(&parsed, ns_s_an, i, &rr) != 0)
            return {};
        if (ns_rr_class(rr) != ns_c_in)
            continue;
        if (ns_rr_type(rr) == ns_t_cname && ++cnames > kMaxCnameChain)
            return {};
        if (ns_rr_type(rr) != type)
            continue;
        const unsigned char *data = ns_rr_rdata(rr);
        const int length = ns_rr_rdlen(rr);
        DnsAnswerRecord record;
        record.ttl = ns_rr_ttl(rr);
        const auto expand = [&](const unsigned char *at) {
            char name[NS_MAXDNAME];
            if (dn_expand(ns_msg_base(parsed), ns_msg_end(parsed), at, name, sizeof name) < 0)
                return false;
            record.target = QByteArray(name);
            return !record.target.isEmpty();
        };
        bool ok = false;
        if (type == ns_t_ptr) {
            ok = expand(data);
        } else if (type == ns_t_srv && length > 6) {
            record.port = quint16(data[4] << 8 | data[5]);
            ok = expand(data + 6);
        } else if (type == ns_t_txt && length <= kMaxTxtBytes) {
            record.data = QByteArray(reinterpret_cast<const char *>(data), length);
            ok = true;
        } else if ((type == ns_t_a && length == 4) || (type == ns_t_aaaa && length == 16)) {
            record.data = QByteArray(reinterpret_cast<const char *>(data), length);
            ok = true;
        }
        if (ok)
            records.push_back(record);
    }
    return records;
}

QString firstLabelText(const QByteArray &presentation)
{
    QByteArray label;
    for (qsizetype i = 0; i < presentation.size() && presentation[i] != '.'; ++i) {
        if (presentation[i] != '\\') {
            label += presentation[i];
        } else if (i + 3 < presentation.size() && std::isdigit(uchar(presentation[i + 1])) &&
                   std::isdigit(uchar(presentation[i + 2])) &&
                   std::isdigit(uchar(presentation[i + 3]))) {
            const int value = presentation.mid(i + 1, 3).toInt();
            if (value > 255)
                return {};
            label += char(value);
            i += 3;
        } else if (i + 1 < presentation.size()) {
            label += presentation[++i];
        } else {
            return {};
        }
    }
    return QString::fromUtf8(label);
}
