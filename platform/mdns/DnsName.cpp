#include "platform/mdns/DnsName.h"

#include "platform/mdns/DnsMessage.h"

namespace dns
{

std::string nameFromDotted(std::string_view dotted)
{
    std::string name;
    size_t start = 0;
    while (start <= dotted.size()) {
        size_t dot = dotted.find('.', start);
        if (dot == std::string_view::npos)
            dot = dotted.size();
        const std::string_view label = dotted.substr(start, dot - start);
        if (label.size() > kMaxLabelSize)
            return {};
        if (!label.empty()) {
            name.push_back(static_cast<char>(label.size()));
            name.append(label);
        }
        start = dot + 1;
    }
    if (name.size() + 1 > kMaxNameSize)
        return {};
    return name;
}

std::string dottedFromName(std::string_view name)
{
    std::string dotted;
    size_t offset = 0;
    while (offset < name.size()) {
        const size_t length = static_cast<unsigned char>(name[offset]);
        const std::string_view label = name.substr(offset + 1, length);
        for (char c : label) {
            if (c == '.' || c == '\\')
                dotted.push_back('\\');
            dotted.push_back(c);
        }
        dotted.push_back('.');
        offset += 1 + length;
    }
    return dotted;
}

std::string nameKey(std::string_view name)
{
    std::string key(name);
    size_t offset = 0;
    // Only label bytes are folded: a length byte could look like an upper-case letter.
    while (offset < key.size()) {
        const size_t length = static_cast<unsigned char>(key[offset]);
        for (size_t i = offset + 1; i < offset + 1 + length && i < key.size(); ++i) {
            if (key[i] >= 'A' && key[i] <= 'Z')
                key[i] = static_cast<char>(key[i] - 'A' + 'a');
        }
        offset += 1 + length;
    }
    return key;
}

std::string firstLabel(std::string_view name)
{
    if (name.empty())
        return {};
    const size_t length = static_cast<unsigned char>(name[0]);
    return std::string(name.substr(1, length));
}

std::string_view parentName(std::string_view name)
{
    if (name.empty())
        return {};
    const size_t length = static_cast<unsigned char>(name[0]);
    if (1 + length >= name.size())
        return {};
    return name.substr(1 + length);
}

bool isChildOf(std::string_view name, std::string_view parent)
{
    if (name.empty())
        return false;
    return nameKey(parentName(name)) == nameKey(parent) && !parentName(name).empty();
}

} // namespace dns
