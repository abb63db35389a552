#pragma once

#include "table/CameraCellDelegate.h"

#include <QPersistentModelIndex>
#include <QPointer>

class QAbstractItemView;

// The address cells (IPv4, IPv6, auto-IP) of the camera table. An underlined address is a link
// to the device's web page:
// - the pointer entering a link cell turns the cursor into a pointing hand and the text amber
//   ("#FFC400"); leaving any of these cells restores the arrow cursor and "#D0D0D0";
// - every mouse press on a link cell (also each press of a double click) opens the page once,
//   through openUrl, before the table handles the press as a click of its own. The page is the
//   one the row carries for that address (CameraListTableModel::PageUrlRole).
// Whether a cell is a link is read from the model each time the pointer enters it and each time
// it is pressed. A new list under a resting pointer counts as leaving the cell: arrow cursor and
// "#D0D0D0" at once; the next move enters the cell afresh.
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
    void mouseEntered(const QModelIndex &index);
    void mouseExited(const QModelIndex &index);
    void mouseDown(const QModelIndex &index);
    void listReplaced();

    // The view owns this delegate, so it outlives it; the viewport may go first while the view
    // is being destroyed.
    QAbstractItemView *m_view;
    QPointer<QWidget> m_viewport;
    QPersistentModelIndex m_cellUnderPointer;
    QPersistentModelIndex m_hoveredLink;
    bool m_pressSeen = false;
};
