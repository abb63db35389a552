#include "table/ObservableCamera.h"

ObservableCamera::ObservableCamera(const QString &macAddress, const AttributedText &ipV4,
                                   const AttributedText &ipV6, const AttributedText &autoIp,
                                   const QString &modelName, const QString &serialNumber,
                                   bool isIpv4Enabled, bool isIpv6Enabled, bool isAutoIpEnabled)
    : m_macAddress(macAddress)
    , m_ipV4(ipV4)
    , m_ipV6(ipV6)
    , m_autoIp(autoIp)
    , m_modelName(modelName)
    , m_serialNumber(serialNumber)
    , m_isIpv4Enabled(isIpv4Enabled)
    , m_isIpv6Enabled(isIpv6Enabled)
    , m_isAutoIpEnabled(isAutoIpEnabled)
{
}
