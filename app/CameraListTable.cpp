#include "app/CameraListTable.h"

#include "discovery/DeviceUrl.h"
#include "discovery/Model.h"
#include "table/CameraListTableController.h"
#include "table/CameraTableView.h"

#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace
{

// A link when the web interface answered there (an auto-IP address: over HTTP), never on the
// placeholder.
bool isLink(const Camera &camera, const AddressKind &kind)
{
    return camera.*kind.address != placeholderText &&
           (camera.*kind.isHttpEnabled ||
            (kind.isLinkOnHttpsAnswer && camera.*kind.isHttpsEnabled));
}

std::shared_ptr<ObservableCamera> makeRow(const Camera &camera)
{
    std::array<AttributedText, kAddressKinds.size()> addresses;
    ObservableCamera::Pages pages;
    for (const AddressKind &kind : kAddressKinds) {
        const auto at = size_t(kind.addressClass);
        const bool link = isLink(camera, kind);
        addresses[at] = {camera.*kind.address, link};
        if (link)
            pages[at] = pageUrl(camera, kind.addressClass);
    }
    return std::make_shared<ObservableCamera>(
        camera.macAddress, addresses[size_t(AddressClass::ipv4)],
        addresses[size_t(AddressClass::ipv6)], addresses[size_t(AddressClass::autoIp)],
        camera.moedelName, camera.serialNumber, camera.isIpv4Enabled, camera.isIpv6Enabled,
        camera.isAutoIpEnabled, pages);
}

} // namespace

ObservableCameraList CameraListTable::makeRows(const CameraList &cameras)
{
    ObservableCameraList rows;
    rows.reserve(cameras.size());
    for (const Camera &camera : cameras)
        rows.append(makeRow(camera));
    return rows;
}

CameraListTable::CameraListTable(Model &model, QWidget *parent, const Clock *clock,
                                 std::unique_ptr<OneShotTimer> frameTimer,
                                 const ChangeCoalescer::Post &nextTurn)
    : QWidget(parent)
    , m_model(model)
    , m_controller(new CameraListTableController(this, this))
    , m_changes(
          model, [this] { updateController(); }, kFrameIntervalMs, clock, std::move(frameTimer),
          nextTurn)
    , m_emptiedList(
          model,
          [this] {
              if (m_model.cameraList().isEmpty() && !m_displayedCameraList.isEmpty())
                  m_changes.expedite();
          },
          nextTurn)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_controller->view());
    m_changes.changeAnnounced();
}

CameraListTable::~CameraListTable() = default;

void CameraListTable::updateController()
{
    const CameraList &cameras = m_model.cameraList();
    // Most announcements are of the search-button flag: they must not touch the table.
    if (cameras == m_displayedCameraList)
        return;
    const CameraList previous = std::exchange(m_displayedCameraList, cameras);
    // A camera unchanged at its place keeps its row: a row is made once per camera state, not at
    // every update of a search that lists thousands.
    ObservableCameraList kept(cameras.size());
    QStringList keptText(cameras.size());
    for (qsizetype i = 0; i < std::min(previous.size(), cameras.size()); ++i) {
        if (previous.at(i) == cameras.at(i)) {
            kept[i] = m_rowOfCamera.at(i);
            keptText[i] = m_searchableTextOfCamera.at(i);
        }
    }
    m_rowOfCamera = kept;
    m_searchableTextOfCamera = keptText;
    showCameras();
}

void CameraListTable::setFilterText(const QString &text)
{
    m_filterText = text;
    showCameras();
}

QString CameraListTable::searchableText(const Camera &camera)
{
    QString bareMac = camera.macAddress;
    bareMac.remove(u'-').remove(u':');
    // One line each: no match runs from one column into the next.
    return QStringList{camera.macAddress, camera.ipv4,         camera.ipv6, camera.autoIp,
                       camera.moedelName, camera.serialNumber, bareMac}
        .join(u'\n')
        .toCaseFolded();
}

void CameraListTable::showCameras()
{
    const CameraList &cameras = m_displayedCameraList;
    const QString needle = m_filterText.toCaseFolded();
    ObservableCameraList rows;
    for (qsizetype i = 0; i < cameras.size(); ++i) {
        if (!needle.isEmpty()) {
            if (m_searchableTextOfCamera.at(i).isNull())
                m_searchableTextOfCamera[i] = searchableText(cameras.at(i));
            if (!m_searchableTextOfCamera.at(i).contains(needle))
                continue;
        }
        if (!m_rowOfCamera.at(i))
            m_rowOfCamera[i] = makeRow(cameras.at(i));
        rows.append(m_rowOfCamera.at(i));
    }
    const ObservableCameraList &current = m_controller->list();
    // Rows are equal only when they are the same objects: both lists empty, or only cameras the
    // filter hides changed.
    if (rows == current)
        return;
    if (cameras.isEmpty()) {
        m_controller->setSelectedRowMac(QString());
    } else if (!rows.isEmpty() && rows.size() != current.size()) {
        m_controller->fitIpv6ColumnWidth(rows);
        m_controller->fitModelNameColumnWidth(rows);
    }
    m_controller->setList(rows);
}
