#include "table/AttributedText.h"
#include "table/ObservableCamera.h"

#include <QTest>

#include <optional>

Q_DECLARE_METATYPE(std::optional<QString>)

class TestObservableCamera : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void valueByKey_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<std::optional<QString>>("expected");
        using V = std::optional<QString>;
        QTest::newRow("macAddress") << "macAddress" << V("00:1B:2C:3D:4E:5F");
        QTest::newRow("ipV4 plain text of a link") << "ipV4.string" << V("198.18.0.10");
        QTest::newRow("ipV6 placeholder") << "ipV6.string" << V("---");
        QTest::newRow("autoIp empty attributed text") << "autoIp.string" << V("");
        QTest::newRow("modelName") << "modelName" << V("TV-100");
        QTest::newRow("serialNumber") << "serialNumber" << V("SN01");
        QTest::newRow("attributed text itself is no sort key") << "ipV4" << V();
        QTest::newRow("flags have no key") << "isIpv4Enabled" << V();
        QTest::newRow("key case matters") << "macaddress" << V();
    }

    void valueByKey()
    {
        QFETCH(QString, key);
        QFETCH(std::optional<QString>, expected);
        const ObservableCamera row("00:1B:2C:3D:4E:5F", AttributedText::underlined("198.18.0.10"),
                                   AttributedText::plain("---"), AttributedText(), "TV-100", "SN01",
                                   true, false, false);
        QCOMPARE(row.value(key), expected);
    }

    void linkNeedsUnderlinedText_data()
    {
        QTest::addColumn<AttributedText>("text");
        QTest::addColumn<bool>("isLink");
        QTest::newRow("underlined address") << AttributedText::underlined("198.18.0.1") << true;
        QTest::newRow("plain address") << AttributedText::plain("198.18.0.1") << false;
        QTest::newRow("plain placeholder") << AttributedText::plain("---") << false;
        QTest::newRow("underline over nothing") << AttributedText::underlined("") << false;
    }

    void linkNeedsUnderlinedText()
    {
        QFETCH(AttributedText, text);
        QFETCH(bool, isLink);
        QCOMPARE(text.isLink(), isLink);
    }

    void constructorKeepsFieldOrder()
    {
        const ObservableCamera row("m", AttributedText::plain("4"), AttributedText::plain("6"),
                                   AttributedText::underlined("a"), "model", "serial", false, true,
                                   false);
        QCOMPARE(row.macAddress(), "m");
        QCOMPARE(row.ipV4(), AttributedText::plain("4"));
        QCOMPARE(row.ipV6(), AttributedText::plain("6"));
        QCOMPARE(row.autoIp(), AttributedText::underlined("a"));
        QCOMPARE(row.modelName(), "model");
        QCOMPARE(row.serialNumber(), "serial");
        QCOMPARE(row.isIpv4Enabled(), false);
        QCOMPARE(row.isIpv6Enabled(), true);
        QCOMPARE(row.isAutoIpEnabled(), false);
    }
};

QTEST_GUILESS_MAIN(TestObservableCamera)
#include "tst_observablecamera.moc"
