#pragma once

#include "platform/DnsSd.h"

#include <QPointer>

class MdnsEngine;

// A DnsSdBrowser of an MdnsEngine. A new search stops the previous one; so do stop() and
// destruction. Every search is fresh: it reports only the instances that answer during it.
class MdnsBrowser : public DnsSdBrowser
{
    Q_OBJECT
public:
    explicit MdnsBrowser(MdnsEngine *engine, QObject *parent = nullptr);
    ~MdnsBrowser() override;

    void searchForServicesOfType(const QString &type, const QString &domain) override;
    void stop() override;
    std::optional<DnsSdSocketReport> socketReport() const override;

private:
    QPointer<MdnsEngine> m_engine;
    int m_browseId = 0;
};
