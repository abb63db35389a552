#include "platform/DnsSd.h"
#include "platform/QtOneShotTimer.h"
#include "platform/SystemClock.h"
#include "platform/mdns/MdnsBrowser.h"
#include "platform/mdns/MdnsEngine.h"
#include "platform/mdns/UdpMdnsTransport.h"

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
    SystemClock m_clock;
    QtOneShotTimer m_timer;
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
