#pragma once

#include <QAbstractButton>

// The main window's search button: its label on a flat background in a rounded outline, no
// chrome of the style's own. kButtonHeight pixels high and as wide as its label needs, at least
// kButtonMinimumWidth (SearchButton.cpp).
//
// Colours (AppColor): the border is kBorder, kText while the button has the keyboard focus.
// Background: kButton at first; decided again only when the pointer enters it (kButtonHovered
// when the button is enabled at that moment, else kButton) or leaves it (kButton). Enabling or
// disabling the button while the pointer rests on it does not change the colour.
class SearchButton : public QAbstractButton
{
    Q_OBJECT
public:
    explicit SearchButton(QWidget *parent = nullptr);

    // The name of the current background colour, "#RRGGBB".
    QString buttonColor() const { return m_buttonColor; }

    // The hover rule: `entered` true when the pointer came in, false when it left.
    void hoverChanged(bool entered);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    int labelPadding() const;

    QString m_buttonColor;
};
