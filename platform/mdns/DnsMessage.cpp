#include "platform/mdns/DnsMessage.h"

namespace dns
{

namespace
{

constexpr uint16_t kTopBit = 0x8000;
constexpr size_t kRecordFixedSize = 10; // type, class, TTL, data length
constexpr size_t kQuestionFixedSize = 4;
constexpr int kMaxPointerJumps = 64;

uint16_t read16(const uint8_t *p)
{
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

uint32_t read32(const uint8_t *p)
{
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

bool readQuestion(const uint8_t *data, size_t size, size_t &offset, Question &question)
{
    if (!readName(data, size, offset, size, question.name))
        return false;
    if (size - offset < kQuestionFixedSize)
        return false;
    question.type = read16(data + offset);
    const uint16_t rawClass = read16(data + offset + 2);
    question.recordClass = rawClass & ~kTopBit;
    question.unicastResponse = (rawClass & kTopBit) != 0;
    offset += kQuestionFixedSize;
    return true;
}

// Decodes the type-specific part of a record. False means the data does not fit the type: the
// record is skipped, the message goes on.
bool decodeRecordData(const uint8_t *data, size_t size, size_t start, size_t end,
                      ResourceRecord &record)
{
    const size_t length = end - start;
    switch (record.type) {
    case TypeA:
        return length == 4;
    case TypeAaaa:
        return length == 16;
    case TypePtr: {
        size_t offset = start;
        if (!readName(data, size, offset, end, record.target) || offset != end)
            return false;
        record.rdata = record.target;
        record.rdata.push_back('\0');
        return true;
    }
    case TypeSrv: {
        if (length < 7)
            return false;
        record.priority = read16(data + start);
        record.weight = read16(data + start + 2);
        record.port = read16(data + start + 4);
        size_t offset = start + 6;
        if (!readName(data, size, offset, end, record.target) || offset != end)
            return false;
        record.rdata.assign(reinterpret_cast<const char *>(data + start), 6);
        record.rdata += record.target;
        record.rdata.push_back('\0');
        return true;
    }
    case TypeNsec: {
        size_t offset = start;
        if (!readName(data, size, offset, end, record.target))
            return false;
        // Kept with the next name uncompressed, so the data stands on its own.
        record.rdata = record.target;
        record.rdata.push_back('\0');
        record.rdata.append(reinterpret_cast<const char *>(data + offset), end - offset);
        while (offset < end) {
            if (end - offset < 2)
                return false;
            const uint8_t window = data[offset];
            const uint8_t bitmapLength = data[offset + 1];
            offset += 2;
            if (bitmapLength == 0 || bitmapLength > 32 || end - offset < bitmapLength)
                return false;
            if (window == 0) {
                for (size_t i = 0; i < bitmapLength; ++i) {
                    for (int bit = 0; bit < 8; ++bit) {
                        if (data[offset + i] & (0x80 >> bit))
                            record.nsecTypes.push_back(static_cast<uint16_t>(i * 8 + bit));
                    }
                }
            }
            offset += bitmapLength;
        }
        return true;
    }
    default:
        return true;
    }
}

// Reads `count` records into `records`. False when a record is malformed in a way that hides
// where the next one starts; records already read are kept.
bool readRecords(const uint8_t *data, size_t size, size_t &offset, uint16_t count,
                 std::vector<ResourceRecord> &records)
{
    for (uint16_t i = 0; i < count; ++i) {
        ResourceRecord record;
        if (!readName(data, size, offset, size, record.name))
            return false;
        if (size - offset < kRecordFixedSize)
            return false;
        record.type = read16(data + offset);
        const uint16_t rawClass = read16(data + offset + 2);
        record.recordClass = rawClass & ~kTopBit;
        record.cacheFlush = (rawClass & kTopBit) != 0;
        record.ttl = read32(data + offset + 4);
        const size_t length = read16(data + offset + 8);
        offset += kRecordFixedSize;
        if (size - offset < length)
            return false;
        const size_t start = offset;
        const size_t end = offset + length;
        offset = end;
        if (record.type != TypePtr && record.type != TypeSrv && record.type != TypeNsec)
            record.rdata.assign(reinterpret_cast<const char *>(data + start), length);
        if (decodeRecordData(data, size, start, end, record))
            records.push_back(std::move(record));
    }
    return true;
}

} // namespace

bool readName(const uint8_t *data, size_t size, size_t &offset, size_t end, std::string &name)
{
    name.clear();
    if (end > size)
        return false;
    size_t position = offset;
    size_t limit = end;
    size_t segmentStart = offset; // pointers must point before this: no loops, no forward jumps
    size_t resumeAt = 0;
    bool jumped = false;
    int jumps = 0;
    size_t wireSize = 1; // the root label
    for (;;) {
        if (position >= limit)
            return false;
        const uint8_t length = data[position];
        if ((length & 0xc0) == 0xc0) {
            if (limit - position < 2)
                return false;
            const size_t target = static_cast<size_t>(((length & 0x3f) << 8) | data[position + 1]);
            if (target >= segmentStart || ++jumps > kMaxPointerJumps)
                return false;
            if (!jumped) {
                resumeAt = position + 2;
                jumped = true;
            }
            segmentStart = target;
            position = target;
            limit = size;
            continue;
        }
        if ((length & 0xc0) != 0)
            return false; // the extended label types of RFC 6891 are not used by mDNS
        if (length == 0) {
            offset = jumped ? resumeAt : position + 1;
            return true;
        }
        if (length > kMaxLabelSize || limit - position - 1 < length)
            return false;
        wireSize += 1 + length;
        if (wireSize > kMaxNameSize)
            return false;
        name.append(reinterpret_cast<const char *>(data + position), 1 + size_t{length});
        position += 1 + length;
    }
}

std::optional<Message> parseMessage(const uint8_t *data, size_t size)
{
    if (data == nullptr || size < kHeaderSize)
        return std::nullopt;
    Message message;
    message.id = read16(data);
    message.flags = read16(data + 2);
    const uint16_t questionCount = read16(data + 4);
    const uint16_t answerCount = read16(data + 6);
    const uint16_t authorityCount = read16(data + 8);
    const uint16_t additionalCount = read16(data + 10);
    size_t offset = kHeaderSize;
    for (uint16_t i = 0; i < questionCount; ++i) {
        Question question;
        if (!readQuestion(data, size, offset, question)) {
            message.truncatedByError = true;
            return message;
        }
        message.questions.push_back(std::move(question));
    }
    if (!readRecords(data, size, offset, answerCount, message.answers) ||
        !readRecords(data, size, offset, authorityCount, message.authorities) ||
        !readRecords(data, size, offset, additionalCount, message.additionals))
        message.truncatedByError = true;
    return message;
}

} // namespace dns
