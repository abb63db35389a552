#include "table/ObservableCamera.h"

ObservableCamera::ObservableCamera(const QString &macAddress, const AttributedText &ipV4,
                                   const AttributedText &ipV6, const AttributedText &autoIp,
                                   const QString &modelName, const QString &serialNumber,
                                   bool isIpv4Enabled, bool isIpv6Enabled, bool isAutoIpEnabled,
                                   const Pages &pages)
    : m_macAddress(macAddress)
    , m_addresses{ipV4, ipV6, autoIp}
    , m_modelName(modelName)
    , m_serialNumber(serialNumber)
    , m_isIpv4Enabled(isIpv4Enabled)
    , m_isIpv6Enabled(isIpv6Enabled)
    , m_isAutoIpEnabled(isAutoIpEnabled)
    , m_pages(pages)
{
}
