#include "platform/widearea/UnicastResolver.h"

#include <QPointer>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <arpa/nameser.h>
#include <netinet/in.h>
#include <resolv.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>

namespace
{

std::vector<DnsAnswerRecord> query(const QByteArray &name, int type)
{
    struct __res_state state;
    std::memset(&state, 0, sizeof state);
    if (res_ninit(&state) != 0)
        return {};
    state.retrans = std::min(state.retrans, kQueryTimeoutSeconds);
    state.retry = std::min(state.retry, kQueryTries);
    std::vector<unsigned char> answer(65536);
    const int length =
        res_nquery(&state, name.constData(), ns_c_in, type, answer.data(), int(answer.size()));
    res_nclose(&state);
    if (length <= 0 || length > int(answer.size()))
        return {};
    return parseDnsAnswer(QByteArray(reinterpret_cast<const char *>(answer.data()), length), type);
}

class SystemResolver : public UnicastResolver
{
public:
    SystemResolver() { m_pool.setMaxThreadCount(kMaxQueriesInFlight); }

    void ask(const QByteArray &name, int type, QObject *receiver, Answer done) override
    {
        // The pool thread reads `wanted`, so that a question of a search that has ended is never
        // sent; the receiver itself is only touched on its own thread.
        auto wanted = std::make_shared<std::atomic_bool>(true);
        // The continuation's context must outlive the query, which the receiver need not: one
        // of its own, gone with the answer.
        auto *context = new QObject;
        QObject::connect(receiver, &QObject::destroyed, context, [wanted] { *wanted = false; });
        QtConcurrent::run(&m_pool,
                          [name, type, wanted] {
                              return *wanted ? query(name, type) : std::vector<DnsAnswerRecord>();
                          })
            .then(context, [context, target = QPointer<QObject>(receiver),
                            done = std::move(done)](const std::vector<DnsAnswerRecord> &records) {
                context->deleteLater();
                if (target)
                    done(records);
            });
    }

private:
    QThreadPool m_pool;
};

} // namespace

UnicastResolver &systemResolver()
{
    // Never destroyed: the pool's destructor would wait for queries still out at exit.
    static SystemResolver *const resolver = new SystemResolver;
    return *resolver;
}
