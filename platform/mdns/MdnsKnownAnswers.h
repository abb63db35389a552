#pragma once

#include "platform/mdns/DnsMessage.h"
#include "platform/mdns/MdnsCache.h"

#include <QtGlobal>

#include <string>
#include <vector>

// The asking side of known-answer suppression (RFC 6762 §7.1): the cached records of a question
// that a query lists, so that responders do not send them again. A record is listed while it is no
// goodbye, has at least half its TTL left and was received at `heardSince` or later (a browse lists
// only what it heard itself: its first query has no known answers, so every responder answers, and
// a service gone since an earlier browse is not taken for granted).
namespace mdns
{

std::vector<const MdnsCache::Entry *> knownEntries(const MdnsCache &cache, const std::string &name,
                                                   uint16_t type, qint64 now, qint64 heardSince);
// The same records as a query carries them: no cache-flush bit, the TTL that is left.
std::vector<dns::ResourceRecord> knownAnswers(const MdnsCache &cache, const std::string &name,
                                              uint16_t type, qint64 now, qint64 heardSince);

} // namespace mdns
