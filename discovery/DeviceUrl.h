#pragma once

#include "discovery/AddressKind.h"
#include "discovery/Camera.h"

#include <QString>
#include <QUrl>

#include <optional>

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

// The web page a press on `camera`'s address of `addressClass` opens: HTTPS on the HTTPS port
// when that address answered over HTTPS and the camera announced a usable HTTPS port, else HTTP
// on the HTTP port when it answered over HTTP and announced a usable one, else HTTP without a
// port. A port text that is no port number counts as not announced, so a device cannot steer the
// page to another host. Nothing when the address is no numeric address of its class (the
// placeholder among them).
std::optional<QUrl> pageUrl(const Camera &camera, AddressClass addressClass);
