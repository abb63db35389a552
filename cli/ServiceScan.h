#pragma once

#include "cli/ScanOptions.h"
#include "platform/DnsSd.h"

#include <QObject>

#include <functional>
#include <memory>

class OneShotTimer;

// `vindra-scan --services`: browses one service type for a fixed time and prints each service
// the moment it is resolved and its TXT record is known (one line each). Emits finished() when
// the browse time is over, also when the factory gave no browser (then nothing is printed).
class ServiceScan : public QObject
{
    Q_OBJECT
public:
    using Print = std::function<void(const QString &line)>;

    // A null `timer`: a QtOneShotTimer.
    ServiceScan(DnsSdBrowserFactory browserFactory, const ScanOptions &options, Print print,
                std::unique_ptr<OneShotTimer> timer = nullptr, QObject *parent = nullptr);
    ~ServiceScan() override;

    void start();
    // What the browser's sockets could set up (see DnsSdBrowser::socketReport), kept once the
    // browse is over.
    std::optional<DnsSdSocketReport> socketReport() const
    {
        return m_browser ? m_browser->socketReport() : m_socketReport;
    }

Q_SIGNALS:
    void finished();

private:
    void found(const std::shared_ptr<DnsSdService> &service);
    void report(DnsSdService *service, const QByteArray &txtRecord);
    void stop();

    DnsSdBrowserFactory m_makeBrowser;
    ScanOptions m_options;
    Print m_print;
    std::unique_ptr<OneShotTimer> m_timer;
    std::unique_ptr<DnsSdBrowser> m_browser;
    QList<std::shared_ptr<DnsSdService>> m_services;
    std::optional<DnsSdSocketReport> m_socketReport;
};
