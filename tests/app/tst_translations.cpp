#include "app/Translations.h"
#include "platform/LocalizedText.h"

#include <QLocale>
#include <QTest>
#include <QTranslator>

namespace
{
// Every key the windows and the table look up.
const char *const allKeys[] = {
    "applicationName", "searchCamera",      "aboutApplication", "exitApplication",
    "version",         "allRightsReserved", "macAddress",       "ipv4Address",
    "ipv6Address",     "autoIpAddress",     "modelName",        "serialNo",
};
} // namespace

class TestTranslations : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup()
    {
        for (QTranslator *translator : qApp->findChildren<QTranslator *>()) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    }

    void languageFollowsLocale_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("searchCamera");
        QTest::addColumn<QString>("exitApplication");
        QTest::newRow("English (US)") << QLocale(QStringLiteral("en_US")) << "Search Cameras"
                                      << "Exit";
        QTest::newRow("Japanese") << QLocale(QStringLiteral("ja_JP")) << "カメラを検索"
                                  << "終了";
        QTest::newRow("German falls back to English")
            << QLocale(QStringLiteral("de_DE")) << "Search Cameras"
            << "Exit";
        QTest::newRow("C locale falls back to English") << QLocale::c() << "Search Cameras"
                                                        << "Exit";
    }

    void languageFollowsLocale()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, searchCamera);
        QFETCH(QString, exitApplication);
        QVERIFY(installTranslations(*qApp, locale));
        QCOMPARE(localizedText("searchCamera"), searchCamera);
        QCOMPARE(localizedText("exitApplication"), exitApplication);
    }

    void everyKeyIsTranslated_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("English") << QLocale(QLocale::English);
        QTest::newRow("Japanese") << QLocale(QLocale::Japanese);
    }

    void everyKeyIsTranslated()
    {
        QFETCH(QLocale, locale);
        QVERIFY(installTranslations(*qApp, locale));
        for (const char *key : allKeys) {
            const QString text = localizedText(key);
            QVERIFY2(!text.isEmpty() && text != QLatin1String(key), key);
        }
    }

    void keyShowsWithoutTranslation()
    {
        QCOMPARE(localizedText("searchCamera"), QStringLiteral("searchCamera"));
    }
};

QTEST_MAIN(TestTranslations)
#include "tst_translations.moc"
