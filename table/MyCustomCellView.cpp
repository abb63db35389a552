#include "table/MyCustomCellView.h"

#include "platform/NamedColor.h"
#include "platform/UrlOpener.h"
#include "table/CameraListTableModel.h"

#include <QAbstractItemView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QUrl>

MyCustomCellView::MyCustomCellView(QAbstractItemView *view)
    : CameraCellDelegate(view)
    , m_view(view)
    , m_viewport(view->viewport())
{
    view->setMouseTracking(true);
    view->viewport()->installEventFilter(this);
    // New rows or a scroll bring another cell under a resting pointer.
    const auto underRestingPointer = [this] { pointerAt(m_pointer); };
    connect(view->model(), &QAbstractItemModel::modelReset, this, underRestingPointer);
    for (const QScrollBar *bar : {view->verticalScrollBar(), view->horizontalScrollBar()})
        connect(bar, &QAbstractSlider::valueChanged, this, underRestingPointer);
}

void MyCustomCellView::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    CameraCellDelegate::initStyleOption(option, index);
    const QColor textColor =
        namedColor(index == m_hoveredLink ? AppColor::kHoveredLink : AppColor::kText);
    option->palette.setColor(QPalette::Text, textColor);
    option->palette.setColor(QPalette::HighlightedText, textColor);
}

bool MyCustomCellView::isOwnCell(const QModelIndex &index) const
{
    return index.isValid() && m_viewport && m_view->itemDelegateForIndex(index) == this;
}

bool MyCustomCellView::isLink(const QModelIndex &index) const
{
    return index.data(CameraListTableModel::isLinkRole).toBool();
}

bool MyCustomCellView::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_viewport || watched != m_viewport)
        return CameraCellDelegate::eventFilter(watched, event);

    switch (event->type()) {
    case QEvent::MouseMove:
        pointerAt(static_cast<QMouseEvent *>(event)->position().toPoint());
        break;
    case QEvent::Leave:
        pointerAt(std::nullopt);
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton)
            break;
        // A double click arrives either as press, release, double-click, release or with a
        // second press before the double-click event; either way each physical press opens
        // the page exactly once.
        const bool isNewPress = event->type() == QEvent::MouseButtonPress || !m_pressSeen;
        m_pressSeen = true;
        const QModelIndex index = m_view->indexAt(mouse->position().toPoint());
        if (isNewPress && isOwnCell(index))
            mouseDown(index);
        break;
    }
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
            m_pressSeen = false;
        break;
    default:
        break;
    }
    // The event always goes on to the table.
    return false;
}

void MyCustomCellView::pointerAt(std::optional<QPoint> position)
{
    m_pointer = position;
    if (!m_viewport)
        return;
    const QModelIndex index = position ? m_view->indexAt(*position) : QModelIndex();
    const QModelIndex link = isOwnCell(index) && isLink(index) ? index : QModelIndex();
    if (link == m_hoveredLink && link.isValid() == m_isOverLink)
        return;
    if (link.isValid())
        mouseEntered(link);
    else
        mouseExited();
}

void MyCustomCellView::mouseEntered(const QModelIndex &link)
{
    // Straight from one link to another the cursor stays the hand: no flicker.
    if (!m_isOverLink)
        m_viewport->setCursor(Qt::PointingHandCursor);
    m_isOverLink = true;
    const QModelIndex amber = m_hoveredLink;
    m_hoveredLink = link;
    m_view->update(link);
    if (amber.isValid())
        m_view->update(amber);
}

void MyCustomCellView::mouseExited()
{
    m_viewport->setCursor(Qt::ArrowCursor);
    m_isOverLink = false;
    const QModelIndex amber = m_hoveredLink;
    m_hoveredLink = QModelIndex();
    if (amber.isValid())
        m_view->update(amber);
}

void MyCustomCellView::mouseDown(const QModelIndex &index)
{
    if (!isLink(index))
        return;
    // An address that makes no web address (never the case for the numeric texts the model
    // lists) opens nothing.
    const QUrl url = index.data(CameraListTableModel::pageUrlRole).toUrl();
    if (url.isValid())
        openUrl(url);
}
