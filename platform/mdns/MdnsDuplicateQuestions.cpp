#include "platform/mdns/MdnsDuplicateQuestions.h"

#include "platform/mdns/DnsName.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>

using namespace dns;

namespace
{
constexpr qint64 kOwnMessageMemory = 2000;
constexpr size_t kOwnMessageLimit = 64;
} // namespace

void MdnsDuplicateQuestions::sent(const QByteArray &datagram, qint64 now)
{
    m_recentlySent.emplace_back(now, datagram);
    while (m_recentlySent.size() > kOwnMessageLimit)
        m_recentlySent.pop_front();
}

std::vector<MdnsDuplicateQuestions::Key>
MdnsDuplicateQuestions::standIns(const Message &query, const QByteArray &datagram, qint64 now,
                                 const std::function<bool(const Key &)> &wanted,
                                 const KnownAnswers &ours)
{
    while (!m_recentlySent.empty() && m_recentlySent.front().first < now - kOwnMessageMemory)
        m_recentlySent.pop_front();
    if (std::any_of(m_recentlySent.begin(), m_recentlySent.end(),
                    [&datagram](const auto &sent) { return sent.second == datagram; }))
        return {};
    std::vector<Key> result;
    for (const Question &question : query.questions) {
        if (question.unicastResponse || question.recordClass != kClassIn)
            continue;
        Key key{nameKey(question.name), question.type};
        if (!wanted(key))
            continue;
        std::unordered_set<std::string_view> theirs;
        for (const ResourceRecord &answer : query.answers) {
            if (answer.type == question.type && nameKey(answer.name) == key.first)
                theirs.insert(answer.rdata);
        }
        // Ours are looked up only when needed: a browse may know thousands of PTR records.
        if (!theirs.empty()) {
            for (const ResourceRecord *record : ours(question.name, question.type))
                theirs.erase(record->rdata);
            if (!theirs.empty())
                continue;
        }
        result.push_back(std::move(key));
    }
    return result;
}
