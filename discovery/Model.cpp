#include "discovery/Model.h"

#include "discovery/ProbeQueue.h"
#include "discovery/ServiceText.h"
#include "platform/TxtRecord.h"

#include <QHostAddress>
#include <QPointer>
#include <QTimer>

#include <optional>

Model::Model(DnsSdBrowserFactory browserFactory, HttpClient &httpClient, OneShotTimer oneShotTimer,
             int probeLimit, QObject *parent)
    : QObject(parent)
    , makeBrowser(std::move(browserFactory))
    , scheduleOneShot(std::move(oneShotTimer))
    , probes(std::make_unique<ProbeQueue>(httpClient, probeLimit))
{
    if (!scheduleOneShot) {
        scheduleOneShot = [this](std::chrono::milliseconds interval,
                                 std::function<void()> callback) {
            // A coarse timer may fire up to 5 % early: the browse must last its full 5 s.
            QTimer::singleShot(interval, Qt::PreciseTimer, this, std::move(callback));
        };
    }
}

Model::~Model() = default;

void Model::setIsEnabledSearchButton(bool value)
{
    Q_EMIT objectWillChange();
    _isEnabledSearchButton = value;
}

void Model::setCameraList(CameraList value)
{
    Q_EMIT objectWillChange();
    _cameraList = std::move(value);
}

void Model::changeCameraList(const std::function<void(CameraList &)> &change)
{
    Q_EMIT objectWillChange();
    change(_cameraList);
}

void Model::startMdns()
{
    setCameraList({});

    // Results and waiting probes of the previous search must not touch the new list.
    ++search;
    probesOfSearch = 0;
    probes->clearPending();

    // The previous search's services are released; cutting their connections first makes sure
    // no TXT record of theirs reaches addCamera even if someone else still holds one of them.
    for (const auto &service : std::as_const(services))
        disconnect(service.get(), nullptr, this, nullptr);
    services.clear();

    setIsEnabledSearchButton(false);

    browser = makeBrowser();
    if (browser) {
        connect(browser.get(), &DnsSdBrowser::serviceFound, this,
                &Model::netServiceBrowserDidFindService);
        browser->searchForServicesOfType(targetDomainName, QString());
    }

    // Not kept and never cancelled. The search button stays disabled until it has fired, so
    // it ends the search that scheduled it (vindra-scan --watch waits at least 6 s too).
    scheduleOneShot(browseDuration, [this] { stopMdns(); });
}

void Model::stopMdns()
{
    if (!browser)
        return;
    browser->stop();
    setIsEnabledSearchButton(true);
    browser.reset();
}

void Model::netServiceBrowserDidFindService(std::shared_ptr<DnsSdService> service, bool moreComing)
{
    Q_UNUSED(moreComing); // every report is handled at once
    if (!service)
        return;
    services.append(service);
    DnsSdService *raw = service.get();
    connect(raw, &DnsSdService::resolved, this, [this, raw] { netServiceDidResolveAddress(raw); });
    connect(raw, &DnsSdService::txtRecordChanged, this, [this, raw](const QByteArray &txtRecord) {
        netServiceDidUpdateTxtRecordData(raw, txtRecord);
    });
    raw->resolve(resolveTimeoutSeconds);
}

void Model::netServiceDidResolveAddress(DnsSdService *service)
{
    service->startMonitoring();
}

void Model::netServiceDidUpdateTxtRecordData(DnsSdService *service, const QByteArray &txtRecord)
{
    addCamera(*service, txtRecord);
}

void Model::addCamera(const DnsSdService &service, const QByteArray &txtRecord)
{
    const QMap<QString, QByteArray> entries = dictionaryFromTxtRecordData(txtRecord);
    if (entries.isEmpty())
        return;

    const auto vender = entries.constFind(identifierVender);
    if (vender == entries.cend())
        return;
    const std::optional<QString> venderText = utf8Text(*vender);
    if (!venderText || *venderText != identifierTarget)
        return;

    Camera camera;

    for (const QByteArray &socketAddress : service.addresses()) {
        const QString host = numericHost(socketAddress);
        if (host.startsWith(identifierAutoIp))
            camera.autoIp = host;
        else if (host.contains(identifierIpv6))
            camera.ipv6 = host;
        else
            camera.ipv4 = host;
    }

    const auto text = [&entries](const QString &key) -> std::optional<QString> {
        const auto entry = entries.constFind(key);
        if (entry == entries.cend())
            return std::nullopt;
        return utf8Text(*entry);
    };
    if (const auto mac = text(identifierMacaddress))
        camera.macAddress = formatMacAddress(*mac);
    if (const auto serial = text(identifierSerialNumber))
        camera.serialNumber = *serial;
    if (const auto model = text(identifierModelName))
        camera.moedelName = *model;
    if (const auto device = text(identifierDevice)) {
        if (*device == QLatin1String("camera"))
            camera.device = Device::camera;
        else if (*device == QLatin1String("controller"))
            camera.device = Device::controller;
        else
            camera.device = Device::undefined;
    }
    if (const auto port = text(identifierHttpPort))
        camera.httpPort = *port;
    if (const auto port = text(identifierHttpsPort))
        camera.httpsPort = *port;

    for (const Camera &listed : std::as_const(_cameraList)) {
        if (listed.macAddress == camera.macAddress)
            return;
    }

    changeCameraList([&camera](CameraList &list) { list.append(camera); });
    const qsizetype index = _cameraList.size() - 1;

    if (camera.device == Device::controller)
        return;

    using Probe = void (Model::*)(const QString &, const QString &, bool, qsizetype);
    const auto probeAddress = [&](Probe probe, const QString &address) {
        if (camera.httpsPort)
            (this->*probe)(address, *camera.httpsPort, true, index);
        if (camera.httpPort)
            (this->*probe)(address, *camera.httpPort, false, index);
        if (!camera.httpsPort && !camera.httpPort)
            (this->*probe)(address, QStringLiteral("80"), false, index);
    };
    probeAddress(&Model::probeIpv4, camera.ipv4);
    probeAddress(&Model::probeIpv6, camera.ipv6);
    probeAddress(&Model::probeAutoIp, camera.autoIp);
}
