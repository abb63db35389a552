#pragma once

#include "discovery/AddressKind.h"
#include "discovery/Camera.h"
#include "discovery/DeviceUrl.h"
#include "platform/Clock.h"
#include "platform/DnsSd.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>

class HttpClient;
class ProbeQueue;

// The discovery state of one main window: the running browse, the services it reported, the
// published camera list and the published enabled state of the search button.
//
// A search (startMdns) browses "_http._tcp" for kBrowseDurationMs, resolves every service it hears
// of, monitors each resolved service's TXT record, lists the maker's devices (addCamera) and probes
// their web interfaces over HTTP and HTTPS. Everything runs on the main thread.
//
// Published properties: every assignment to isEnabledSearchButton or cameraList - also an
// in-place change of one camera and an assignment of an equal value - emits objectWillChange()
// exactly once, before the value is stored. Observers that need the new value read it on a later
// turn of the event loop (and may coalesce several announcements into one refresh).
class Model : public QObject
{
    Q_OBJECT
public:
    // Probes being opened at most (see ProbeQueue for why there is a bound at all). An address that
    // does not answer ARP/NDP holds its neighbour entry and its probes for several seconds. The
    // bound keeps such entries at a quarter of the kernel's 1024 even when every address is dead,
    // so the host's other neighbours (its router) keep their place. Measured on the simulated
    // network with 1000 devices, the live devices' probes settle within a fifth of the
    // unbounded time with 5 % or 20 % dead devices; with 128 they take up to 2.5 times as long,
    // with 64 up to 5 times. With every device answering the bound makes no difference.
    static constexpr int kDefaultProbeLimit = 256;

    // The process's mDNS querier, the shared HTTP client and a QtOneShotTimer.
    explicit Model(QObject *parent = nullptr);
    // `browseTimer` ends each browse (null: a QtOneShotTimer).
    Model(DnsSdBrowserFactory browserFactory, HttpClient &httpClient,
          std::unique_ptr<OneShotTimer> browseTimer = nullptr, int probeLimit = kDefaultProbeLimit,
          QObject *parent = nullptr);
    ~Model() override;

    bool isEnabledSearchButton() const { return _isEnabledSearchButton; }
    const CameraList &cameraList() const { return _cameraList; }

    // Starts a search: empties cameraList and services, disables the search button, browses
    // targetDomainName in the default domains and ends the browse with stopMdns after
    // kBrowseDurationMs (counted anew by each call). The previous search's probes are aborted.
    void startMdns();
    // Ends the browse and enables the search button, also when the factory gave no browser.
    // Services already found go on resolving and reporting TXT records until the next search.
    // Outside a search it changes nothing.
    void stopMdns();

    // Interprets one TXT record of `service`: the maker's device is appended to cameraList unless
    // its MAC address is listed already, then its addresses are probed.
    void addCamera(const DnsSdService &service, const QByteArray &txtRecord);

    // One probe of one address of the camera at `cameraIndex`: a GET of the administration path
    // over HTTPS or plain HTTP. No request for placeholderText, for a port that is not a decimal
    // number from 1 to 65535, or for an address that is not a numeric IP address.
    void probeIpv4(const QString &address, const QString &port, bool isHttps,
                   qsizetype cameraIndex);
    void probeIpv6(const QString &address, const QString &port, bool isHttps,
                   qsizetype cameraIndex);
    void probeAutoIp(const QString &address, const QString &port, bool isHttps,
                     qsizetype cameraIndex);

    // The probe URL: the device URL (deviceUrl) with the administration path; nothing when the
    // address is not a numeric address of its class or the port is not a decimal number from 1
    // to 65535.
    static std::optional<QUrl> makeProbeUrl(AddressClass addressClass, const QString &address,
                                            const QString &port, bool isHttps);

    // Probe results of the search `search`: 200 and 401 set the flag, any other status clears it.
    // A result of an earlier search, or for an index outside cameraList, is dropped.
    void applyIpv4Result(int statusCode, bool isHttps, qsizetype cameraIndex, quint64 probeSearch);
    void applyIpv6Result(int statusCode, bool isHttps, qsizetype cameraIndex, quint64 probeSearch);
    void applyAutoIpResult(int statusCode, bool isHttps, qsizetype cameraIndex,
                           quint64 probeSearch);

