#include "DnsSd.h"
#include "MdnsBrowser.h"
#include "MdnsEngine.h"
#include "QtMdnsTimer.h"
#include "SystemMdnsClock.h"
#include "UdpMdnsTransport.h"

#include <QCoreApplication>
#include <QPointer>
#include <QRandomGenerator>

namespace
{

// The process's one querier with its sockets, clock and timer. It lives as long as the
// application object, created by the first browser.
class ProcessMdnsEngine : public QObject
{
public:
    explicit ProcessMdnsEngine(QObject *parent)
        : QObject(parent)
        , m_engine(&m_transport, &m_clock, &m_timer,
                   [] { return QRandomGenerator::global()->generate(); })
    {
    }

    MdnsEngine *engine() { return &m_engine; }

private:
    UdpMdnsTransport m_transport;
    SystemMdnsClock m_clock;
    QtMdnsTimer m_timer;
    MdnsEngine m_engine;
};

} // namespace

std::unique_ptr<DnsSdBrowser> createMdnsBrowser()
{
    static QPointer<ProcessMdnsEngine> process;
    if (!process)
        process = new ProcessMdnsEngine(QCoreApplication::instance());
    return std::make_unique<MdnsBrowser>(process->engine());
}
