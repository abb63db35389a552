#pragma once

#include "platform/DnsSd.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

// A DnsSdService whose answers the test sets and whose signals the test emits by hand
// (`Q_EMIT service->resolved()`). It records the calls made on it.
class FakeDnsSdService : public DnsSdService
{
    Q_OBJECT
public:
    explicit FakeDnsSdService(QString name = QStringLiteral("Camera"))
        : instanceName(std::move(name))
    {
    }

    QString name() const override { return instanceName; }
    QString type() const override { return QStringLiteral("_http._tcp"); }
    QString domain() const override { return QStringLiteral("local."); }
    void resolve(double timeoutSeconds) override { resolveTimeouts.append(timeoutSeconds); }
    void startMonitoring() override { ++monitoringStarts; }
    QList<QByteArray> addresses() const override { return socketAddresses; }
    QString hostName() const override { return host; }
    quint16 port() const override { return srvPort; }

    QString instanceName;
    QList<QByteArray> socketAddresses;
    QString host;
    quint16 srvPort = 0;

    QList<double> resolveTimeouts;
    int monitoringStarts = 0;
};

// A DnsSdBrowser that records its calls in `log` (shared with its factory, so the record outlives
// the browser): "search <type> <domain>", "stop", "deleted". The test reports services with
// `Q_EMIT serviceFound`.
class FakeDnsSdBrowser : public DnsSdBrowser
{
    Q_OBJECT
public:
    explicit FakeDnsSdBrowser(
        std::shared_ptr<QStringList> sharedLog = std::make_shared<QStringList>())
        : log(std::move(sharedLog))
    {
    }
    ~FakeDnsSdBrowser() override { log->append(QStringLiteral("deleted")); }

    void searchForServicesOfType(const QString &type, const QString &domain) override
    {
        log->append(QStringLiteral("search %1 %2").arg(type, domain));
    }
    void stop() override { log->append(QStringLiteral("stop")); }

    std::shared_ptr<QStringList> log;
};

// Hands out FakeDnsSdBrowsers, all logging into `log`, and remembers each one it made (null once
// its owner deleted it).
class FakeDnsSdBrowserFactory
{
public:
    DnsSdBrowserFactory factory()
    {
        return [this] {
            auto browser = std::make_unique<FakeDnsSdBrowser>(log);
            made.append(browser.get());
            return std::unique_ptr<DnsSdBrowser>(std::move(browser));
        };
    }
    FakeDnsSdBrowser *last() const { return made.isEmpty() ? nullptr : made.last().data(); }

    std::shared_ptr<QStringList> log = std::make_shared<QStringList>();
    QList<QPointer<FakeDnsSdBrowser>> made;
};
