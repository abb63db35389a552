#include "table/CameraCellDelegate.h"

#include <QApplication>
#include <QPainter>

void CameraCellDelegate::initStyleOption(QStyleOptionViewItem *option,
                                         const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    option->state &= ~(QStyle::State_Selected | QStyle::State_HasFocus | QStyle::State_MouseOver);
}

void CameraCellDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                               const QModelIndex &index) const
{
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    painter->save();
    if (cell.backgroundBrush.style() != Qt::NoBrush)
        painter->fillRect(cell.rect, cell.backgroundBrush);
    const QStyle *style = cell.widget ? cell.widget->style() : QApplication::style();
    // The same padding the style gives item texts.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, cell.widget) + 1;
    const QRect textRect = cell.rect.adjusted(margin, 0, -margin, 0);
    painter->setFont(cell.font);
    painter->setPen(cell.palette.color(QPalette::Text));
    const QString shown =
        cell.fontMetrics.elidedText(cell.text, cell.textElideMode, textRect.width());
    painter->drawText(textRect, int(cell.displayAlignment) | Qt::TextSingleLine, shown);
    painter->restore();
}
