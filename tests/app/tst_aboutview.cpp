#include "app/AboutView.h"
#include "app/DarkAppearance.h"
#include "app/InfoDictionary.h"
#include "platform/LocalizedText.h"

#include <QLabel>
#include <QMap>
#include <QTest>

using InfoValues = QMap<QString, QString>;

namespace
{
InfoLookup lookupFrom(const QMap<QString, QString> &values)
{
    return [values](const QString &key) -> std::optional<QString> {
        if (!values.contains(key))
            return std::nullopt;
        return values.value(key);
    };
}
} // namespace

class TestAboutView : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void versionAndCopyrightLines_data()
    {
        QTest::addColumn<InfoValues>("values");
        QTest::addColumn<QString>("versionLine");
        QTest::addColumn<QString>("copyrightLine");

        const QString version = localizedText("version");
        const QString warning = QStringLiteral("⚠️");
        const QString copyright = QStringLiteral("Copyright © 2031 Example");
        const QMap<QString, QString> all{
            {shortVersionKey, "2.4.1"}, {buildNumberKey, "77"}, {copyrightKey, copyright}};

        QTest::newRow("all values") << all << version + " 2.4.1.77" << copyright;
        auto noBuild = all;
        noBuild.remove(buildNumberKey);
        QTest::newRow("no build number") << noBuild << version + " 2.4.1." + warning << copyright;
        auto noShort = all;
        noShort.remove(shortVersionKey);
        QTest::newRow("no short version")
            << noShort << version + " " + warning + ".77" << copyright;
        auto noCopyright = all;
        noCopyright.remove(copyrightKey);
        QTest::newRow("no copyright") << noCopyright << version + " 2.4.1.77" << warning;
        QTest::newRow("no values")
            << QMap<QString, QString>() << version + " " + warning + "." + warning << warning;
        QTest::newRow("empty texts shown as they are")
            << QMap<QString, QString>{{shortVersionKey, ""},
                                      {buildNumberKey, ""},
                                      {copyrightKey, ""}}
            << version + " ." << QString();
    }

    void versionAndCopyrightLines()
    {
        QFETCH(InfoValues, values);
        QFETCH(QString, versionLine);
        QFETCH(QString, copyrightLine);

        AboutView view(lookupFrom(values));
        QCOMPARE(view.versionText(), versionLine);
        QCOMPARE(view.copyrightText(), copyrightLine);
        QCOMPARE(view.nameText(), localizedText("applicationName"));
        QCOMPARE(view.rightsText(), localizedText("allRightsReserved"));
    }

    void missingSignIsTheWarningEmoji()
    {
        QCOMPARE(missingValueSign.toUtf8(), QByteArray("\xE2\x9A\xA0\xEF\xB8\x8F"));
        QCOMPARE(infoValue(InfoLookup(), shortVersionKey), missingValueSign);
    }

    void buildProvidesItsValues()
    {
        QCOMPARE(buildInfo(shortVersionKey), std::optional<QString>(VINDRA_PROJECT_VERSION));
        QVERIFY(buildInfo(buildNumberKey).has_value());
        QVERIFY(buildInfo(copyrightKey).has_value());
        QCOMPARE(buildInfo(QStringLiteral("CFBundleName")), std::nullopt);
    }

    void layout()
    {
        AboutView view(lookupFrom({}));
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(view.width() >= 284);
        QVERIFY(view.height() >= 184);

        // Icon first and 64 × 64 whatever the picture's own size; then the bold name.
        const auto labels = view.findChildren<QLabel *>();
        QCOMPARE(labels.size(), 5);
        const QLabel *icon = labels.front();
        QCOMPARE(icon->size(), QSize(64, 64));
        QCOMPARE(icon->pixmap().deviceIndependentSize(), QSizeF(64, 64));
        QVERIFY(labels.at(1)->font().bold());
        QCOMPARE(labels.at(1)->font().pixelSize(), 13);
        for (int i = 2; i < 5; ++i) {
            QVERIFY(!labels.at(i)->font().bold());
            QCOMPARE(labels.at(i)->font().pixelSize(), 10);
        }
        // Stacked top to bottom, each centred across the panel.
        for (int i = 1; i < labels.size(); ++i) {
            QVERIFY(labels.at(i)->geometry().top() > labels.at(i - 1)->geometry().top());
            QVERIFY(qAbs(labels.at(i)->geometry().center().x() - view.rect().center().x()) <= 1);
        }
    }

    void darkOnLightDesktop()
    {
        QApplication::setPalette(QPalette(Qt::white));
        applyDarkAppearance();
        AboutView view(lookupFrom({}));
        const QImage picture = view.grab().toImage();
        QCOMPARE(picture.pixelColor(2, 2), QColor(0x14, 0x14, 0x14));
        QCOMPARE(view.palette().color(QPalette::WindowText), QColor(0xD0, 0xD0, 0xD0));
    }
};

QTEST_MAIN(TestAboutView)
#include "tst_aboutview.moc"
