#pragma once

#include <QStyledItemDelegate>

// Draws a cell of the camera table: its row's background and its one line of text, cut with an
// ellipsis when too long; an IPv4 address outside the computer's networks
// (CameraListTableModel::outsideNetworksRole) gets an amber "⚠" after its text. No selection,
// hover or focus decoration (the table shows its selection only through the row colour), no
// icons, no check boxes — so it paints directly rather than through the style, which keeps a
// repaint of a full screen of rows cheap.
class CameraCellDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};
