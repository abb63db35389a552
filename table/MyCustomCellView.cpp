#include "table/MyCustomCellView.h"

#include "platform/NamedColor.h"
#include "platform/UrlOpener.h"
#include "table/CameraListTableModel.h"

#include <QAbstractItemView>
#include <QMouseEvent>
#include <QUrl>

MyCustomCellView::MyCustomCellView(QAbstractItemView *view)
    : CameraCellDelegate(view)
    , m_view(view)
    , m_viewport(view->viewport())
{
    view->setMouseTracking(true);
    view->viewport()->installEventFilter(this);
    connect(view->model(), &QAbstractItemModel::modelReset, this, &MyCustomCellView::listReplaced);
}

void MyCustomCellView::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    CameraCellDelegate::initStyleOption(option, index);
    const QColor textColor =
        namedColor(index == m_hoveredLink ? QStringLiteral("#FFC400") : QStringLiteral("#D0D0D0"));
    option->palette.setColor(QPalette::Text, textColor);
    option->palette.setColor(QPalette::HighlightedText, textColor);
}

bool MyCustomCellView::isOwnCell(const QModelIndex &index) const
{
    return index.isValid() && m_viewport && m_view->itemDelegateForIndex(index) == this;
}

bool MyCustomCellView::isLink(const QModelIndex &index) const
{
    return index.data(CameraListTableModel::IsLinkRole).toBool();
}

bool MyCustomCellView::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_viewport || watched != m_viewport)
        return CameraCellDelegate::eventFilter(watched, event);

    switch (event->type()) {
    case QEvent::MouseMove: {
        const QModelIndex index =
            m_view->indexAt(static_cast<QMouseEvent *>(event)->position().toPoint());
        const QModelIndex previous = m_cellUnderPointer;
        if (index == previous)
            break;
        if (isOwnCell(previous))
            mouseExited(previous);
        m_cellUnderPointer = index;
        if (isOwnCell(index))
            mouseEntered(index);
        break;
    }
    case QEvent::Leave: {
        const QModelIndex left = m_cellUnderPointer;
        m_cellUnderPointer = QModelIndex();
        if (isOwnCell(left))
            mouseExited(left);
        break;
    }
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

void MyCustomCellView::mouseEntered(const QModelIndex &index)
{
    if (!isLink(index))
        return;
    m_viewport->setCursor(Qt::PointingHandCursor);
    m_hoveredLink = index;
    m_view->update(index);
}

void MyCustomCellView::mouseExited(const QModelIndex &index)
{
    m_viewport->setCursor(Qt::ArrowCursor);
    const QModelIndex amber = m_hoveredLink;
    m_hoveredLink = QModelIndex();
    if (index.isValid())
        m_view->update(index);
    if (amber.isValid() && amber != index)
        m_view->update(amber);
}

void MyCustomCellView::listReplaced()
{
    // The cells under the pointer are new: the old one is left, with a hand cursor that never
    // outlives its link.
    if (m_viewport)
        m_viewport->setCursor(Qt::ArrowCursor);
    m_hoveredLink = QModelIndex();
    m_cellUnderPointer = QModelIndex();
}

void MyCustomCellView::mouseDown(const QModelIndex &index)
{
    if (!isLink(index))
        return;
    // An address that makes no web address (never the case for the numeric texts the model
    // lists) opens nothing.
    const QUrl url = index.data(CameraListTableModel::PageUrlRole).toUrl();
    if (url.isValid())
        openUrl(url);
}
