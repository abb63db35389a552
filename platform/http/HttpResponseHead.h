#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The head of an HTTP/1.x response (RFC 9112 §4 and §5): its status code and Location field,
// read from the bytes received so far. Lines may end in CRLF or a bare LF.
struct HttpResponseHead {
    enum class State { incomplete, invalid, complete };
    State state = State::incomplete;
    int statusCode = 0;
    QByteArray location; // empty: none
    qsizetype size = 0;  // bytes of the head, through its empty line
};

HttpResponseHead parseResponseHead(QByteArrayView bytes);
