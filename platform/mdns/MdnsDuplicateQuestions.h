#pragma once

#include "platform/mdns/DnsMessage.h"

#include <QByteArray>

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// Duplicate-question suppression (RFC 6762 §7.3). Another querier on the link asked a question we
// were about to ask, for multicast answers, and its known answers hold nothing we would not list
// ourselves: the answers it gets are the ones we would get, so ours need not go. Our own queries
// come back to us through the multicast loop; they are recognised (the last 64 messages of the
// last 2 s) and stand in for nothing.
class MdnsDuplicateQuestions
{
public:
    using Key = std::pair<std::string, uint16_t>; // name key, type
    using KnownAnswers = std::function<std::vector<const dns::ResourceRecord *>(
        const std::string &name, uint16_t type)>;

    void sent(const QByteArray &datagram, qint64 now);

    // The questions of a received `query` that stand in for ours: of those `wanted` by us, the ones
    // whose known answers `ours` covers. None for a query of our own.
    std::vector<Key> standIns(const dns::Message &query, const QByteArray &datagram, qint64 now,
                              const std::function<bool(const Key &)> &wanted,
                              const KnownAnswers &ours);

private:
    std::deque<std::pair<qint64, QByteArray>> m_recentlySent;
};
