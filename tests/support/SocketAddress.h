#pragma once

#include <QByteArray>
#include <QString>

// Socket-address bytes as a DNS-SD service reports them, for tests.
// `sockaddr_in` for an IPv4 text, `sockaddr_in6` (with `scopeId`) for an IPv6 text; an empty
// block for text that is neither.
QByteArray socketAddress(const QString &numericText, quint32 scopeId = 0);
