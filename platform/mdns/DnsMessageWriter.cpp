#include "platform/mdns/DnsMessageWriter.h"

namespace dns
{

namespace
{
constexpr uint16_t kTopBit = 0x8000;
constexpr size_t kMaxPointerOffset = 0x3fff;
} // namespace

MessageWriter::MessageWriter(size_t maxSize, uint16_t id, uint16_t flags)
    : m_maxSize(maxSize)
{
    write16(id);
    write16(flags);
    for (int i = 0; i < 4; ++i)
        write16(0);
}

void MessageWriter::setFlags(uint16_t flags)
{
    m_bytes[2] = static_cast<uint8_t>(flags >> 8);
    m_bytes[3] = static_cast<uint8_t>(flags);
}

bool MessageWriter::addQuestion(const Question &question)
{
    if (m_answerCount > 0 || m_additionalCount > 0)
        return false;
    const size_t before = m_bytes.size();
    writeName(question.name, true);
    write16(question.type);
    write16(static_cast<uint16_t>(question.recordClass | (question.unicastResponse ? kTopBit : 0)));
    if (m_bytes.size() > m_maxSize) {
        rollback(before);
        return false;
    }
    ++m_questionCount;
    updateCounts();
    return true;
}

bool MessageWriter::addAnswer(const ResourceRecord &record)
{
    if (m_additionalCount > 0 || !addRecord(record))
        return false;
    ++m_answerCount;
    updateCounts();
    return true;
}

bool MessageWriter::addAdditional(const ResourceRecord &record)
{
    if (!addRecord(record))
        return false;
    ++m_additionalCount;
    updateCounts();
    return true;
}

bool MessageWriter::addRecord(const ResourceRecord &record)
{
    const size_t before = m_bytes.size();
    writeName(record.name, true);
    write16(record.type);
    write16(static_cast<uint16_t>(record.recordClass | (record.cacheFlush ? kTopBit : 0)));
    write32(record.ttl);
    const size_t lengthAt = m_bytes.size();
    write16(0);
    const size_t dataStart = m_bytes.size();
    if (record.type == TypePtr) {
        writeName(record.target, true);
    } else if (record.type == TypeSrv) {
        write16(record.priority);
        write16(record.weight);
        write16(record.port);
        writeName(record.target, false);
    } else {
        m_bytes.insert(m_bytes.end(), record.rdata.begin(), record.rdata.end());
    }
    const size_t dataLength = m_bytes.size() - dataStart;
    if (m_bytes.size() > m_maxSize || dataLength > 0xffff) {
        rollback(before);
        return false;
    }
    m_bytes[lengthAt] = static_cast<uint8_t>(dataLength >> 8);
    m_bytes[lengthAt + 1] = static_cast<uint8_t>(dataLength);
    return true;
}

void MessageWriter::write16(uint16_t value)
{
    m_bytes.push_back(static_cast<uint8_t>(value >> 8));
    m_bytes.push_back(static_cast<uint8_t>(value));
}

void MessageWriter::write32(uint32_t value)
{
    write16(static_cast<uint16_t>(value >> 16));
    write16(static_cast<uint16_t>(value));
}

void MessageWriter::writeName(const std::string &name, bool compress)
{
    size_t offset = 0;
    while (offset < name.size()) {
        // Compressed only against the very same bytes: a pointer to a name that differs in
        // letter case would change the name the receiver reads.
        const std::string suffix = name.substr(offset);
        if (compress) {
            for (const auto &[known, at] : m_suffixes) {
                if (known == suffix) {
                    write16(static_cast<uint16_t>(0xc000 | at));
                    return;
                }
            }
        }
        if (m_bytes.size() <= kMaxPointerOffset)
            m_suffixes.emplace_back(suffix, static_cast<uint16_t>(m_bytes.size()));
        const size_t length = static_cast<unsigned char>(name[offset]);
        if (offset + 1 + length > name.size())
            break; // not a well-formed name: end it here
        m_bytes.insert(m_bytes.end(), name.begin() + static_cast<std::ptrdiff_t>(offset),
                       name.begin() + static_cast<std::ptrdiff_t>(offset + 1 + length));
        offset += 1 + length;
    }
    m_bytes.push_back(0);
}

void MessageWriter::rollback(size_t size)
{
    m_bytes.resize(size);
    std::erase_if(m_suffixes, [size](const auto &entry) { return entry.second >= size; });
}

void MessageWriter::updateCounts()
{
    m_bytes[4] = static_cast<uint8_t>(m_questionCount >> 8);
    m_bytes[5] = static_cast<uint8_t>(m_questionCount);
    m_bytes[6] = static_cast<uint8_t>(m_answerCount >> 8);
    m_bytes[7] = static_cast<uint8_t>(m_answerCount);
    m_bytes[10] = static_cast<uint8_t>(m_additionalCount >> 8);
    m_bytes[11] = static_cast<uint8_t>(m_additionalCount);
}

} // namespace dns
