#include "table/CameraHeaderView.h"
#include "table/CameraListTableController.h"
#include "table/CameraTableView.h"
#include "table/MyCustomHeaderCell.h"

#include <QImage>
#include <QPainter>
#include <QTest>

namespace
{

const QRgb headerFill = qRgb(0x28, 0x28, 0x28);
const QRgb titleColor = qRgb(0xd0, 0xd0, 0xd0);

} // namespace

class TestMyCustomHeaderCell : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void interiorFrame_data()
    {
        QTest::addColumn<QRectF>("frame");
        QTest::addColumn<QRectF>("interior");
        QTest::newRow("30 high: 16 high, 6.5 below the top")
            << QRectF(0, 0, 100, 30) << QRectF(1.5, 6.5, 100, 16);
        QTest::newRow("second column keeps its width")
            << QRectF(120, 0, 80, 30) << QRectF(121.5, 6.5, 80, 16);
        QTest::newRow("offset frame") << QRectF(10, 4, 50, 24) << QRectF(11.5, 10.5, 50, 10);
    }

    void interiorFrame()
    {
        QFETCH(QRectF, frame);
        QFETCH(QRectF, interior);
        QCOMPARE(MyCustomHeaderCell::interiorFrame(frame), interior);
    }

    // Thick capital stems show where and in which colour the title lands.
    void paintsFillAndTitleInsideInterior()
    {
        QImage image(200, 60, QImage::Format_RGB32);
        image.fill(Qt::magenta);
        QFont font;
        font.setPixelSize(30);
        {
            QPainter painter(&image);
            MyCustomHeaderCell("HHH").drawWithFrame(painter, QRectF(0, 0, 200, 60), font,
                                                    Qt::black);
        }
        const QRectF interior = MyCustomHeaderCell::interiorFrame(QRectF(0, 0, 200, 60));
        int titlePixels = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = image.pixel(x, y);
                if (pixel == headerFill)
                    continue;
                // Anything but the fill lies in the title's frame (pixels it touches).
                QVERIFY2(interior.intersects(QRectF(x, y, 1, 1)),
                         qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
                QVERIFY(qRed(pixel) >= 0x28 && qRed(pixel) <= 0xd0);
                titlePixels += pixel == titleColor;
            }
        }
        QVERIFY(titlePixels > 50);
        QCOMPARE(image.pixel(0, 20), headerFill); // left of x + 1.5
        QCOMPARE(image.pixel(10, 5), headerFill); // above y + 6.5
    }

    void everySectionLooksTheSame_data()
    {
        QTest::addColumn<int>("action"); // 0 press and hold, 1 click (sorts)
        QTest::newRow("pressed section") << 0;
        QTest::newRow("sorted section") << 1;
    }

    void everySectionLooksTheSame()
    {
        QFETCH(int, action);
        CameraListTableController controller;
        CameraTableView &table = *controller.tableView();
        table.resize(1200, 200);
        table.show();
        CameraHeaderView &header = *table.headerView();
        // All titles alike, so any difference between sections would be decoration.
        for (int column = 0; column < header.count(); ++column)
            header.setHeaderCell(column, MyCustomHeaderCell("T"));
        const QImage before = header.grab().toImage();

        // Outside the title frames: only the fill — no separators, no sort arrows, also right
        // of the last section.
        const int titleTop = 6, titleBottom = header.height() - 7;
        for (int y : {0, 1, titleTop - 1, titleBottom, header.height() - 1}) {
            for (int x = 0; x < before.width(); ++x)
                QCOMPARE(before.pixel(x, y), headerFill);
        }
        for (int column = 1; column < header.count(); ++column) {
            const int edge = header.sectionViewportPosition(column);
            for (int y = 0; y < before.height(); ++y) {
                QCOMPARE(before.pixel(edge - 1, y), headerFill);
                QCOMPARE(before.pixel(edge, y), headerFill);
            }
        }
        // Title drawn in "#D0D0D0".
        bool hasTitleColor = false;
        for (int y = titleTop; y < titleBottom && !hasTitleColor; ++y)
            for (int x = 0; x < 40 && !hasTitleColor; ++x)
                hasTitleColor = before.pixel(x, y) == titleColor;
        QVERIFY(hasTitleColor);

        const QPoint centre(header.sectionViewportPosition(2) + header.sectionSize(2) / 2,
                            header.height() / 2);
        if (action == 0)
            QTest::mousePress(header.viewport(), Qt::LeftButton, {}, centre);
        else
            QTest::mouseClick(header.viewport(), Qt::LeftButton, {}, centre);
        QCOMPARE(header.grab().toImage(), before);
        if (action == 0)
            QTest::mouseRelease(header.viewport(), Qt::LeftButton, {}, centre);
    }

    void headerIsTallEnoughForItsTitle()
    {
        CameraListTableController controller;
        const CameraHeaderView &header = *controller.tableView()->headerView();
        const QRectF interior =
            MyCustomHeaderCell::interiorFrame(QRectF(0, 0, 100, header.height()));
        QVERIFY(interior.height() >= header.fontMetrics().height());
    }
};

QTEST_MAIN(TestMyCustomHeaderCell)
#include "tst_mycustomheadercell.moc"
