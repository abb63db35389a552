#include "platform/mdns/MdnsQueryScheduler.h"

#include "platform/mdns/DnsMessageWriter.h"
#include "platform/mdns/DnsName.h"
#include "platform/mdns/MdnsCache.h"

#include <algorithm>
#include <memory>

using namespace dns;
using mdns::PendingQuestion;

namespace
{

bool isAnswered(const MdnsCache &cache, const std::string &name, uint16_t type, qint64 now)
{
    const auto entries = cache.find(name, type, now);
    return std::any_of(entries.begin(), entries.end(), [now](const MdnsCache::Entry *entry) {
        return !entry->goodbye && entry->remaining(now) * 2 >= entry->lifetime;
    });
}

QByteArray datagramOf(const MessageWriter &writer)
{
    return QByteArray(reinterpret_cast<const char *>(writer.bytes().data()),
                      static_cast<qsizetype>(writer.size()));
}

} // namespace

void MdnsQueryScheduler::ask(PendingQuestion question)
{
    if (m_earliestKnown && (!m_earliestDue || question.dueAt < *m_earliestDue))
        m_earliestDue = question.dueAt;
    const auto [it, added] =
        m_pending.try_emplace({nameKey(question.name), question.type}, question);
    if (added)
        return;
    PendingQuestion &pending = it->second;
    pending.dueAt = std::min(pending.dueAt, question.dueAt);
    // Only a first transmission may be QU: merged with a repetition, the question is QM.
    if (question.delivery == mdns::Delivery::multicast)
        pending.delivery = mdns::Delivery::multicast;
    if (question.pace == mdns::Pace::whenDue)
        pending.pace = mdns::Pace::whenDue;
    pending.askedAt = std::min(pending.askedAt, question.askedAt);
}

bool MdnsQueryScheduler::cancel(const std::string &key, uint16_t type)
{
    const auto found = m_pending.find({key, type});
    if (found == m_pending.end())
        return false;
    if (m_earliestDue && found->second.dueAt <= *m_earliestDue)
        m_earliestKnown = false;
    m_pending.erase(found);
    return true;
}

bool MdnsQueryScheduler::isPending(const std::string &key, uint16_t type) const
{
    return m_pending.contains({key, type});
}

std::optional<qint64> MdnsQueryScheduler::nextDue() const
{
    if (!m_earliestKnown) {
        m_earliestDue.reset();
        for (const auto &[key, question] : m_pending) {
            if (!m_earliestDue || question.dueAt < *m_earliestDue)
                m_earliestDue = question.dueAt;
        }
        m_earliestKnown = true;
    }
    if (!m_earliestDue)
        return std::nullopt;
    return std::max(*m_earliestDue, m_nextSendAllowedAt);
}

MdnsQueryScheduler::Due MdnsQueryScheduler::dueQuestions(qint64 now)
{
    const bool streaming = m_lastResponseAt && now < *m_lastResponseAt + kQuietPeriod;
    // The due questions stay in m_pending until they are sent: thousands may be due at once, and
    // only a burst's worth leaves.
    Due due;
    for (auto it = m_pending.begin(); it != m_pending.end(); ++it) {
        PendingQuestion &pending = it->second;
        if (pending.dueAt > now + mdns::kAggregationDelay)
            continue;
        if (pending.pace == mdns::Pace::whenQuiet && streaming &&
            now < pending.askedAt + kMaxDeferral)
            pending.dueAt =
                std::min(*m_lastResponseAt + kQuietPeriod, pending.askedAt + kMaxDeferral);
        else
            due.push_back(it);
    }
    std::stable_sort(due.begin(), due.end(), [](const auto &a, const auto &b) {
        if ((a->second.type == TypePtr) != (b->second.type == TypePtr))
            return a->second.type == TypePtr;
        return a->second.dueAt < b->second.dueAt;
    });
    return due;
}

size_t MdnsQueryScheduler::writeMessage(const Due &due, size_t next, qint64 now,
                                        const MdnsCache &cache, const KnownAnswers &knownAnswers,
                                        std::vector<Outgoing> &messages)
{
    auto writer = std::make_unique<MessageWriter>(kMaxQuerySize);
    std::vector<ResourceRecord> answers;
    std::vector<PendingQuestion> questions;
    for (; next < due.size(); ++next) {
        const PendingQuestion &pending = due[next]->second;
        // Refresh questions find their record below half its TTL, so only what the rest of a
        // split response brought is dropped here.
        if (pending.type != TypePtr && isAnswered(cache, pending.name, pending.type, now)) {
            m_pending.erase(due[next]);
            continue;
        }
        if (!writer->addQuestion({pending.name, pending.type, kClassIn,
                                  pending.delivery == mdns::Delivery::unicast}))
            break;
        auto known = knownAnswers(pending.name, pending.type);
        answers.insert(answers.end(), std::make_move_iterator(known.begin()),
                       std::make_move_iterator(known.end()));
        questions.push_back(pending);
        m_pending.erase(due[next]);
    }
    if (questions.empty()) { // all answered, or (names of at most 255 bytes) never
        if (next < due.size())
            m_pending.erase(due[next++]);
        return next;
    }
    for (const ResourceRecord &answer : answers) {
        if (writer->addAnswer(answer))
            continue;
        writer->setFlags(kFlagTruncated);
        messages.push_back({datagramOf(*writer), std::exchange(questions, {})});
        writer = std::make_unique<MessageWriter>(kMaxQuerySize);
        writer->addAnswer(answer);
    }
    messages.push_back({datagramOf(*writer), std::move(questions)});
    return next;
}

std::vector<MdnsQueryScheduler::Outgoing>
MdnsQueryScheduler::takeDue(qint64 now, const MdnsCache &cache, const KnownAnswers &knownAnswers)
{
    // Once a question is due, those due within the next moments go with it.
    if (const auto next = nextDue(); !next || *next > now)
        return {};
    m_earliestKnown = false;
    const Due due = dueQuestions(now);
    std::vector<Outgoing> messages;
    size_t next = 0;
    while (next < due.size() && messages.size() < kMessagesPerBurst)
        next = writeMessage(due, next, now, cache, knownAnswers, messages);
    for (size_t i = next; i < due.size(); ++i)
        due[i]->second.dueAt = now + kBurstInterval;
    if (next < due.size())
        m_nextSendAllowedAt = now + kBurstInterval;
    return messages;
}
