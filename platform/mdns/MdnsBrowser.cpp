#include "platform/mdns/MdnsBrowser.h"

#include "platform/mdns/MdnsEngine.h"

MdnsBrowser::MdnsBrowser(MdnsEngine *engine, QObject *parent)
    : DnsSdBrowser(parent)
    , m_engine(engine)
{
    if (m_engine) {
        connect(m_engine, &MdnsEngine::socketReportChanged, this, [this] {
            if (m_browseId != 0)
                Q_EMIT socketReportChanged();
        });
    }
}

std::optional<DnsSdSocketReport> MdnsBrowser::socketReport() const
{
    if (!m_engine)
        return std::nullopt;
    return m_engine->socketReport();
}

MdnsBrowser::~MdnsBrowser()
{
    stop();
}

void MdnsBrowser::searchForServicesOfType(const QString &type, const QString &domain)
{
    stop();
    if (m_engine)
        m_browseId = m_engine->startBrowse(this, type, domain);
}

void MdnsBrowser::stop()
{
    if (m_engine && m_browseId != 0)
        m_engine->stopBrowse(m_browseId);
    m_browseId = 0;
}
