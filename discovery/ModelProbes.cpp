// The web-interface probes of Model: one GET of the administration path per address and scheme,
// and the flags their answers set.

#include "discovery/Model.h"
#include "discovery/ProbeQueue.h"

#include <QPointer>

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
    launchProbe(AddressClass::ipv4, address, port, isHttps, cameraIndex, &Model::applyIpv4Result);
}

void Model::probeIpv6(const QString &address, const QString &port, bool isHttps,
                      qsizetype cameraIndex)
{
    launchProbe(AddressClass::ipv6, address, port, isHttps, cameraIndex, &Model::applyIpv6Result);
}

void Model::probeAutoIp(const QString &address, const QString &port, bool isHttps,
                        qsizetype cameraIndex)
{
    launchProbe(AddressClass::autoIp, address, port, isHttps, cameraIndex,
                &Model::applyAutoIpResult);
}

void Model::launchProbe(AddressClass addressClass, const QString &address, const QString &port,
                        bool isHttps, qsizetype cameraIndex, ResultStep resultStep)
{
    if (address == placeholderText)
        return;
    const std::optional<QUrl> url = makeProbeUrl(addressClass, address, port, isHttps);
    if (!url)
        return;

    ++m_probesOfSearch;
    const quint64 probeSearch = m_search;
    // The model may be gone when the answer comes (the window closed): then it is dropped.
    QPointer<Model> model = this;
    m_probes->enqueue(
        *url, kProbeTimeout,
        [model, probeSearch, resultStep, isHttps, cameraIndex](std::optional<int> statusCode) {
            if (!model)
                return;
            if (statusCode)
                (model->*resultStep)(*statusCode, isHttps, cameraIndex, probeSearch);
            if (model)
                model->probeSettled(probeSearch);
        });
}

void Model::probeSettled(quint64 probeSearch)
{
    if (probeSearch != m_search || m_probesOfSearch == 0)
        return;
    if (--m_probesOfSearch == 0)
        Q_EMIT probesSettled();
}

void Model::applyIpv4Result(int statusCode, bool isHttps, qsizetype cameraIndex,
                            quint64 probeSearch)
{
    applyResult(statusCode, isHttps, cameraIndex, probeSearch, &Camera::isIpv4Enabled,
                &Camera::isIpv4HttpsEnabled);
}

void Model::applyIpv6Result(int statusCode, bool isHttps, qsizetype cameraIndex,
                            quint64 probeSearch)
{
    applyResult(statusCode, isHttps, cameraIndex, probeSearch, &Camera::isIpv6Enabled,
                &Camera::isIpv6HttpsEnabled);
}

void Model::applyAutoIpResult(int statusCode, bool isHttps, qsizetype cameraIndex,
                              quint64 probeSearch)
{
    applyResult(statusCode, isHttps, cameraIndex, probeSearch, &Camera::isAutoIpEnabled,
                &Camera::isAutoIpHttpsEnabled);
}

void Model::applyResult(int statusCode, bool isHttps, qsizetype cameraIndex, quint64 probeSearch,
                        bool Camera::*httpFlag, bool Camera::*httpsFlag)
{
    // An answer of an earlier search would land on whatever camera now stands at that index.
    if (probeSearch != m_search)
        return;
    if (cameraIndex < 0 || cameraIndex >= _cameraList.size())
        return;
    const bool answered = statusCode == 200 || statusCode == 401;
    changeCameraList(
        [&](CameraList &list) { list[cameraIndex].*(isHttps ? httpsFlag : httpFlag) = answered; });
}
