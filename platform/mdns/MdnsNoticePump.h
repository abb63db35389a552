#pragma once

#include <functional>
#include <vector>

// The signals of browsers and services wait here until the engine's own handling of a datagram
// or timer is done, so none fires inside a call made on a browser or service. flush() runs them;
// a notice checks on its own that its receiver still exists. What the slots asked for is taken up
// by `moreWork` (which returns false when there was none) in further rounds, at most 8: the chain
// found -> resolved -> TXT of a service whose records came together completes within one message.
class MdnsNoticePump
{
public:
    void post(std::function<void()> notice) { m_notices.push_back(std::move(notice)); }
    void flush(const std::function<bool()> &moreWork);

private:
    std::vector<std::function<void()>> m_notices;
};
