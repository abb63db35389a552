#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The numeric host text of one socket address (`sockaddr_in` / `sockaddr_in6` bytes) as a camera
// field holds it: getnameinfo's NI_NUMERICHOST text up to the first "%", so the zone suffix of a
// link-local IPv6 address is cut ("fe80::1%eth0" gives "fe80::1"). Empty when getnameinfo cannot
// convert the bytes.
QString numericHost(const QByteArray &socketAddress);

// The TXT "macaddress" value as the camera list shows it: a "-" inserted at n-2, n-4, 2, 5 and 8
// (n the value's length in characters), each position counted on the text as it grows, so
// "001122aabbcc" gives "00-11-22-aa-bb-cc". Letter case is kept and the digits are not checked.
// A value shorter than 8 characters is returned unchanged.
QString formatMacAddress(const QString &text);

// `bytes` as text when they are valid UTF-8, else nothing: no replacement characters, a
// truncated sequence at the end is invalid too, and a byte-order mark is kept as a character.
std::optional<QString> utf8Text(const QByteArray &bytes);

// A port as TXT announces it, when it is a decimal number from 1 to 65535 (leading zeros
// allowed). Anything else - "80@evil.example", " 80", "", full-width digits - is no port: such
// text must never reach a URL, where it could name another host.
std::optional<int> decimalPort(const QString &text);
