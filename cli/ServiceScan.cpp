#include "cli/ServiceScan.h"

#include "cli/ScanOutput.h"
#include "platform/NumericHost.h"
#include "platform/TxtRecord.h"

#include <chrono>

ServiceScan::ServiceScan(DnsSdBrowserFactory browserFactory, const ScanOptions &scanOptions,
                         Print printLine, Model::OneShotTimer oneShotTimer, QObject *parent)
    : QObject(parent)
    , makeBrowser(std::move(browserFactory))
    , options(scanOptions)
    , print(std::move(printLine))
    , scheduleOneShot(std::move(oneShotTimer))
{
}

ServiceScan::~ServiceScan() = default;

void ServiceScan::start()
{
    browser = makeBrowser();
    connect(browser.get(), &DnsSdBrowser::serviceFound, this,
            [this](std::shared_ptr<DnsSdService> service, bool) { found(service); });
    browser->searchForServicesOfType(options.serviceType, QString());
    const auto duration = std::chrono::milliseconds(qRound64(options.timeSeconds * 1000.0));
    scheduleOneShot(duration, [this] {
        browser->stop();
        browser.reset();
        services.clear();
        Q_EMIT finished();
    });
}

void ServiceScan::found(const std::shared_ptr<DnsSdService> &service)
{
    if (!service)
        return;
    services.append(service);
    DnsSdService *raw = service.get();
    connect(raw, &DnsSdService::resolved, this, [raw] { raw->startMonitoring(); });
    // The first TXT report completes the resolution as the user sees it; later changes of the
    // same record are not repeated.
    connect(
        raw, &DnsSdService::txtRecordChanged, this,
        [this, raw](const QByteArray &txtRecord) { report(raw, txtRecord); },
        Qt::SingleShotConnection);
    raw->resolve(options.timeSeconds);
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
    print(serviceLine(line, options.json));
}
