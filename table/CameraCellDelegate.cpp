#include "table/CameraCellDelegate.h"

#include "platform/NamedColor.h"
#include "table/CameraListTableModel.h"

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
    // An address whose page may not open keeps its text, cut shorter, with a "⚠" after it.
    const bool isMarked =
        !index.data(CameraListTableModel::outsideNetworksRole).toString().isEmpty();
    const QString marker = QStringLiteral(" \u26A0");
    const int markerWidth = isMarked ? cell.fontMetrics.horizontalAdvance(marker) : 0;
    painter->setFont(cell.font);
    painter->setPen(cell.palette.color(QPalette::Text));
    const QString shown =
        cell.fontMetrics.elidedText(cell.text, cell.textElideMode, textRect.width() - markerWidth);
    const int flags = int(cell.displayAlignment) | Qt::TextSingleLine;
    painter->drawText(textRect, flags, shown);
    if (isMarked) {
        QFont plain = cell.font;
        plain.setUnderline(false);
        painter->setFont(plain);
        painter->setPen(namedColor(AppColor::kHoveredLink));
        painter->drawText(textRect.adjusted(cell.fontMetrics.horizontalAdvance(shown), 0, 0, 0),
                          flags, marker);
    }
    painter->restore();
}
