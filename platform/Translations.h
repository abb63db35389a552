#pragma once

class QCoreApplication;
class QLocale;

// Installs the application's texts for `locale` on `application` (the translator becomes its
// child). Japanese for a Japanese locale, English for every other one. Call it before any window
// is built: texts are looked up when a widget is made. Returns whether a translation was loaded;
// without one every text shows as its key.
bool installTranslations(QCoreApplication &application, const QLocale &locale);
