#pragma once

#include "platform/mdns/DnsMessage.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace dns
{

// Builds one DNS message (a query with known answers, or a response in tests and tools) no larger
// than a given size, with name compression. Questions come first, then answers (the known answers
// of a query); additions that would not fit are refused and leave the message as it was, so a
// caller can continue in a further message.
class MessageWriter
{
public:
    explicit MessageWriter(size_t maxSize, uint16_t id = 0, uint16_t flags = 0);

    bool addQuestion(const Question &question);
    bool addAnswer(const ResourceRecord &record);
    // A record of the additional section; once one is added, no answer can follow.
    bool addAdditional(const ResourceRecord &record);
    void setFlags(uint16_t flags);

    size_t questionCount() const { return m_questionCount; }
    size_t answerCount() const { return m_answerCount; }
    size_t size() const { return m_bytes.size(); }
    const std::vector<uint8_t> &bytes() const { return m_bytes; }

private:
    void write16(uint16_t value);
    void write32(uint32_t value);
    void writeName(const std::string &name, bool compress);
    void rollback(size_t size);
    void updateCounts();
    bool addRecord(const ResourceRecord &record);

    size_t m_maxSize;
    std::vector<uint8_t> m_bytes;
    // Name suffixes already written, with their offsets, for compression.
    std::vector<std::pair<std::string, uint16_t>> m_suffixes;
    size_t m_questionCount = 0;
    size_t m_answerCount = 0;
    size_t m_additionalCount = 0;
};

} // namespace dns
