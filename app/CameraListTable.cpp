#include "app/CameraListTable.h"

#include "discovery/Model.h"
#include "table/CameraListTableController.h"
#include "table/CameraTableView.h"
#include "table/DisplayedCameraList.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>

namespace
{
// A link only when the web interface answered there, and never on the placeholder.
AttributedText addressText(const QString &address, bool isLink)
{
    const bool underlined = isLink && address != placeholderText;
    return attributedText(address, underlined ? underlineAttributes : TextAttributes{});
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

AttributedText attributedText(const QString &text, TextAttributes attributes)
{
    return {text, attributes.underlineStyle != 0};
}

CameraListTable::CameraListTable(Model &model, QWidget *parent, UpdatePacing pacing)
    : QWidget(parent)
    , m_model(model)
    , m_controller(new CameraListTableController(this, this))
    , m_pacing(std::move(pacing))
{
    if (!m_pacing.now) {
        m_pacing.now = [clock = std::make_shared<QElapsedTimer>()] {
            if (!clock->isValid())
                clock->start();
            return std::chrono::milliseconds(clock->elapsed());
        };
    }
    if (!m_pacing.schedule) {
        m_pacing.schedule = [this](std::chrono::milliseconds delay, std::function<void()> run) {
            QTimer::singleShot(delay, this, std::move(run));
        };
    }

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_controller->view());

    connect(&m_model, &Model::objectWillChange, this, &CameraListTable::scheduleUpdate);
    scheduleUpdate();
}

CameraListTable::~CameraListTable() = default;

void CameraListTable::scheduleUpdate()
{
    // The announcement comes before the model stores the new value: read it on a later turn.
    if (m_isUpdateScheduled)
        return;
    m_isUpdateScheduled = true;
    const std::chrono::milliseconds now = m_pacing.now();
    if (!m_lastUpdate || now - *m_lastUpdate >= m_pacing.interval) {
        QMetaObject::invokeMethod(this, &CameraListTable::runScheduledUpdate, Qt::QueuedConnection);
        return;
    }
    // The callback may outlive this widget with an injected scheduler: guard it.
    m_pacing.schedule(*m_lastUpdate + m_pacing.interval - now,
                      [self = QPointer<CameraListTable>(this)] {
                          if (self)
                              self->runScheduledUpdate();
                      });
}

void CameraListTable::runScheduledUpdate()
{
    m_isUpdateScheduled = false;
    m_lastUpdate = m_pacing.now();
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
