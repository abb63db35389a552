#pragma once

#include "platform/DnsSd.h"

#include <QPointer>

#include <string>

class MdnsEngine;

// A DnsSdService of an MdnsEngine, named by its instance name in wire form. Destruction ends its
// resolution and monitoring.
class MdnsService : public DnsSdService
{
    Q_OBJECT
public:
    MdnsService(MdnsEngine *engine, const std::string &instanceName, const QString &type,
                const QString &domain);
    ~MdnsService() override;

    QString name() const override { return m_name; }
    QString type() const override { return m_type; }
    QString domain() const override { return m_domain; }
    void resolve(double timeoutSeconds) override;
    void startMonitoring() override;
    QList<QByteArray> addresses() const override;
    QString hostName() const override;
    quint16 port() const override;

private:
    QPointer<MdnsEngine> m_engine;
    int m_serviceId = 0;
    QString m_name;
    QString m_type;
    QString m_domain;
};
