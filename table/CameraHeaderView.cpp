#include "table/CameraHeaderView.h"

#include "platform/NamedColor.h"

#include <QPainter>
#include <QStyle>

CameraHeaderView::CameraHeaderView(QWidget *parent)
    : QHeaderView(Qt::Horizontal, parent)
{
    setSectionsClickable(true);
    setSectionsMovable(false);
    setHighlightSections(false);
    setSortIndicatorShown(false);
    setStretchLastSection(false);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void CameraHeaderView::setHeaderCell(int section, const MyCustomHeaderCell &cell)
{
    if (section < 0)
        return;
    if (section >= m_cells.size())
        m_cells.resize(section + 1);
    m_cells[section] = cell;
    updateSection(section);
}

MyCustomHeaderCell CameraHeaderView::headerCell(int section) const
{
    return hasHeaderCell(section) ? *m_cells.at(section) : MyCustomHeaderCell();
}

bool CameraHeaderView::hasHeaderCell(int section) const
{
    return section >= 0 && section < m_cells.size() && m_cells.at(section).has_value();
}

QSize CameraHeaderView::sizeHint() const
{
    // The title's frame is 14 lower than the header; leave it one line of text.
    QSize hint = QHeaderView::sizeHint();
    hint.setHeight(fontMetrics().height() + 14);
    return hint;
}

qreal CameraHeaderView::titleInset() const
{
    // The padding the item delegate gives cell texts, so titles line up with their column.
    return style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
}

void CameraHeaderView::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    if (!hasHeaderCell(logicalIndex)) {
        QHeaderView::paintSection(painter, rect, logicalIndex);
        return;
    }
    m_cells.at(logicalIndex)
        ->drawWithFrame(*painter, QRectF(rect), font(), palette().color(QPalette::ButtonText),
                        titleInset());
}

void CameraHeaderView::paintEvent(QPaintEvent *event)
{
    QHeaderView::paintEvent(event);
    // The strip right of the last section belongs to the header too.
    const int end = length() - offset();
    if (end < viewport()->width()) {
        QPainter painter(viewport());
        painter.fillRect(QRect(end, 0, viewport()->width() - end, viewport()->height()),
                         namedColor(AppColor::kHeader));
    }
}
