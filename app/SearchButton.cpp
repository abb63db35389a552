#include "app/SearchButton.h"

#include "app/AppFont.h"
#include "platform/LocalizedText.h"
#include "platform/NamedColor.h"

#include <QEnterEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

namespace
{
const QString kRestingColor = QStringLiteral("#3D3D3D");
const QString kHoveredColor = QStringLiteral("#595959");
const QString kBorderColor = QStringLiteral("#707070");
const QString kLabelColor = QStringLiteral("#D0D0D0");
// The border while the button has the keyboard focus.
const QString kFocusColor = kLabelColor;
constexpr int kLabelPixelSize = 13;
constexpr int kButtonHeight = 44;
constexpr int buttonMinimumWidth = 80;
constexpr int verticalPadding = 2;
constexpr qreal cornerRadius = 3;
// The look of a plain button while disabled or pressed: the whole button is dimmed.
constexpr qreal disabledOpacity = 0.45;
constexpr qreal pressedOpacity = 0.7;
} // namespace

SearchButton::SearchButton(QWidget *parent)
    : QAbstractButton(parent)
    , m_buttonColor(kRestingColor)
{
    setText(localizedText("searchCamera"));
    setFont(appFont(kLabelPixelSize));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::ArrowCursor);
}

void SearchButton::hoverChanged(bool entered)
{
    const QString color = entered && isEnabled() ? kHoveredColor : kRestingColor;
    if (color == m_buttonColor)
        return;
    m_buttonColor = color;
    update();
}

int SearchButton::labelPadding() const
{
    // The label's padding is the style's standard spacing around content.
    return style()->pixelMetric(QStyle::PM_LayoutLeftMargin, nullptr, this);
}

QSize SearchButton::sizeHint() const
{
    const int labelWidth = fontMetrics().horizontalAdvance(text()) + 2 * labelPadding();
    return {std::max(buttonMinimumWidth, labelWidth), kButtonHeight};
}

QSize SearchButton::minimumSizeHint() const
{
    return sizeHint();
}

void SearchButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(disabledOpacity);
    else if (isDown())
        painter.setOpacity(pressedOpacity);

    QPainterPath outline;
    outline.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    painter.setClipPath(outline);
    painter.fillPath(outline, namedColor(m_buttonColor));

    // The 1-pixel border runs half a pixel inside the edge so that it falls on whole pixels.
    QPainterPath borderPath;
    borderPath.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius,
                              cornerRadius);
    QPen border(namedColor(hasFocus() ? kFocusColor : kBorderColor), 1.0, Qt::SolidLine,
                Qt::FlatCap, Qt::MiterJoin);
    border.setMiterLimit(10);
    painter.setPen(border);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(borderPath);

    painter.setPen(namedColor(kLabelColor));
    painter.drawText(rect().adjusted(0, verticalPadding, 0, -verticalPadding), Qt::AlignCenter,
                     text());
}

void SearchButton::enterEvent(QEnterEvent *event)
{
    hoverChanged(true);
    QAbstractButton::enterEvent(event);
}

void SearchButton::leaveEvent(QEvent *event)
{
    hoverChanged(false);
    QAbstractButton::leaveEvent(event);
}

void SearchButton::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        updateGeometry();
    QAbstractButton::changeEvent(event);
}
