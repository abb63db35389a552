#pragma once

#include <QString>
#include <QUrl>

#include <optional>

// The three address fields of a camera record.
enum class AddressClass { ipv4, ipv6, autoIp };

enum class Scheme { http, https };

// The root URL of a device's web interface ("https://[2001:db8::5]:8443"), built part by part,
// never by pasting text, so nothing a device announces can change the target.
//
// Nothing when `address` is not a numeric address of its class (IPv6 for `ipv6`, IPv4 for the
// others; no zone suffix), or when `port` is given but is not a decimal number from 1 to 65535
// (decimalPort). Without `port` the URL names none, so the scheme's usual port applies.
// An IPv6 address comes out in brackets.
std::optional<QUrl> deviceUrl(AddressClass addressClass, const QString &address,
                              const std::optional<QString> &port, Scheme scheme);
