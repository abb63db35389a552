#pragma once

#include <QRectF>
#include <QString>

class QColor;
class QFont;
class QPainter;

// Paints one column header of the camera table in the window's dark colours: an AppColor::kHeader
// fill and the title in AppColor::kText. Nothing else — no separator, no sort arrow, no pressed or
// sorted look — so every header looks the same whatever its state.
class MyCustomHeaderCell
{
public:
    MyCustomHeaderCell() = default;
    explicit MyCustomHeaderCell(const QString &title);

    QString title() const { return m_title; }

    // Where the title goes inside a header of `cellFrame` (top-down coordinates): 1.5 right of
    // the left edge, 6.5 below the top, full width, 14 lower than the header (6.5 above and 7.5
    // below the title).
    static QRectF interiorFrame(const QRectF &cellFrame);

    // Paints the whole header. `font` is the header's font; `fallbackTextColor` is used only if
    // the title colour cannot be looked up. `textInset` is the left padding the title gets inside
    // its interior frame, the same the cells below use so titles line up with the column text.
    void drawWithFrame(QPainter &painter, const QRectF &cellFrame, const QFont &font,
                       const QColor &fallbackTextColor, qreal textInset = 0) const;

private:
    void drawInteriorWithFrame(QPainter &painter, const QRectF &interior, const QFont &font,
                               const QColor &textColor, qreal textInset) const;

    QString m_title;
};
