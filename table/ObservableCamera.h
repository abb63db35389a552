#pragma once

#include "discovery/AddressKind.h"
#include "table/AttributedText.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <array>
#include <memory>
#include <optional>

// One camera in one row of the camera table. The table, its model and the column sort read a
// row through its columns (table/Columns.h), never the Camera record behind it.
//
// A link address carries the page a press on it opens, worked out from the row's own camera
// when the row is made (pageUrl in discovery/DeviceUrl.h); nothing for any other address.
//
// Rows are held by shared pointer and compared by identity: two rows built from equal Camera
// records are different rows. The class therefore has no value comparison and cannot be copied.
class ObservableCamera
{
public:
    // The page of each address, in the order of kAddressKinds.
    using Pages = std::array<std::optional<QUrl>, kAddressKinds.size()>;

    ObservableCamera(const QString &macAddress, const AttributedText &ipV4,
                     const AttributedText &ipV6, const AttributedText &autoIp,
                     const QString &modelName, const QString &serialNumber, bool isIpv4Enabled,
                     bool isIpv6Enabled, bool isAutoIpEnabled, const Pages &pages = {});
    ObservableCamera(const ObservableCamera &) = delete;
    ObservableCamera &operator=(const ObservableCamera &) = delete;

    QString macAddress() const { return m_macAddress; }
    AttributedText ipV4() const { return address(AddressClass::ipv4); }
    AttributedText ipV6() const { return address(AddressClass::ipv6); }
    AttributedText autoIp() const { return address(AddressClass::autoIp); }
    QString modelName() const { return m_modelName; }
    QString serialNumber() const { return m_serialNumber; }

    AttributedText address(AddressClass addressClass) const
    {
        return m_addresses[size_t(addressClass)];
    }
    // The page a press on the address opens; nothing unless the address is a link.
    std::optional<QUrl> pageUrl(AddressClass addressClass) const
    {
        return address(addressClass).isLink() ? m_pages[size_t(addressClass)] : std::nullopt;
    }

    // The HTTP answer flags of the Camera record, per address. Set once; the table never reads
    // them.
    bool isIpv4Enabled() const { return m_isIpv4Enabled; }
    bool isIpv6Enabled() const { return m_isIpv6Enabled; }
    bool isAutoIpEnabled() const { return m_isAutoIpEnabled; }

private:
    QString m_macAddress;
    std::array<AttributedText, kAddressKinds.size()> m_addresses;
    QString m_modelName;
    QString m_serialNumber;
    bool m_isIpv4Enabled = false;
    bool m_isIpv6Enabled = false;
    bool m_isAutoIpEnabled = false;
    Pages m_pages;
};

// The rows of the table in display order.
using ObservableCameraList = QList<std::shared_ptr<ObservableCamera>>;
