#pragma once

#include "cli/ScanOptions.h"
#include "discovery/Model.h"
#include "platform/DnsSd.h"

#include <QObject>

#include <functional>
#include <memory>

// `vindra-scan --services`: browses one service type for a fixed time and prints each service
// the moment it is resolved and its TXT record is known (one line each). Emits finished() when
// the browse time is over.
class ServiceScan : public QObject
{
    Q_OBJECT
public:
    using Print = std::function<void(const QString &line)>;

    ServiceScan(DnsSdBrowserFactory browserFactory, const ScanOptions &options, Print print,
                Model::OneShotTimer oneShotTimer, QObject *parent = nullptr);
    ~ServiceScan() override;

    void start();

Q_SIGNALS:
    void finished();

private:
    void found(const std::shared_ptr<DnsSdService> &service);
    void report(DnsSdService *service, const QByteArray &txtRecord);

    DnsSdBrowserFactory makeBrowser;
    ScanOptions options;
    Print print;
    Model::OneShotTimer scheduleOneShot;
    std::unique_ptr<DnsSdBrowser> browser;
    QList<std::shared_ptr<DnsSdService>> services;
};
