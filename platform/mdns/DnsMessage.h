#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The DNS message format of multicast DNS (RFC 1035 §4, RFC 6762 §18), as plain values.
//
// A name is held as its uncompressed wire labels without the root label: each label is one
// length byte (1..63) followed by its bytes, so "\x04_tcp\x05local" is "_tcp.local.". Labels may
// hold any byte, dots included (instance names such as "Camera 1.2" stay one label).
namespace dns
{

enum RecordType : uint16_t {
    TypeA = 1,
    TypePtr = 12,
    TypeTxt = 16,
    TypeAaaa = 28,
    TypeSrv = 33,
    TypeNsec = 47,
};

constexpr uint16_t kClassIn = 1;
constexpr uint16_t kFlagResponse = 0x8000;
constexpr uint16_t kFlagTruncated = 0x0200;
constexpr size_t kHeaderSize = 12;
constexpr size_t kMaxNameSize = 255; // wire form with the root label (RFC 1035 §2.3.4)
constexpr size_t kMaxLabelSize = 63;

struct Question {
    std::string name;
    uint16_t type = 0;
    uint16_t recordClass = kClassIn;
    bool unicastResponse = false; // the QU bit, top bit of the class field

    bool operator==(const Question &) const = default;
};

struct ResourceRecord {
    std::string name;
    uint16_t type = 0;
    uint16_t recordClass = kClassIn;
    bool cacheFlush = false; // top bit of the class field in a response (RFC 6762 §10.2)
    uint32_t ttl = 0;
    // The record data as received, except that names inside PTR, SRV and NSEC data are stored
    // decompressed in `target`; `rdata` of those types holds the canonical uncompressed form.
    std::string rdata;
    std::string target;    // PTR: the pointed-to name; SRV: the target host; NSEC: next name
    uint16_t priority = 0; // SRV
    uint16_t weight = 0;   // SRV
    uint16_t port = 0;     // SRV
    std::vector<uint16_t> nsecTypes; // NSEC: the types the bitmap lists (window 0 only)

    bool operator==(const ResourceRecord &) const = default;
};

struct Message {
    uint16_t id = 0;
    uint16_t flags = 0;
    std::vector<Question> questions;
    std::vector<ResourceRecord> answers;
    std::vector<ResourceRecord> authorities;
    std::vector<ResourceRecord> additionals;
    // True when a section ended early because a record or question was malformed: what came
    // before it is kept, the rest of the message is dropped.
    bool truncatedByError = false;

    bool isResponse() const { return (flags & kFlagResponse) != 0; }
    // A standard query or response (opcode 0) without an error code (RCODE 0).
    bool isStandard() const { return (flags & 0x780f) == 0; }
};

// Parses one DNS message. Every length, count and offset is checked against `size`: a message
// whose header is incomplete gives no value; a malformed question or record ends the parse with
// the sections read so far; a record whose data does not fit its type (A not 4 bytes, AAAA not
// 16, SRV shorter than 7, names that do not fill the data exactly) is skipped alone. Compression
// pointers must point backwards, so loops cannot form. Pure function: no allocation beyond the
// result, no I/O, never reads outside [data, data + size).
std::optional<Message> parseMessage(const uint8_t *data, size_t size);

// Reads one possibly compressed name at `offset`; `end` limits where its labels may lie. On
// success stores the wire labels in `name`, moves `offset` past the name and returns true.
bool readName(const uint8_t *data, size_t size, size_t &offset, size_t end, std::string &name);

} // namespace dns
