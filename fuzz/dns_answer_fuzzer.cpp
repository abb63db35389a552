// libFuzzer target: the records wide-area browsing takes from a unicast DNS answer.
#include "platform/widearea/DnsAnswer.h"

#include <arpa/nameser.h>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray message(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    for (const int type : {ns_t_ptr, ns_t_srv, ns_t_txt, ns_t_a, ns_t_aaaa}) {
        const auto records = parseDnsAnswer(message, type);
        if (int(records.size()) > kMaxAnswerRecords)
            std::abort();
        for (const DnsAnswerRecord &record : records) {
            if (record.data.size() > kMaxTxtBytes || record.data.size() > message.size())
                std::abort();
            firstLabelText(record.target);
        }
    }
    return 0;
}
