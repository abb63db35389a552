#pragma once

#include "platform/SocketAddress.h"

#include <QString>

// The product's socket-address bytes from numeric text, port 0; `scopeId` is kept for link-local
// IPv6 only. An empty block for text that is no address.
inline QByteArray socketAddress(const QString &numericText, int scopeId = 0)
{
    return socketAddress(QHostAddress(numericText), 0, scopeId);
}
