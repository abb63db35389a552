#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

// Kind of device a Camera record describes, from the TXT entry "device".
enum class Device {
    none,       // no "device" entry (or one that is not UTF-8)
    camera,     // "camera"
    controller, // "controller": listed, never probed
    undefined,  // any other text, the empty text included
};

// Hashes the case's position (0 for `none` .. 3 for `undefined`) and nothing else, so equal
// cases hash equally under one seed.
size_t qHash(Device device, size_t seed = 0) noexcept;

// The one shared default of every text field of a new Camera. An address equal to it means the
// device has no address of that class: it is never probed and never drawn as a link.
inline const QString placeholderText = QStringLiteral("---");

// One device found on the network. Plain value; equality compares all fifteen fields in
// declaration order.
struct Camera {
    QString macAddress = placeholderText;
    QString ipv4 = placeholderText;
    bool isIpv4Enabled = false;
    bool isIpv4HttpsEnabled = false;
    QString ipv6 = placeholderText;
    bool isIpv6Enabled = false;
    bool isIpv6HttpsEnabled = false;
    QString autoIp = placeholderText;
    bool isAutoIpEnabled = false;
    bool isAutoIpHttpsEnabled = false;
    QString moedelName = placeholderText;
    QString serialNumber = placeholderText;
    Device device = Device::none;
    std::optional<QString> httpPort = std::nullopt;  // verbatim TXT text; absent differs from empty
    std::optional<QString> httpsPort = std::nullopt; // verbatim TXT text; absent differs from empty

    friend bool operator==(const Camera &, const Camera &) = default;
};

// Element-wise equality over lists of equal length (QList's operator==).
using CameraList = QList<Camera>;
