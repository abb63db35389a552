#pragma once

#include "app/InfoDictionary.h"

#include <QWidget>

// Content of the About window: the application icon at 64 × 64, the application name in bold,
// the version line, the copyright line and the rights line, light grey on near black, centred in
// a panel of at least 284 × 184. Texts are read once, when the view is made.
//
// The version line is the text of "version", a space, the short version, "." and the build
// number. A value that `info` does not have shows as kMissingValueSign.
class AboutView : public QWidget
{
    Q_OBJECT
public:
    explicit AboutView(const InfoLookup &info = buildInfo, QWidget *parent = nullptr);
};
