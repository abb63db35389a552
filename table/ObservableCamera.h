#pragma once

#include "table/AttributedText.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <memory>
#include <optional>

// One camera in one row of the camera table. The table, its model and the column sort read a
// row by key ("macAddress", "ipV4.string", ...), never the Camera record behind it.
//
// Rows are held by shared pointer and compared by identity: two rows built from equal Camera
// records are different rows. The class therefore has no value comparison and cannot be copied.
class ObservableCamera
{
public:
    ObservableCamera(const QString &macAddress, const AttributedText &ipV4,
                     const AttributedText &ipV6, const AttributedText &autoIp,
                     const QString &modelName, const QString &serialNumber, bool isIpv4Enabled,
                     bool isIpv6Enabled, bool isAutoIpEnabled);
    ObservableCamera(const ObservableCamera &) = delete;
    ObservableCamera &operator=(const ObservableCamera &) = delete;

    QString macAddress() const { return m_macAddress; }
    void setMacAddress(const QString &macAddress) { m_macAddress = macAddress; }
    AttributedText ipV4() const { return m_ipV4; }
    void setIpV4(const AttributedText &ipV4) { m_ipV4 = ipV4; }
    AttributedText ipV6() const { return m_ipV6; }
    void setIpV6(const AttributedText &ipV6) { m_ipV6 = ipV6; }
    AttributedText autoIp() const { return m_autoIp; }
    void setAutoIp(const AttributedText &autoIp) { m_autoIp = autoIp; }
    QString modelName() const { return m_modelName; }
    void setModelName(const QString &modelName) { m_modelName = modelName; }
    QString serialNumber() const { return m_serialNumber; }
    void setSerialNumber(const QString &serialNumber) { m_serialNumber = serialNumber; }

    // The HTTP answer flags of the Camera record, per address. Set once; the table never reads
    // them.
    bool isIpv4Enabled() const { return m_isIpv4Enabled; }
    bool isIpv6Enabled() const { return m_isIpv6Enabled; }
    bool isAutoIpEnabled() const { return m_isAutoIpEnabled; }

    // The plain text under a key: "macAddress", "ipV4.string", "ipV6.string", "autoIp.string",
    // "modelName" or "serialNumber". Any other key has no value.
    std::optional<QString> value(QStringView key) const;

private:
    QString m_macAddress;
    AttributedText m_ipV4;
    AttributedText m_ipV6;
    AttributedText m_autoIp;
    QString m_modelName;
    QString m_serialNumber;
    bool m_isIpv4Enabled = false;
    bool m_isIpv6Enabled = false;
    bool m_isAutoIpEnabled = false;
};

// The rows of the table in display order.
using ObservableCameraList = QList<std::shared_ptr<ObservableCamera>>;
