#pragma once

#include "discovery/Camera.h"

#include <QAbstractSocket>

#include <array>
#include <cstddef>

// The three address fields of a camera record.
enum class AddressClass { ipv4, ipv6, autoIp };

// What one class of address means in a Camera record. Code that treats the three addresses alike
// iterates kAddressKinds instead of naming each field.
struct AddressKind {
    AddressClass addressClass;
    QString Camera::*address;
    // The web interface answered at `address` over plain HTTP, over HTTPS.
    bool Camera::*isHttpEnabled;
    bool Camera::*isHttpsEnabled;
    // The numeric form `address` holds; an IPv6 host goes into a URL in brackets.
    QAbstractSocket::NetworkLayerProtocol protocol;
    // Whether an HTTPS answer alone makes the address a link in the table. An auto-IP address is
    // a link only when it answered over HTTP.
    bool isLinkOnHttpsAnswer;
    // The field's name ("ipv4") and the stem of its flags' names ("Ipv4": isIpv4Enabled), for
    // listings that name the fields; a short label for people ("IPv4").
    const char *fieldName;
    const char *flagStem;
    const char *label;
};

// In the order the addresses are probed and shown: IPv4, IPv6, auto-IP.
inline constexpr std::array<AddressKind, 3> kAddressKinds{{
    {AddressClass::ipv4, &Camera::ipv4, &Camera::isIpv4Enabled, &Camera::isIpv4HttpsEnabled,
     QAbstractSocket::IPv4Protocol, true, "ipv4", "Ipv4", "IPv4"},
    {AddressClass::ipv6, &Camera::ipv6, &Camera::isIpv6Enabled, &Camera::isIpv6HttpsEnabled,
     QAbstractSocket::IPv6Protocol, true, "ipv6", "Ipv6", "IPv6"},
    {AddressClass::autoIp, &Camera::autoIp, &Camera::isAutoIpEnabled, &Camera::isAutoIpHttpsEnabled,
     QAbstractSocket::IPv4Protocol, false, "autoIp", "AutoIp", "auto-IP"},
}};

constexpr const AddressKind &addressKind(AddressClass addressClass)
{
    return kAddressKinds[static_cast<std::size_t>(addressClass)];
}

// The table is indexed by its classes.
static_assert(addressKind(AddressClass::ipv4).addressClass == AddressClass::ipv4 &&
              addressKind(AddressClass::ipv6).addressClass == AddressClass::ipv6 &&
              addressKind(AddressClass::autoIp).addressClass == AddressClass::autoIp);
