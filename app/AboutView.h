#pragma once

#include "app/InfoDictionary.h"

#include <QWidget>

// Content of the About window: the application icon (kIconSide square), the application name in
// bold, the version line, the copyright line and the rights line, AppColor::kText on
// AppColor::kBackground, centred in a panel of at least kMinimumPanelSize (AboutView.cpp). Texts
// are read once, when the view is made.
//
// The version line is the text of "version", a space, the short version, "." and the build
// number. A value that `info` does not have shows as kMissingValueSign.
class AboutView : public QWidget
{
    Q_OBJECT
public:
    explicit AboutView(const InfoLookup &info = buildInfo, QWidget *parent = nullptr);
};
