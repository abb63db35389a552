#pragma once

#include <QByteArray>
#include <QString>

// The numeric host text of one socket address (`sockaddr_in` / `sockaddr_in6` bytes), as
// getnameinfo with NI_NUMERICHOST writes it, zone suffix included ("fe80::1%eth0"). An empty
// text when the bytes are not a socket address getnameinfo can convert.
QString numericHostText(const QByteArray &socketAddress);
