#include "cli/CameraScan.h"

#include "cli/ScanOutput.h"
#include "platform/QtOneShotTimer.h"

namespace
{

qint64 milliseconds(double seconds)
{
    return qRound64(seconds * 1000.0);
}

std::unique_ptr<OneShotTimer> timerOrDefault(std::unique_ptr<OneShotTimer> timer)
{
    return timer ? std::move(timer) : std::make_unique<QtOneShotTimer>();
}

} // namespace

CameraScan::CameraScan(Model &model, const ScanOptions &options, Print print,
                       std::unique_ptr<OneShotTimer> waitTimer,
                       std::unique_ptr<OneShotTimer> watchTimer, QObject *parent)
    : QObject(parent)
    , m_model(model)
    , m_options(options)
    , m_print(std::move(print))
    , m_waitTimer(timerOrDefault(std::move(waitTimer)))
    , m_watchTimer(timerOrDefault(std::move(watchTimer)))
    , m_changes(model, [this] { checkComplete(); })
{
    connect(&m_model, &Model::probesSettled, &m_changes, &ChangeCoalescer::changeAnnounced);
    connect(&m_model, &Model::servicesSettled, &m_changes, &ChangeCoalescer::changeAnnounced);
    connect(m_waitTimer.get(), &OneShotTimer::timeout, this, [this] {
        if (!m_printed)
            printList();
    });
    connect(m_watchTimer.get(), &OneShotTimer::timeout, this, &CameraScan::search);
}

CameraScan::~CameraScan() = default;

void CameraScan::start()
{
    search();
}

void CameraScan::search()
{
    if (!m_printed)
        printList();
    if (m_options.count && m_searchNumber >= *m_options.count)
        return;

    ++m_searchNumber;
    m_printed = false;
    m_model.startMdns();
    m_waitTimer->start(milliseconds(m_options.waitSeconds));
    if (m_options.watchSeconds)
        m_watchTimer->start(milliseconds(*m_options.watchSeconds));
}

void CameraScan::checkComplete()
{
    if (!m_printed && m_model.isEnabledSearchButton() && m_model.unsettledServices() == 0 &&
        m_model.unsettledProbes() == 0)
        printList();
}

void CameraScan::printList()
{
    m_printed = true;
    m_waitTimer->stop();
    const CameraList &cameras = m_model.cameraList();
    QString text;
    if (m_options.json) {
        for (qsizetype index = 0; index < cameras.size(); ++index)
            text +=
                cameraJson(cameras.at(index), m_model.uncheckedFlags(index)) + QLatin1Char('\n');
        if (m_options.watchSeconds)
            text += QStringLiteral("{\"search\":%1,\"devices\":%2}\n")
                        .arg(m_searchNumber)
                        .arg(cameras.size());
    } else {
        if (m_options.watchSeconds)
            text += QStringLiteral("# search %1\n").arg(m_searchNumber);
        text += cameraTable(cameras);
    }
    if (!text.isEmpty())
        m_print(text);
    if (cameras.isEmpty())
        Q_EMIT nothingFound();
    if (!m_options.watchSeconds || (m_options.count && m_searchNumber >= *m_options.count))
        Q_EMIT finished();
}
