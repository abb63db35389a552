#include "cli/ServiceScan.h"

#include "cli/ScanOutput.h"
#include "platform/NumericHost.h"
#include "platform/QtOneShotTimer.h"
#include "platform/TxtRecord.h"

ServiceScan::ServiceScan(DnsSdBrowserFactory browserFactory, const ScanOptions &options,
                         Print print, std::unique_ptr<OneShotTimer> timer, QObject *parent)
    : QObject(parent)
    , m_makeBrowser(std::move(browserFactory))
    , m_options(options)
    , m_print(std::move(print))
    , m_timer(timer ? std::move(timer) : std::make_unique<QtOneShotTimer>())
{
    connect(m_timer.get(), &OneShotTimer::timeout, this, &ServiceScan::stop);
}

ServiceScan::~ServiceScan() = default;

void ServiceScan::start()
{
    m_browser = m_makeBrowser();
    if (m_browser) {
        connect(m_browser.get(), &DnsSdBrowser::serviceFound, this,
                [this](std::shared_ptr<DnsSdService> service, bool) { found(service); });
        m_browser->searchForServicesOfType(m_options.serviceType, QString());
    }
    m_timer->start(qRound64(m_options.timeSeconds * 1000.0));
}

void ServiceScan::stop()
{
    if (m_browser) {
        m_browser->stop();
        m_socketReport = m_browser->socketReport();
    }
    m_browser.reset();
    m_services.clear();
    Q_EMIT finished();
}

void ServiceScan::found(const std::shared_ptr<DnsSdService> &service)
{
    if (!service)
        return;
    m_services.append(service);
    DnsSdService *raw = service.get();
    connect(raw, &DnsSdService::resolved, this, [raw] { raw->startMonitoring(); });
    // The first TXT report completes the resolution as the user sees it; later changes of the
    // same record are not repeated.
    connect(
        raw, &DnsSdService::txtRecordChanged, this,
        [this, raw](const QByteArray &txtRecord) { report(raw, txtRecord); },
        Qt::SingleShotConnection);
    raw->resolve(m_options.timeSeconds);
}

void ServiceScan::report(DnsSdService *service, const QByteArray &txtRecord)
{
    ServiceReport line;
    line.name = service->name();
    line.type = service->type();
    line.domain = service->domain();
    line.host = service->hostName();
    line.port = service->port();
    for (const QByteArray &address : service->addresses())
        line.addresses.append(numericHostText(address));
    line.txt = dictionaryFromTxtRecordData(txtRecord);
    m_print(serviceLine(line, m_options.json));
}
