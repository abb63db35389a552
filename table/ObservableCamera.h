#pragma once

#include "table/AttributedText.h"

#include <QList>
#include <QString>

#include <memory>

// One camera in one row of the camera table. The table, its model and the column sort read a
// row through its columns (table/Columns.h), never the Camera record behind it.
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
    AttributedText ipV4() const { return m_ipV4; }
    AttributedText ipV6() const { return m_ipV6; }
    AttributedText autoIp() const { return m_autoIp; }
    QString modelName() const { return m_modelName; }
    QString serialNumber() const { return m_serialNumber; }

    // The HTTP answer flags of the Camera record, per address. Set once; the table never reads
    // them.
    bool isIpv4Enabled() const { return m_isIpv4Enabled; }
    bool isIpv6Enabled() const { return m_isIpv6Enabled; }
    bool isAutoIpEnabled() const { return m_isAutoIpEnabled; }

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
