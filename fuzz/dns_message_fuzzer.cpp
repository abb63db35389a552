// libFuzzer target: the DNS message parser, and the writer on whatever the parser accepts.
#include "platform/mdns/DnsMessage.h"
#include "platform/mdns/DnsMessageWriter.h"
#include "platform/mdns/DnsName.h"

#include <algorithm>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto message = dns::parseMessage(data, size);
    if (!message)
        return 0;
    // What was parsed must be written and parsed again to the same records, up to the letter case
    // of names that compression matched. (Decompressed, a message may outgrow the 64 KiB a writer
    // takes: then there is nothing to compare.)
    dns::MessageWriter writer(65535, message->id, message->flags);
    const auto add = [](const auto &items, auto write) {
        return std::all_of(items.begin(), items.end(), write);
    };
    if (!add(message->questions, [&](const dns::Question &q) { return writer.addQuestion(q); }) ||
        !add(message->answers, [&](const dns::ResourceRecord &r) { return writer.addAnswer(r); }) ||
        !add(message->additionals,
             [&](const dns::ResourceRecord &r) { return writer.addAdditional(r); }))
        return 0;
    const auto folded = [](std::vector<dns::ResourceRecord> records) {
        for (dns::ResourceRecord &record : records) {
            (void)dns::dottedFromName(record.name);
            record.name = dns::nameKey(record.name);
            record.target = dns::nameKey(record.target);
        }
        return records;
    };
    const auto again = dns::parseMessage(writer.bytes().data(), writer.size());
    if (!again || again->questions != message->questions ||
        folded(again->answers) != folded(message->answers) ||
        folded(again->additionals) != folded(message->additionals))
        std::abort();
    return 0;
}
