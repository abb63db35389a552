#include "platform/mdns/MdnsNoticePump.h"

namespace
{
constexpr int kMaxRounds = 8;
}

void MdnsNoticePump::flush(const std::function<bool()> &moreWork)
{
    for (int round = 0; round < kMaxRounds; ++round) {
        if (m_notices.empty() && !moreWork())
            break;
        // A slot may stop browsers, drop services or post new notices: take the list first.
        std::vector<std::function<void()>> notices;
        notices.swap(m_notices);
        for (const auto &notice : notices)
            notice();
    }
}
