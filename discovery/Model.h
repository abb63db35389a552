#pragma once

#include "discovery/Camera.h"
#include "platform/DnsSd.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>

class HttpClient;
class ProbeQueue;

// The discovery state of one main window: the running browse, the services it reported, the
// published camera list and the published enabled state of the search button.
//
// A search (startMdns) browses "_http._tcp" for five seconds, resolves every service it hears of,
// monitors each resolved service's TXT record, lists the maker's devices (addCamera) and probes
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
    // Schedules `callback` once after `interval` on the main loop.
    using OneShotTimer =
        std::function<void(std::chrono::milliseconds interval, std::function<void()> callback)>;

    // Probes in flight at most (see ProbeQueue for why there is a bound at all). An address that
    // does not answer ARP/NDP holds its neighbour entry and its probes for several seconds. 256
    // keeps such entries at a quarter of the kernel's 1024 even when every address is dead, so
    // the host's other neighbours (its router) keep their place. Measured on the simulated
    // network with 1000 devices, the live devices' probes settle within a fifth of the
    // unbounded time with 5 % or 20 % dead devices; with 128 they take up to 2.5 times as long,
    // with 64 up to 5 times. With every device answering the bound makes no difference.
    static constexpr int defaultProbeLimit = 256;

    // The process's mDNS querier, the shared HTTP client and QTimer.
    explicit Model(QObject *parent = nullptr);
    // An empty `oneShotTimer` means QTimer::singleShot.
    Model(DnsSdBrowserFactory browserFactory, HttpClient &httpClient,
          OneShotTimer oneShotTimer = {}, int probeLimit = defaultProbeLimit,
          QObject *parent = nullptr);
    ~Model() override;

    bool isEnabledSearchButton() const { return _isEnabledSearchButton; }
    const CameraList &cameraList() const { return _cameraList; }

    // Starts a search: empties cameraList and services, disables the search button, browses
    // targetDomainName in the default domains and ends the browse with stopMdns after 5.0 s.
    void startMdns();
    // Ends the browse and enables the search button. Services already found go on resolving and
    // reporting TXT records until the next search; without a browse it changes nothing.
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

    // The probe URL for `host` (an IPv6 address in brackets) and `port`; an invalid QUrl when the
    // host is not a numeric address or the port is not a decimal number from 1 to 65535.
    static QUrl makeProbeUrl(const QString &host, const QString &port, bool isHttps);

    // Probe results of the search `search`: 200 and 401 set the flag, any other status clears it.
    // A result of an earlier search, or for an index outside cameraList, is dropped.
    void applyIpv4Result(int statusCode, bool isHttps, qsizetype cameraIndex, quint64 probeSearch);
    void applyIpv6Result(int statusCode, bool isHttps, qsizetype cameraIndex, quint64 probeSearch);
    void applyAutoIpResult(int statusCode, bool isHttps, qsizetype cameraIndex,
                           quint64 probeSearch);

    // The running search, counted from 1 by startMdns.
    quint64 currentSearch() const { return search; }
    // Probes of the current search that have not completed (waiting or in flight).
    int unsettledProbes() const { return probesOfSearch; }

    // Constants of the protocol, read by the code that uses them.
private:
    bool _isEnabledSearchButton = true;
    CameraList _cameraList;
    std::unique_ptr<DnsSdBrowser> browser;

public:
    const QString targetDomainName = QStringLiteral("_http._tcp");

private:
    QList<std::shared_ptr<DnsSdService>> services;

public:
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

    static constexpr std::chrono::milliseconds browseDuration{5000};
    static constexpr double resolveTimeoutSeconds = 10.0;
    static constexpr std::chrono::milliseconds probeTimeout{60000};
    inline static const QString probePathAndQuery = QStringLiteral("/admin/-set-?el=aa00");

Q_SIGNALS:
    // Announces an assignment to isEnabledSearchButton or cameraList that is about to happen.
    void objectWillChange();
    // The last unsettled probe of the current search has completed.
    void probesSettled();

private:
    // The delegate steps of the browser and of each service.
    void netServiceBrowserDidFindService(std::shared_ptr<DnsSdService> service, bool moreComing);
    void netServiceDidResolveAddress(DnsSdService *service);
    void netServiceDidUpdateTxtRecordData(DnsSdService *service, const QByteArray &txtRecord);

    void setIsEnabledSearchButton(bool value);
    void setCameraList(CameraList value);
    // An in-place change of the list (an appended camera, one flag of one camera).
    void changeCameraList(const std::function<void(CameraList &)> &change);

    using ResultStep = void (Model::*)(int, bool, qsizetype, quint64);
    void launchProbe(const QString &address, const QString &host, const QString &port, bool isHttps,
                     qsizetype cameraIndex, ResultStep resultStep);
    void applyResult(int statusCode, bool isHttps, qsizetype cameraIndex, quint64 probeSearch,
                     bool Camera::*httpFlag, bool Camera::*httpsFlag);
    void probeSettled(quint64 probeSearch);

    DnsSdBrowserFactory makeBrowser;
    OneShotTimer scheduleOneShot;
    std::unique_ptr<ProbeQueue> probes;
    quint64 search = 0;
    int probesOfSearch = 0;
};
