#pragma once

#include <QByteArray>
#include <QHostAddress>

// The bytes of one resolved socket address as DNS-SD reports it: a `sockaddr_in` for an IPv4
// address, a `sockaddr_in6` for an IPv6 address, which carries `interfaceIndex` as its scope id
// when it is link-local (fe80::/10) and none otherwise. An empty block for anything else.
// numericHostText() turns the bytes back into text.
QByteArray socketAddress(const QHostAddress &address, quint16 port, int interfaceIndex);
