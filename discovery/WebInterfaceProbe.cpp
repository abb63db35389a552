// The web-interface probes of Model: one GET of the administration path per address and scheme.

#include "discovery/Model.h"
#include "discovery/ProbeQueue.h"
#include "discovery/ServiceText.h"

#include <QHostAddress>
#include <QPointer>

QUrl Model::makeProbeUrl(const QString &host, const QString &port, bool isHttps)
{
    QString address = host;
    if (address.startsWith(QLatin1Char('[')) && address.endsWith(QLatin1Char(']')))
        address = address.mid(1, address.size() - 2);
    const QHostAddress numeric(address);
    const std::optional<int> portNumber = decimalPort(port);
    if (numeric.isNull() || !numeric.scopeId().isEmpty() || !portNumber)
        return {};

    // Built part by part, never by pasting text, so nothing announced can change the target.
    QUrl url;
    url.setScheme(isHttps ? QStringLiteral("https") : QStringLiteral("http"));
    url.setHost(numeric.toString(), QUrl::StrictMode);
    url.setPort(*portNumber);
    const qsizetype question = probePathAndQuery.indexOf(QLatin1Char('?'));
    url.setPath(probePathAndQuery.left(question), QUrl::StrictMode);
    url.setQuery(probePathAndQuery.mid(question + 1), QUrl::StrictMode);
    return url.isValid() ? url : QUrl();
}

void Model::probeIpv4(const QString &address, const QString &port, bool isHttps,
                      qsizetype cameraIndex)
{
    launchProbe(address, address, port, isHttps, cameraIndex, &Model::applyIpv4Result);
}

void Model::probeIpv6(const QString &address, const QString &port, bool isHttps,
                      qsizetype cameraIndex)
{
    launchProbe(address, QLatin1Char('[') + address + QLatin1Char(']'), port, isHttps, cameraIndex,
                &Model::applyIpv6Result);
}

void Model::probeAutoIp(const QString &address, const QString &port, bool isHttps,
                        qsizetype cameraIndex)
{
    launchProbe(address, address, port, isHttps, cameraIndex, &Model::applyAutoIpResult);
}

void Model::launchProbe(const QString &address, const QString &host, const QString &port,
                        bool isHttps, qsizetype cameraIndex, ResultStep resultStep)
{
    if (address == placeholderText)
        return;
    const QUrl url = makeProbeUrl(host, port, isHttps);
    if (url.isEmpty())
        return;

    ++probesOfSearch;
    const quint64 probeSearch = search;
    // The model may be gone when the answer comes (the window closed): then it is dropped.
    QPointer<Model> model = this;
    probes->enqueue(
        url, probeTimeout,
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
    if (probeSearch != search || probesOfSearch == 0)
        return;
    if (--probesOfSearch == 0)
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
    if (probeSearch != search)
        return;
    if (cameraIndex < 0 || cameraIndex >= _cameraList.size())
        return;
    const bool answered = statusCode == 200 || statusCode == 401;
    changeCameraList(
        [&](CameraList &list) { list[cameraIndex].*(isHttps ? httpsFlag : httpFlag) = answered; });
}
