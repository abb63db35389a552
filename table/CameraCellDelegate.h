#pragma once

#include <QStyledItemDelegate>

// Draws a plain cell of the camera table: its row's background and its text, without the
// style's selection, hover or focus decorations (the table shows its selection only through
// the row colour).
class CameraCellDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};
