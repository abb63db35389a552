// The web-interface probes of Model: one GET of the administration path per address and scheme,
// and the flags their answers set.

#include "discovery/Model.h"
#include "discovery/ProbeQueue.h"

#include <QPointer>

#include <algorithm>

std::optional<QUrl> Model::makeProbeUrl(AddressClass addressClass, const QString &address,
                                        const QString &port, bool isHttps)
{
    std::optional<QUrl> url =
        deviceUrl(addressClass, address, port, isHttps ? Scheme::https : Scheme::http);
    if (!url)
        return std::nullopt;
    url->setPath(QLatin1String(kProbePath), QUrl::StrictMode);
    url->setQuery(QLatin1String(kProbeQuery), QUrl::StrictMode);
    return url;
}

void Model::probeIpv4(const QString &address, const QString &port, bool isHttps,
                      qsizetype cameraIndex)
{
    launchProbe(AddressClass::ipv4, address, port, isHttps, cameraIndex);
}

void Model::probeIpv6(const QString &address, const QString &port, bool isHttps,
                      qsizetype cameraIndex)
{
    launchProbe(AddressClass::ipv6, address, port, isHttps, cameraIndex);
}

void Model::probeAutoIp(const QString &address, const QString &port, bool isHttps,
                        qsizetype cameraIndex)
{
    launchProbe(AddressClass::autoIp, address, port, isHttps, cameraIndex);
}

void Model::probeAddresses(const Camera &camera, qsizetype cameraIndex)
{
    // Per address: HTTPS on the HTTPS port, HTTP on the HTTP port, or HTTP on 80 when the device
    // announced neither.
    for (const AddressKind &kind : kAddressKinds) {
        const QString &address = camera.*kind.address;
        if (camera.httpsPort)
            launchProbe(kind.addressClass, address, *camera.httpsPort, true, cameraIndex);
        if (camera.httpPort)
            launchProbe(kind.addressClass, address, *camera.httpPort, false, cameraIndex);
        if (!camera.httpsPort && !camera.httpPort)
            launchProbe(kind.addressClass, address, QStringLiteral("80"), false, cameraIndex);
    }
}

void Model::launchProbe(AddressClass addressClass, const QString &address, const QString &port,
                        bool isHttps, qsizetype cameraIndex)
{
    if (address == placeholderText)
        return;
    const std::optional<QUrl> url = makeProbeUrl(addressClass, address, port, isHttps);
    if (!url)
        return;

    ++m_probesOfSearch;
    const AddressKind &kind = addressKind(addressClass);
    bool Camera::*flag = isHttps ? kind.isHttpsEnabled : kind.isHttpEnabled;
    m_uncheckedFlags.emplace(cameraIndex, flag);
    const quint64 probeSearch = m_search;
    // The model may be gone when the answer comes (the window closed): then it is dropped.
    QPointer<Model> model = this;
    m_probes->enqueue(*url, kProbeTimeout,
                      [model, probeSearch, addressClass, isHttps, cameraIndex,
                       flag](std::optional<int> statusCode) {
                          if (!model)
                              return;
                          if (statusCode)
                              model->applyResult(addressClass, *statusCode, isHttps, cameraIndex,
                                                 probeSearch);
                          if (model)
                              model->probeSettled(probeSearch, cameraIndex, flag);
                      });
}

void Model::probeSettled(quint64 probeSearch, qsizetype cameraIndex, bool Camera::*flag)
{
    if (probeSearch != m_search || m_probesOfSearch == 0)
        return;
    const auto [first, last] = m_uncheckedFlags.equal_range(cameraIndex);
    const auto found =
        std::find_if(first, last, [flag](const auto &entry) { return entry.second == flag; });
    if (found != last)
        m_uncheckedFlags.erase(found);
    if (--m_probesOfSearch == 0)
        Q_EMIT probesSettled();
}

QList<bool Camera::*> Model::uncheckedFlags(qsizetype cameraIndex) const
{
    QList<bool Camera::*> flags;
    const auto [first, last] = m_uncheckedFlags.equal_range(cameraIndex);
    for (auto entry = first; entry != last; ++entry)
        flags.append(entry->second);
    return flags;
}

void Model::applyIpv4Result(int statusCode, bool isHttps, qsizetype cameraIndex,
                            quint64 probeSearch)
{
    applyResult(AddressClass::ipv4, statusCode, isHttps, cameraIndex, probeSearch);
}

void Model::applyIpv6Result(int statusCode, bool isHttps, qsizetype cameraIndex,
                            quint64 probeSearch)
{
    applyResult(AddressClass::ipv6, statusCode, isHttps, cameraIndex, probeSearch);
}

void Model::applyAutoIpResult(int statusCode, bool isHttps, qsizetype cameraIndex,
                              quint64 probeSearch)
{
    applyResult(AddressClass::autoIp, statusCode, isHttps, cameraIndex, probeSearch);
}

void Model::applyResult(AddressClass addressClass, int statusCode, bool isHttps,
                        qsizetype cameraIndex, quint64 probeSearch)
{
    // An answer of an earlier search would land on whatever camera now stands at that index.
    if (probeSearch != m_search)
        return;
    if (cameraIndex < 0 || cameraIndex >= _cameraList.size())
        return;
    const AddressKind &kind = addressKind(addressClass);
    bool Camera::*flag = isHttps ? kind.isHttpsEnabled : kind.isHttpEnabled;
    const bool answered = statusCode == 200 || statusCode == 401;
    changeCameraList([&](CameraList &list) { list[cameraIndex].*flag = answered; });
}
