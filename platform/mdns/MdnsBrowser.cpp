#include "platform/mdns/MdnsBrowser.h"

#include "platform/mdns/MdnsEngine.h"

MdnsBrowser::MdnsBrowser(MdnsEngine *engine, QObject *parent)
    : DnsSdBrowser(parent)
    , m_engine(engine)
{
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
