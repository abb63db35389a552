#include "table/CameraTableView.h"

#include "platform/NamedColor.h"
#include "table/CameraHeaderView.h"
#include "table/CameraListTableModel.h"

#include <QMouseEvent>
#include <QPainter>

CameraTableView::CameraTableView(QWidget *parent)
    : QTableView(parent)
{
    auto *header = new CameraHeaderView(this);
    setHorizontalHeader(header);
    connect(header, &QHeaderView::sectionClicked, this, &CameraTableView::headerClicked);
    // Sorting is driven by `action`, not by the view's own model sorting.
    setSortingEnabled(false);
}

CameraHeaderView *CameraTableView::headerView() const
{
    return static_cast<CameraHeaderView *>(horizontalHeader());
}

void CameraTableView::setSortDescriptors(const QList<SortDescriptor> &descriptors)
{
    m_sortDescriptors = descriptors;
}

void CameraTableView::setSortDescriptorPrototype(int column, const SortDescriptor &prototype)
{
    m_prototypes.insert(column, prototype);
}

std::optional<SortDescriptor> CameraTableView::sortDescriptorPrototype(int column) const
{
    const auto found = m_prototypes.constFind(column);
    if (found == m_prototypes.cend())
        return std::nullopt;
    return *found;
}

void CameraTableView::headerClicked(int logicalIndex)
{
    if (const std::optional<SortDescriptor> prototype = sortDescriptorPrototype(logicalIndex)) {
        if (!m_sortDescriptors.isEmpty() && m_sortDescriptors.first().key == prototype->key) {
            m_sortDescriptors.first().ascending = !m_sortDescriptors.first().ascending;
        } else {
            m_sortDescriptors.removeIf(
                [&](const SortDescriptor &d) { return d.key == prototype->key; });
            m_sortDescriptors.prepend(*prototype);
        }
    }
    m_clickedRow = -1;
    Q_EMIT action();
}

void CameraTableView::dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                                  const QList<int> &roles)
{
    QTableView::dataChanged(topLeft, bottomRight, roles);
    // A new row colour also shows right of the last column, which no cell covers.
    if (roles.isEmpty() || roles.contains(Qt::BackgroundRole))
        viewport()->update();
}

void CameraTableView::paintEvent(QPaintEvent *event)
{
    // A row's colour spans the whole row, also right of the last column.
    if (model() && model()->rowCount() > 0) {
        QPainter painter(viewport());
        const QRect area = event->rect();
        int first = rowAt(area.top());
        int last = rowAt(area.bottom());
        if (first >= 0) {
            if (last < 0)
                last = model()->rowCount() - 1;
            for (int row = first; row <= last; ++row) {
                const QVariant background = model()->index(row, 0).data(Qt::BackgroundRole);
                if (!background.isValid())
                    continue;
                painter.fillRect(
                    QRect(area.left(), rowViewportPosition(row), area.width(), rowHeight(row)),
                    background.value<QBrush>());
            }
        }
    }
    QTableView::paintEvent(event);
    if (hasFocus()) {
        QPainter frame(viewport());
        frame.setPen(namedColor(AppColor::kText));
        frame.drawRect(viewport()->rect().adjusted(0, 0, -1, -1));
    }
}

void CameraTableView::focusInEvent(QFocusEvent *event)
{
    QTableView::focusInEvent(event);
    viewport()->update();
}

void CameraTableView::focusOutEvent(QFocusEvent *event)
{
    QTableView::focusOutEvent(event);
    viewport()->update();
}

void CameraTableView::press(const QMouseEvent &event)
{
    const int row = rowAt(event.position().toPoint().y());
    m_pressedRowMac.reset();
    if (row >= 0)
        m_pressedRowMac =
            model()->index(row, 0).data(CameraListTableModel::macAddressRole).toString();
    m_isPressed = true;
}

void CameraTableView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        press(*event);
    QTableView::mousePressEvent(event);
}

void CameraTableView::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The second press of a double click is a click of its own.
    if (event->button() == Qt::LeftButton && !m_isPressed)
        press(*event);
    QTableView::mouseDoubleClickEvent(event);
}

void CameraTableView::mouseReleaseEvent(QMouseEvent *event)
{
    QTableView::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton || !m_isPressed)
        return;
    m_isPressed = false;
    m_clickedRow = -1;
    if (m_pressedRowMac) {
        const QModelIndexList rows =
            model()->match(model()->index(0, 0), CameraListTableModel::macAddressRole,
                           *m_pressedRowMac, 1, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (rows.isEmpty())
            return;
        m_clickedRow = rows.front().row();
    }
    Q_EMIT action();
}
