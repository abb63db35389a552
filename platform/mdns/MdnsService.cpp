#include "platform/mdns/MdnsService.h"

#include "platform/mdns/DnsName.h"
#include "platform/mdns/MdnsEngine.h"

MdnsService::MdnsService(MdnsEngine *engine, const std::string &instanceName, const QString &type,
                         const QString &domain)
    : m_engine(engine)
    , m_name(QString::fromStdString(dns::firstLabel(instanceName)))
    , m_type(type)
    , m_domain(domain)
{
    if (m_engine)
        m_serviceId = m_engine->addService(this, instanceName);
}

MdnsService::~MdnsService()
{
    if (m_engine)
        m_engine->removeService(m_serviceId);
}

void MdnsService::resolve(double timeoutSeconds)
{
    if (m_engine)
        m_engine->resolve(m_serviceId, timeoutSeconds);
}

void MdnsService::startMonitoring()
{
    if (m_engine)
        m_engine->startMonitoring(m_serviceId);
}

QList<QByteArray> MdnsService::addresses() const
{
    return m_engine ? m_engine->addresses(m_serviceId) : QList<QByteArray>();
}

QString MdnsService::hostName() const
{
    return m_engine ? m_engine->hostName(m_serviceId) : QString();
}

quint16 MdnsService::port() const
{
    return m_engine ? m_engine->port(m_serviceId) : 0;
}