    // The running search, counted from 1 by startMdns.
    quint64 currentSearch() const { return m_search; }
    // Probes of the current search that have not completed (waiting or in flight).
    int unsettledProbes() const { return m_probesOfSearch; }
    // The flags of the camera at `cameraIndex` whose probes have not completed: false there
    // means "not known yet", not "did not answer".
    QList<bool Camera::*> uncheckedFlags(qsizetype cameraIndex) const;
    // Services of the current search that have neither reported a TXT record nor failed to
    // resolve: each may still list a camera.
    int unsettledServices() const { return int(m_unsettledServices.size()); }
    // What the sockets of the running search could set up, or of the last one once it ended;
    // nothing before the first search and for browsers without sockets of their own.
    std::optional<DnsSdSocketReport> socketReport() const
    {
        return m_browser ? m_browser->socketReport() : m_lastSocketReport;
    }

    // Constants of the protocol, read by the code that uses them.
    const QString targetDomainName = QStringLiteral("_http._tcp");
    const QString identifierTarget = QStringLiteral("tulvo");
    const QString identifierAutoIp = QStringLiteral("169.254");
    const QString identifierIpv6 = QStringLiteral(":");
    const QString identifierVender = QStringLiteral("vender");
    const QString identifierMacaddress = QStringLiteral("macaddress");
    const QString identifierSerialNumber = QStringLiteral("ser");
    const QString identifierModelName = QStringLiteral("model");
    const QString identifierDevice = QStringLiteral("device");
    const QString identifierHttpPort = QStringLiteral("http_port");
    const QString identifierHttpsPort = QStringLiteral("https_port");

    static constexpr qint64 kBrowseDurationMs = 5000;
    static constexpr double kResolveTimeoutSeconds = 10.0;
    static constexpr std::chrono::milliseconds kProbeTimeout{60000};
    static constexpr char kProbePath[] = "/admin/-set-";
    static constexpr char kProbeQuery[] = "el=aa00";

Q_SIGNALS:
    // Announces an assignment to isEnabledSearchButton or cameraList that is about to happen.
    void objectWillChange();
    // The last unsettled probe of the current search has completed.
    void probesSettled();
    // The last unsettled service of the current search has reported or failed.
    void servicesSettled();

private:
    // The delegate steps of the browser and of each service.
    void netServiceBrowserDidFindService(std::shared_ptr<DnsSdService> service, bool moreComing);
    void netServiceDidResolveAddress(DnsSdService *service);
    void netServiceDidUpdateTxtRecordData(DnsSdService *service, const QByteArray &txtRecord);

    void setIsEnabledSearchButton(bool value);
    void setCameraList(CameraList value);
    // An in-place change of the list (an appended camera, one flag of one camera).
    void changeCameraList(const std::function<void(CameraList &)> &change);

    // addCamera's steps: the record a TXT record describes (nothing for another maker's
    // service), the class a numeric address text belongs to, and the probes of a listed camera.
    std::optional<Camera> cameraFromTxtRecord(const DnsSdService &service,
                                              const QByteArray &txtRecord) const;
    AddressClass addressClassOf(const QString &host) const;
    void probeAddresses(const Camera &camera, qsizetype cameraIndex);

    // What probeIpv4 .. probeAutoIp and applyIpv4Result .. applyAutoIpResult do, for any class.
    void launchProbe(AddressClass addressClass, const QString &address, const QString &port,
                     bool isHttps, qsizetype cameraIndex);
    void applyResult(AddressClass addressClass, int statusCode, bool isHttps, qsizetype cameraIndex,
                     quint64 probeSearch);
    void probeSettled(quint64 probeSearch, qsizetype cameraIndex, bool Camera::*flag);
    void serviceSettled(DnsSdService *service);

    bool _isEnabledSearchButton = true;
    CameraList _cameraList;
    std::unique_ptr<DnsSdBrowser> m_browser;
    QList<std::shared_ptr<DnsSdService>> m_services;
    DnsSdBrowserFactory m_makeBrowser;
    std::unique_ptr<OneShotTimer> m_browseTimer;
    std::unique_ptr<ProbeQueue> m_probes;
    quint64 m_search = 0;
    int m_probesOfSearch = 0;
    std::multimap<qsizetype, bool Camera::*> m_uncheckedFlags; // by camera index
    QSet<DnsSdService *> m_unsettledServices;
    std::optional<DnsSdSocketReport> m_lastSocketReport;
};
