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
// The border while the button has the keyboard focus.
const QString &kFocusColor = AppColor::kText;
constexpr int kLabelPixelSize = 13;
constexpr int kButtonHeight = 44;
constexpr int kButtonMinimumWidth = 80;
constexpr int kVerticalPadding = 2;
constexpr qreal kCornerRadius = 3;
// The look of a plain button while disabled or pressed: the whole button is dimmed.
constexpr qreal kDisabledOpacity = 0.45;
constexpr qreal kPressedOpacity = 0.7;
} // namespace

SearchButton::SearchButton(QWidget *parent)
    : QAbstractButton(parent)
    , m_buttonColor(AppColor::kButton)
{
    setText(localizedText("searchCamera"));
    setFont(appFont(kLabelPixelSize));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::ArrowCursor);
}

void SearchButton::hoverChanged(bool entered)
{
    const QString color = entered && isEnabled() ? AppColor::kButtonHovered : AppColor::kButton;
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
    return {std::max(kButtonMinimumWidth, labelWidth), kButtonHeight};
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
        painter.setOpacity(kDisabledOpacity);
    else if (isDown())
        painter.setOpacity(kPressedOpacity);

    QPainterPath outline;
    outline.addRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
    painter.setClipPath(outline);
    painter.fillPath(outline, namedColor(m_buttonColor));

    // The 1-pixel border runs half a pixel inside the edge so that it falls on whole pixels.
    QPainterPath borderPath;
    borderPath.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kCornerRadius,
                              kCornerRadius);
    QPen border(namedColor(hasFocus() ? kFocusColor : AppColor::kBorder), 1.0, Qt::SolidLine,
                Qt::FlatCap, Qt::MiterJoin);
    border.setMiterLimit(10);
    painter.setPen(border);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(borderPath);

    painter.setPen(namedColor(AppColor::kText));
    painter.drawText(rect().adjusted(0, kVerticalPadding, 0, -kVerticalPadding), Qt::AlignCenter,
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
