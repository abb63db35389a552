// libFuzzer target: the DNS message parser, and the writer on whatever the parser accepts.
#include "platform/mdns/DnsMessage.h"
#include "platform/mdns/DnsMessageWriter.h"
#include "platform/mdns/DnsName.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto message = dns::parseMessage(data, size);
    if (!message)
        return 0;
    // What was parsed must be written and parsed again to the same records.
    // (Decompressed, a message may outgrow the 64 KiB a writer takes: then there is nothing to
    // compare.)
    dns::MessageWriter writer(65535, message->id, message->flags);
    for (const dns::Question &question : message->questions) {
        if (!writer.addQuestion(question))
            return 0;
    }
    for (const dns::ResourceRecord &record : message->answers) {
        if (!writer.addAnswer(record))
            return 0;
    }
    for (const dns::ResourceRecord &record : message->additionals) {
        if (!writer.addAdditional(record))
            return 0;
    }
    const auto again = dns::parseMessage(writer.bytes().data(), writer.size());
    if (!again || again->questions != message->questions)
        std::abort();
    if (again->answers.size() != message->answers.size())
        std::abort();
    for (size_t i = 0; i < again->answers.size(); ++i) {
        if (again->answers[i].rdata != message->answers[i].rdata ||
            dns::nameKey(again->answers[i].name) != dns::nameKey(message->answers[i].name))
            std::abort();
    }
    for (const dns::ResourceRecord &record : message->answers)
        (void)dns::dottedFromName(record.name);
    return 0;
}
