#include "app/AboutView.h"

#include "app/AppFont.h"
#include "app/AppIcon.h"
#include "platform/LocalizedText.h"
#include "platform/NamedColor.h"

#include <QLabel>
#include <QVBoxLayout>

namespace
{
constexpr int kIconSide = 64;
constexpr int kSpaceBelowIcon = 6;
constexpr QSize kMinimumPanelSize(284, 184);

QLabel *makeTextLabel(const QString &text, const QFont &font, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setFont(font);
    label->setAlignment(Qt::AlignHCenter);
    label->setTextFormat(Qt::PlainText);
    return label;
}
} // namespace

AboutView::AboutView(const InfoLookup &info, QWidget *parent)
    : QWidget(parent)
{
    setMinimumSize(kMinimumPanelSize);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, namedColor(AppColor::kBackground));
    colours.setColor(QPalette::WindowText, namedColor(AppColor::kText));
    setPalette(colours);
    setAutoFillBackground(true);
    // It has no title of its own for assistive technology to read.
    setAccessibleName(localizedText("aboutApplication"));

    auto *icon = new QLabel(this);
    icon->setFixedSize(kIconSide, kIconSide);
    icon->setPixmap(appIconPixmap(kIconSide, devicePixelRatioF()));

    auto *name = makeTextLabel(localizedText("applicationName"), appFont(13, QFont::Bold), this);
    const QString versionLine = localizedText("version") + u' ' +
                                infoValue(info, kShortVersionKey) + u'.' +
                                infoValue(info, kBuildNumberKey);
    auto *version = makeTextLabel(versionLine, appFont(10), this);
    auto *copyright = makeTextLabel(infoValue(info, kCopyrightKey), appFont(10), this);
    auto *rights = makeTextLabel(localizedText("allRightsReserved"), appFont(10), this);

    // The stack sits in the middle of the panel both ways; the stretches take up the rest.
    auto *stack = new QVBoxLayout(this);
    stack->addStretch();
    stack->addWidget(icon, 0, Qt::AlignHCenter);
    stack->addSpacing(kSpaceBelowIcon);
    for (QLabel *label : {name, version, copyright, rights})
        stack->addWidget(label, 0, Qt::AlignHCenter);
    stack->addStretch();
}
