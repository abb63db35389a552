#include "platform/DnsSd.h"
#include "platform/widearea/UnicastDnsSd.h"

namespace
{

// Multicast and unicast side by side: each reports on its own, so a slow or silent DNS server
// never holds back what mDNS finds.
class DefaultBrowser : public DnsSdBrowser
{
public:
    explicit DefaultBrowser(const QString &onlyDomain)
        : m_onlyDomain(onlyDomain)
        , m_mdns(createMdnsBrowser())
        , m_unicast(createUnicastBrowser())
    {
        for (DnsSdBrowser *browser : {m_mdns.get(), m_unicast.get()})
            connect(browser, &DnsSdBrowser::serviceFound, this, &DnsSdBrowser::serviceFound);
        connect(m_mdns.get(), &DnsSdBrowser::socketReportChanged, this,
                &DnsSdBrowser::socketReportChanged);
    }

    // Only multicast has sockets of its own; unicast goes through the system's resolver.
    std::optional<DnsSdSocketReport> socketReport() const override
    {
        return m_mdns->socketReport();
    }

    void searchForServicesOfType(const QString &type, const QString &asked) override
    {
        const QString domain = m_onlyDomain.isEmpty() ? asked : m_onlyDomain;
        const bool local = domain.compare(QLatin1String("local."), Qt::CaseInsensitive) == 0 ||
                           domain.compare(QLatin1String("local"), Qt::CaseInsensitive) == 0;
        if (domain.isEmpty() || local)
            m_mdns->searchForServicesOfType(type, domain);
        if (!local)
            m_unicast->searchForServicesOfType(type, domain);
    }

    void stop() override
    {
        m_mdns->stop();
        m_unicast->stop();
    }

private:
    QString m_onlyDomain;
    std::unique_ptr<DnsSdBrowser> m_mdns;
    std::unique_ptr<DnsSdBrowser> m_unicast;
};

} // namespace

std::unique_ptr<DnsSdBrowser> createUnicastBrowser()
{
    return std::make_unique<UnicastBrowser>();
}

std::unique_ptr<DnsSdBrowser> createDefaultBrowser(const QString &onlyDomain)
{
    return std::make_unique<DefaultBrowser>(onlyDomain);
}
