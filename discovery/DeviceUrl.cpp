#include "discovery/DeviceUrl.h"

#include "discovery/ServiceText.h"

#include <QHostAddress>

std::optional<QUrl> deviceUrl(AddressClass addressClass, const QString &address,
                              const std::optional<QString> &port, Scheme scheme)
{
    const QHostAddress numeric(address);
    if (numeric.protocol() != addressKind(addressClass).protocol || !numeric.scopeId().isEmpty())
        return std::nullopt;
    std::optional<int> portNumber;
    if (port) {
        portNumber = decimalPort(*port);
        if (!portNumber)
            return std::nullopt;
    }

    QUrl url;
    url.setScheme(scheme == Scheme::https ? QStringLiteral("https") : QStringLiteral("http"));
    url.setHost(numeric.toString(), QUrl::StrictMode);
    if (portNumber)
        url.setPort(*portNumber);
    if (!url.isValid())
        return std::nullopt;
    return url;
}

std::optional<QUrl> pageUrl(const Camera &camera, AddressClass addressClass)
{
    const AddressKind &kind = addressKind(addressClass);
    const QString &address = camera.*kind.address;
    if (camera.*kind.isHttpsEnabled && camera.httpsPort) {
        if (auto url = deviceUrl(addressClass, address, camera.httpsPort, Scheme::https))
            return url;
    }
    if (camera.*kind.isHttpEnabled && camera.httpPort) {
        if (auto url = deviceUrl(addressClass, address, camera.httpPort, Scheme::http))
            return url;
    }
    return deviceUrl(addressClass, address, std::nullopt, Scheme::http);
}
