// The search of Model (browse, resolve, TXT monitoring) and the interpretation of each TXT record
// (addCamera). The probes are in ModelProbes.cpp, the constructor over the process's mDNS
// querier in ModelWithMdns.cpp.

#include "discovery/Model.h"

#include "discovery/ProbeQueue.h"
#include "discovery/ServiceText.h"
#include "platform/QtOneShotTimer.h"
#include "platform/TxtRecord.h"

#include <optional>

Model::Model(DnsSdBrowserFactory browserFactory, HttpClient &httpClient,
             std::unique_ptr<OneShotTimer> browseTimer, int probeLimit, QObject *parent)
    : QObject(parent)
    , m_makeBrowser(std::move(browserFactory))
    // A precise timer: a coarse one may fire up to 5 % early, and the browse must last its 5 s.
    , m_browseTimer(browseTimer ? std::move(browseTimer) : std::make_unique<QtOneShotTimer>())
    , m_probes(std::make_unique<ProbeQueue>(httpClient, probeLimit,
                                            probeOpenLimit(ProbeQueue::kMaxOut, probeLimit)))
{
    connect(m_browseTimer.get(), &OneShotTimer::timeout, this, &Model::stopMdns);
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

    // Results of the previous search must not touch the new list, and its probes must not hold
    // the places of the new search's: they are dropped, also those already sent.
    ++m_search;
    m_probesOfSearch = 0;
    m_uncheckedFlags.clear();
    m_unsettledServices.clear();
    m_probes->abandonAll();

    // The previous search's services are released; cutting their connections first makes sure
    // no TXT record of theirs reaches addCamera even if someone else still holds one of them.
    for (const auto &service : std::as_const(m_services))
        disconnect(service.get(), nullptr, this, nullptr);
    m_services.clear();

    setIsEnabledSearchButton(false);

    m_browser = m_makeBrowser();
    if (m_browser) {
        connect(m_browser.get(), &DnsSdBrowser::serviceFound, this,
                &Model::netServiceBrowserDidFindService);
        m_browser->searchForServicesOfType(targetDomainName, QString());
    }

    // One timer, restarted: a search started while another browses lasts its own five seconds.
    m_browseTimer->start(kBrowseDurationMs);
}

void Model::stopMdns()
{
    // A browse that could not start (no browser) still ends: the button comes back.
    if (!m_browser && _isEnabledSearchButton)
        return;
    m_browseTimer->stop();
    if (m_browser) {
        m_browser->stop();
        m_lastSocketReport = m_browser->socketReport();
    }
    setIsEnabledSearchButton(true);
    m_browser.reset();
}

void Model::netServiceBrowserDidFindService(std::shared_ptr<DnsSdService> service, bool moreComing)
{
    Q_UNUSED(moreComing); // every report is handled at once
    if (!service)
        return;
    m_services.append(service);
    DnsSdService *raw = service.get();
    connect(raw, &DnsSdService::resolved, this, [this, raw] { netServiceDidResolveAddress(raw); });
    connect(raw, &DnsSdService::txtRecordChanged, this, [this, raw](const QByteArray &txtRecord) {
        netServiceDidUpdateTxtRecordData(raw, txtRecord);
    });
    // Not an action on the list: only how long a caller waiting for a complete list must wait.
    m_unsettledServices.insert(raw);
    connect(raw, &DnsSdService::resolveFailed, this, [this, raw] { serviceSettled(raw); });
    raw->resolve(kResolveTimeoutSeconds);
}

void Model::netServiceDidResolveAddress(DnsSdService *service)
{
    service->startMonitoring();
}

void Model::netServiceDidUpdateTxtRecordData(DnsSdService *service, const QByteArray &txtRecord)
{
    addCamera(*service, txtRecord);
    serviceSettled(service);
}

void Model::serviceSettled(DnsSdService *service)
{
    if (m_unsettledServices.remove(service) && m_unsettledServices.isEmpty())
        Q_EMIT servicesSettled();
}

void Model::addCamera(const DnsSdService &service, const QByteArray &txtRecord)
{
    const std::optional<Camera> camera = cameraFromTxtRecord(service, txtRecord);
    if (!camera)
        return;
    for (const Camera &listed : std::as_const(_cameraList)) {
        if (listed.macAddress == camera->macAddress)
            return;
    }

    changeCameraList([&camera](CameraList &list) { list.append(*camera); });
    if (camera->device != Device::controller)
        probeAddresses(*camera, _cameraList.size() - 1);
}

std::optional<Camera> Model::cameraFromTxtRecord(const DnsSdService &service,
                                                 const QByteArray &txtRecord) const
{
    const QMap<QString, QByteArray> entries = dictionaryFromTxtRecordData(txtRecord);
    const auto text = [&entries](const QString &key) -> std::optional<QString> {
        const auto entry = entries.constFind(key);
        if (entry == entries.cend())
            return std::nullopt;
        return utf8Text(*entry);
    };
    if (text(identifierVender) != identifierTarget)
        return std::nullopt;

    Camera camera;
    // The last address of each class wins.
    for (const QByteArray &socketAddress : service.addresses()) {
        const QString host = numericHost(socketAddress);
        camera.*addressKind(addressClassOf(host)).address = host;
    }
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
    return camera;
}

AddressClass Model::addressClassOf(const QString &host) const
{
    if (host.startsWith(identifierAutoIp))
        return AddressClass::autoIp;
    if (host.contains(identifierIpv6))
        return AddressClass::ipv6;
    return AddressClass::ipv4;
}
