// libFuzzer target: TXT record decoding.
#include "platform/TxtRecord.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray record(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const auto entries = dictionaryFromTxtRecordData(record);
    // Every entry comes from one length-prefixed string of the record.
    qsizetype total = 0;
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        if (it.key().isEmpty())
            std::abort();
        total += it.key().size() + it.value().size();
    }
    if (total > record.size())
        std::abort();
    return 0;
}
