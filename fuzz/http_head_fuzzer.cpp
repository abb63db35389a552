// libFuzzer target: reading the head of an HTTP response.
#include "platform/http/HttpResponseHead.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const HttpResponseHead head = parseResponseHead(bytes);
    using State = HttpResponseHead::State;
    // A complete head lies inside what was read, ends in its empty line and has a real status;
    // its Location is one field's text.
    if (head.state == State::complete &&
        (head.size < 1 || head.size > bytes.size() || bytes.at(head.size - 1) != '\n' ||
         head.statusCode < 100 || head.statusCode > 599 || head.location.contains('\n')))
        std::abort();
    if (head.state != State::complete && head.size != 0)
        std::abort();
    return 0;
}
