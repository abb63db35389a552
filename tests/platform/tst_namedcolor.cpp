#include "platform/NamedColor.h"

#include <QTest>

class TestNamedColor : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void lookup_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QRgb>("rgb");
        QTest::newRow("row background") << "#141414" << true << qRgb(0x14, 0x14, 0x14);
        QTest::newRow("hovered link") << "#FFC400" << true << qRgb(0xff, 0xc4, 0x00);
        QTest::newRow("selected row") << "#804100" << true << qRgb(0x80, 0x41, 0x00);
        QTest::newRow("lower-case digits") << "#d0d0d0" << true << qRgb(0xd0, 0xd0, 0xd0);
        QTest::newRow("no number sign") << "141414" << false << QRgb();
        QTest::newRow("too short") << "#14141" << false << QRgb();
        QTest::newRow("not hexadecimal") << "#14141G" << false << QRgb();
        QTest::newRow("sign inside") << "#+14141" << false << QRgb();
        QTest::newRow("colour word") << "darkred" << false << QRgb();
    }

    void lookup()
    {
        QFETCH(QString, name);
        QFETCH(bool, valid);
        QFETCH(QRgb, rgb);
        const QColor color = namedColor(name);
        QCOMPARE(color.isValid(), valid);
        if (valid) {
            QCOMPARE(color.rgb(), rgb);
            QCOMPARE(color.alpha(), 255);
        }
    }
};

QTEST_GUILESS_MAIN(TestNamedColor)
#include "tst_namedcolor.moc"
