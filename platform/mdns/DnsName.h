#pragma once

#include <string>
#include <string_view>

// Helpers over names in wire-label form (see DnsMessage.h).
namespace dns
{

// "_http._tcp.local." or "_http._tcp.local" to wire labels; empty labels are dropped. A label
// longer than 63 bytes or a name longer than 255 gives an empty name.
std::string nameFromDotted(std::string_view dotted);

// Wire labels to dotted text with a trailing dot; dots and backslashes inside a label are
// escaped with a backslash ("Camera 1\.2._http._tcp.local.").
std::string dottedFromName(std::string_view name);

// The same name with ASCII letters in lower case: names compare without regard to case
// (RFC 6762 §16), so this is the form used as a key.
std::string nameKey(std::string_view name);

// The first label's bytes ("Camera 1" of "Camera 1._http._tcp.local."), and the rest.
std::string firstLabel(std::string_view name);
std::string_view parentName(std::string_view name);

// True when `name` is one label followed by exactly `parent` (compared without case).
bool isChildOf(std::string_view name, std::string_view parent);

} // namespace dns
