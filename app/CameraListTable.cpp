#include "app/CameraListTable.h"

#include "discovery/Model.h"
#include "platform/QtOneShotTimer.h"
#include "platform/SystemClock.h"
#include "table/CameraListTableController.h"
#include "table/CameraTableView.h"
#include "table/DisplayedCameraList.h"

#include <QVBoxLayout>

namespace
{
// A link only when the web interface answered there, and never on the placeholder.
AttributedText addressText(const QString &address, bool isLink)
{
    return isLink && address != placeholderText ? AttributedText::underlined(address)
                                                : AttributedText::plain(address);
}

} // namespace

ObservableCameraList CameraListTable::makeRows(const CameraList &cameras)
{
    ObservableCameraList rows;
    rows.reserve(cameras.size());
    for (const Camera &camera : cameras) {
        rows.append(std::make_shared<ObservableCamera>(
            camera.macAddress,
            addressText(camera.ipv4, camera.isIpv4Enabled || camera.isIpv4HttpsEnabled),
            addressText(camera.ipv6, camera.isIpv6Enabled || camera.isIpv6HttpsEnabled),
            // Only an HTTP answer makes an auto-IP address a link.
            addressText(camera.autoIp, camera.isAutoIpEnabled), camera.moedelName,
            camera.serialNumber, camera.isIpv4Enabled, camera.isIpv6Enabled,
            camera.isAutoIpEnabled));
    }
    return rows;
}

CameraListTable::CameraListTable(Model &model, QWidget *parent, const Clock *clock,
                                 OneShotTimer *frameTimer)
    : QWidget(parent)
    , m_model(model)
    , m_controller(new CameraListTableController(this, this))
    , m_ownClock(clock ? nullptr : std::make_unique<SystemClock>())
    , m_ownTimer(frameTimer ? nullptr : std::make_unique<QtOneShotTimer>())
    , m_clock(clock ? clock : m_ownClock.get())
    , m_frameTimer(frameTimer ? frameTimer : m_ownTimer.get())
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_controller->view());

    connect(m_frameTimer, &OneShotTimer::timeout, this, [this] {
        m_isFrameTimerRunning = false;
        runPacedUpdate();
    });
    connect(&m_model, &Model::objectWillChange, this, &CameraListTable::scheduleUpdate);
    scheduleUpdate();
}

CameraListTable::~CameraListTable() = default;

void CameraListTable::scheduleUpdate()
{
    // The announcement comes before the model stores the new value: read it on a later turn.
    if (m_isTurnQueued)
        return;
    m_isTurnQueued = true;
    QMetaObject::invokeMethod(this, &CameraListTable::takeTurn, Qt::QueuedConnection);
}

void CameraListTable::takeTurn()
{
    m_isTurnQueued = false;
    const qint64 now = m_clock->now();
    const bool isEmptied = m_model.cameraList().isEmpty() && !displayedCameraList().isEmpty();
    if (isEmptied || !m_lastUpdate || now - *m_lastUpdate >= kFrameIntervalMs) {
        m_frameTimer->stop();
        m_isFrameTimerRunning = false;
        runPacedUpdate();
    } else if (!m_isFrameTimerRunning) {
        m_isFrameTimerRunning = true;
        m_frameTimer->start(*m_lastUpdate + kFrameIntervalMs - now);
    }
}

void CameraListTable::runPacedUpdate()
{
    m_lastUpdate = m_clock->now();
    updateController();
}

void CameraListTable::updateController()
{
    const CameraList &cameras = m_model.cameraList();
    // Most announcements are of the search-button flag: they must not touch the table.
    if (cameras == displayedCameraList())
        return;
    displayedCameraList() = cameras;

    const ObservableCameraList rows = makeRows(displayedCameraList());
    const ObservableCameraList &current = m_controller->list();
    // Rows are equal only when they are the same objects: in effect both lists empty.
    if (rows == current)
        return;
    if (rows.isEmpty()) {
        m_controller->setSelectedRowMac(QString());
    } else if (rows.size() != current.size()) {
        m_controller->fitIpv6ColumnWidth(rows);
        m_controller->fitModelNameColumnWidth(rows);
    }
    m_controller->setList(rows);
}
