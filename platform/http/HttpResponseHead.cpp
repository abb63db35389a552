#include "platform/http/HttpResponseHead.h"

#include <QList>

namespace
{

// "HTTP/1.x NNN reason": the status code, or 0.
int statusOf(QByteArrayView line)
{
    if (line.size() < 12 || !line.startsWith("HTTP/1.") || line.at(8) != ' ' ||
        (line.size() > 12 && line.at(12) != ' '))
        return 0;
    int status = 0;
    for (qsizetype i = 9; i < 12; ++i) {
        if (line.at(i) < '0' || line.at(i) > '9')
            return 0;
        status = status * 10 + (line.at(i) - '0');
    }
    return status >= 100 && status <= 599 ? status : 0;
}

} // namespace

HttpResponseHead parseResponseHead(QByteArrayView bytes)
{
    HttpResponseHead head;
    qsizetype start = 0;
    bool first = true;
    while (true) {
        const qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            return head; // incomplete
        QByteArrayView line = bytes.sliced(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        start = end + 1;
        if (first) {
            head.statusCode = statusOf(line);
            if (head.statusCode == 0) {
                head.state = HttpResponseHead::State::invalid;
                return head;
            }
            first = false;
        } else if (line.isEmpty()) {
            head.state = HttpResponseHead::State::complete;
            head.size = start;
            return head;
        } else {
            const qsizetype colon = line.indexOf(':');
            if (colon > 0 && line.first(colon).compare("location", Qt::CaseInsensitive) == 0)
                head.location = line.sliced(colon + 1).trimmed().toByteArray();
        }
    }
}
