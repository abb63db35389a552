#include "cli/CameraScan.h"

#include "cli/ScanOutput.h"

#include <QMetaObject>

#include <chrono>

namespace
{

std::chrono::milliseconds milliseconds(double seconds)
{
    return std::chrono::milliseconds(qRound64(seconds * 1000.0));
}

} // namespace

CameraScan::CameraScan(Model &scanModel, const ScanOptions &scanOptions, Print printText,
                       Model::OneShotTimer oneShotTimer, QObject *parent)
    : QObject(parent)
    , model(scanModel)
    , options(scanOptions)
    , print(std::move(printText))
    , scheduleOneShot(std::move(oneShotTimer))
{
    // The model announces a change before it stores it: look at the result on a later turn of
    // the event loop, once for any number of announcements.
    connect(&model, &Model::objectWillChange, this, [this] {
        if (checkQueued || printed)
            return;
        checkQueued = true;
        QMetaObject::invokeMethod(this, &CameraScan::checkComplete, Qt::QueuedConnection);
    });
    connect(&model, &Model::probesSettled, this, [this] {
        if (!checkQueued && !printed) {
            checkQueued = true;
            QMetaObject::invokeMethod(this, &CameraScan::checkComplete, Qt::QueuedConnection);
        }
    });
}

void CameraScan::start()
{
    search();
}

void CameraScan::search()
{
    if (!printed)
        printList();
    if (options.count && searchNumber >= *options.count)
        return;

    const int number = ++searchNumber;
    printed = false;
    model.startMdns();
    scheduleOneShot(milliseconds(options.waitSeconds), [this, number] {
        if (number == searchNumber && !printed)
            printList();
    });
    if (options.watchSeconds)
        scheduleOneShot(milliseconds(*options.watchSeconds), [this] { search(); });
}

void CameraScan::checkComplete()
{
    checkQueued = false;
    if (!printed && model.isEnabledSearchButton() && model.unsettledProbes() == 0)
        printList();
}

void CameraScan::printList()
{
    printed = true;
    QString text;
    if (options.watchSeconds)
        text += QStringLiteral("# search %1\n").arg(searchNumber);
    if (options.json) {
        for (const Camera &camera : model.cameraList())
            text += cameraJson(camera) + QLatin1Char('\n');
    } else {
        text += cameraTable(model.cameraList());
    }
    print(text);
    if (!options.watchSeconds || (options.count && searchNumber >= *options.count))
        Q_EMIT finished();
}
