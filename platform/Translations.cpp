#include "platform/Translations.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

namespace
{
const QString translationsDirectory = QStringLiteral(":/i18n");
const QString fileName = QStringLiteral("vindra");
const QString prefix = QStringLiteral("_");
} // namespace

bool installTranslations(QCoreApplication &application, const QLocale &locale)
{
    auto *translator = new QTranslator(&application);
    // The locale's UI languages are tried in order ("ja_JP", "ja", ...); a desktop in any
    // language we do not ship gets English rather than bare keys.
    if (!translator->load(locale, fileName, prefix, translationsDirectory) &&
        !translator->load(QLocale(QLocale::English), fileName, prefix, translationsDirectory)) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}
