#pragma once

#include "table/CameraCellDelegate.h"

#include <QPersistentModelIndex>
#include <QPointer>

class QAbstractItemView;

// The address cells (IPv4, IPv6, auto-IP) of the camera table. An underlined address is a link
// to the device's web page:
// - while the pointer is over a link cell the cursor is a pointing hand and the text amber
//   (AppColor::kHoveredLink); everywhere else the arrow cursor and AppColor::kText;
// - every mouse press on a link cell (also each press of a double click) opens the page once,
//   through openUrl, before the table handles the press as a click of its own. The page is the
//   one the row carries for that address (CameraListTableModel::pageUrlRole).
// Whether the cell under the pointer is a link is read from the model at each move, and again
// under a resting pointer when a new list arrives or the table scrolls, so the hand and the amber
// always tell the truth about the cell now under the pointer.
//
// One instance serves all the address columns of one view: install it with
// setItemDelegateForColumn, after the view has its model. It watches the view's viewport for the
// pointer, so the view gets mouse tracking switched on.
class MyCustomCellView : public CameraCellDelegate
{
    Q_OBJECT
public:
    explicit MyCustomCellView(QAbstractItemView *view);

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool isOwnCell(const QModelIndex &index) const;
    bool isLink(const QModelIndex &index) const;
    // The pointer is at `position` in the viewport (nothing: outside it).
    void pointerAt(std::optional<QPoint> position);
    void mouseEntered(const QModelIndex &link);
    void mouseExited();
    void mouseDown(const QModelIndex &index);

    // The view owns this delegate, so it outlives it; the viewport may go first while the view
    // is being destroyed.
    QAbstractItemView *m_view;
    QPointer<QWidget> m_viewport;
    std::optional<QPoint> m_pointer;
    QPersistentModelIndex m_hoveredLink;
    bool m_isOverLink = false;
    bool m_pressSeen = false;
};
