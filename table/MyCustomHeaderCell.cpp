#include "table/MyCustomHeaderCell.h"

#include "platform/NamedColor.h"

#include <QFontMetricsF>
#include <QPainter>

MyCustomHeaderCell::MyCustomHeaderCell(const QString &title)
    : m_title(title)
{
}

QRectF MyCustomHeaderCell::interiorFrame(const QRectF &cellFrame)
{
    return {cellFrame.x() + 1.5, cellFrame.y() + 6.5, cellFrame.width(), cellFrame.height() - 14};
}

void MyCustomHeaderCell::drawWithFrame(QPainter &painter, const QRectF &cellFrame,
                                       const QFont &font, const QColor &fallbackTextColor,
                                       qreal textInset) const
{
    painter.save();
    painter.fillRect(cellFrame, namedColor(AppColor::kHeader));
    const QColor titleColor = namedColor(AppColor::kText);
    drawInteriorWithFrame(painter, interiorFrame(cellFrame), font,
                          titleColor.isValid() ? titleColor : fallbackTextColor, textInset);
    painter.restore();
}

void MyCustomHeaderCell::drawInteriorWithFrame(QPainter &painter, const QRectF &interior,
                                               const QFont &font, const QColor &textColor,
                                               qreal textInset) const
{
    const QRectF textRect = interior.adjusted(textInset, 0, -textInset, 0);
    if (textRect.width() <= 0 || textRect.height() <= 0)
        return;
    painter.setFont(font);
    painter.setPen(textColor);
    // Title sits at the top of its frame and is cut with an ellipsis when the column is narrow.
    const QString shown = QFontMetricsF(font).elidedText(m_title, Qt::ElideRight, textRect.width());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, shown);
}
