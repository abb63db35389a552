#include "table/CameraHeaderView.h"
#include "table/CameraListTableController.h"
#include "table/CameraListTableModel.h"
#include "table/CameraTableView.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include <memory>

Q_DECLARE_METATYPE(QList<SortDescriptor>)

namespace
{

const QRgb selectedColor = qRgb(0x80, 0x41, 0x00);
const QRgb rowColor = qRgb(0x14, 0x14, 0x14);

std::shared_ptr<ObservableCamera> row(const QString &mac, const QString &ipv4 = "198.18.0.1",
                                      const QString &ipv6 = "2001:db8::1",
                                      const QString &model = "TV-100",
                                      const QString &serial = "SN1")
{
    return std::make_shared<ObservableCamera>(
        mac, AttributedText::plain(ipv4), AttributedText::plain(ipv6), AttributedText::plain("---"),
        model, serial, false, false, false);
}

QStringList macsOf(const ObservableCameraList &rows)
{
    QStringList macs;
    for (const auto &r : rows)
        macs.append(r->macAddress());
    return macs;
}

} // namespace

class TestCameraListTableController : public QObject
{
    Q_OBJECT

    std::unique_ptr<CameraListTableController> controller;
    std::unique_ptr<QAbstractItemModelTester> tester;

    CameraTableView &table() { return *controller->tableView(); }

    // Four cameras A..D in discovery order; IPv4 and model names make each column sort them
    // differently.
    ObservableCameraList fourRows()
    {
        return {row("A", "192.168.1.10", "fe80::9", "tv-100", "SN20"),
                row("B", "10.0.0.10", "fe80::10", "CTRL", "SN3"),
                row("C", "192.168.1.9", "2001:db8::1", "TV-100", "SN100"),
                row("D", "10.0.0.2", "fe80::1", "tv-100", "SN4")};
    }

    void clickRow(int r)
    {
        const QRect cell = table().visualRect(table().model()->index(r, 0));
        QTest::mouseClick(table().viewport(), Qt::LeftButton, {}, cell.center());
    }

    void clickBelowRows()
    {
        QTest::mouseClick(table().viewport(), Qt::LeftButton, {},
                          QPoint(10, table().viewport()->height() - 5));
    }

    void clickHeader(int column)
    {
        QHeaderView &header = *table().horizontalHeader();
        const QPoint centre(header.sectionViewportPosition(column) + header.sectionSize(column) / 2,
                            header.height() / 2);
        QTest::mouseClick(header.viewport(), Qt::LeftButton, {}, centre);
    }

    // The colour painted for a row, right of the last column and in the cell padding.
    QList<QRgb> paintedRowColors(int r)
    {
        const QImage image = table().viewport()->grab().toImage();
        const int y = table().rowViewportPosition(r) + table().rowHeight(r) / 2;
        return {image.pixel(image.width() - 2, y), image.pixel(1, y)};
    }

    void verifyPaintedSelection(int selectedRow)
    {
        for (int r = 0; r < controller->list().size(); ++r) {
            const QRgb expected = r == selectedRow ? selectedColor : rowColor;
            const QList<QRgb> colors = paintedRowColors(r);
            QCOMPARE(colors, (QList<QRgb>{expected, expected}));
        }
    }

private Q_SLOTS:
    void init()
    {
        controller = std::make_unique<CameraListTableController>();
        tester = std::make_unique<QAbstractItemModelTester>(
            controller->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        table().resize(1000, 400);
        table().show();
    }

    void cleanup()
    {
        tester.reset();
        controller.reset();
    }

    void columnsAndTitles()
    {
        const QStringList keys{"macAddress",    "ipv4Address", "ipv6Address",
                               "autoIpAddress", "modelName",   "serialNo"};
        QCOMPARE(controller->headerTitleList(), keys);
        QCOMPARE(controller->model()->columnCount(), 6);
        CameraHeaderView &header = *table().headerView();
        QVERIFY(!header.sectionsMovable());
        for (int column = 0; column < 6; ++column) {
            QCOMPARE(header.headerCell(column).title(), keys.at(column));
            const std::optional<SortDescriptor> prototype = table().sortDescriptorPrototype(column);
            QVERIFY(prototype);
            QCOMPARE(prototype->key, CameraListTableModel::sortKey(column));
            QVERIFY(prototype->ascending);
        }
        QVERIFY(table().sortDescriptors().isEmpty());
    }

    void initialWidthsShowAddressesUncut()
    {
        const QFontMetrics metrics = table().fontMetrics();
        QVERIFY(table().columnWidth(0) > metrics.horizontalAdvance("DD:DD:DD:DD:DD:DD"));
        QVERIFY(table().columnWidth(1) > metrics.horizontalAdvance("255.255.255.255"));
        QVERIFY(table().columnWidth(5) > metrics.horizontalAdvance("SN0000123401"));
    }

    void setListShowsRowsInListOrder()
    {
        QSignalSpy changed(controller.get(), &CameraListTableController::listChanged);
        const ObservableCameraList rows = fourRows();
        controller->setList(rows);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(controller->list(), rows);
        for (int r = 0; r < rows.size(); ++r)
            QCOMPARE(controller->model()->index(r, 0).data().toString(), rows[r]->macAddress());
        QCOMPARE(controller->model()->index(3, 1).data().toString(), "10.0.0.2");
        QVERIFY(controller->selectedRowMac().isEmpty());
    }

    void clicks_data()
    {
        QTest::addColumn<QString>("selectedBefore");
        QTest::addColumn<int>("clicked"); // row; -1 header of column 0; -2 below the rows
        QTest::addColumn<QString>("selectedAfter");
        QTest::newRow("first click selects") << "" << 2 << "C";
        QTest::newRow("click on B moves selection from A") << "A" << 1 << "B";
        QTest::newRow("click on the selected row") << "B" << 1 << "B";
        QTest::newRow("header click keeps selection") << "B" << -1 << "B";
        QTest::newRow("click below rows keeps selection") << "B" << -2 << "B";
        QTest::newRow("click below rows without selection") << "" << -2 << "";
    }

    void clicks()
    {
        QFETCH(QString, selectedBefore);
        QFETCH(int, clicked);
        QFETCH(QString, selectedAfter);
        controller->setList(fourRows());
        controller->setSelectedRowMac(selectedBefore);
        if (clicked >= 0)
            clickRow(clicked);
        else if (clicked == -1)
            clickHeader(0);
        else
            clickBelowRows();
        QCOMPARE(controller->selectedRowMac(), selectedAfter);
        const int selectedRow = int(macsOf(controller->list()).indexOf(selectedAfter));
        verifyPaintedSelection(selectedRow);
    }

    // Row colours span the full width: a selection change must repaint the strip right of the
    // last column too, not only the cells.
    void selectionRepaintsWholeRowWidth()
    {
        controller->setList(fourRows());
        QVERIFY(QTest::qWaitForWindowExposed(&table()));
        QRegion repainted;
        struct PaintRecorder : QObject {
            QRegion *region;
            explicit PaintRecorder(QRegion *r)
                : region(r)
            {
            }
            bool eventFilter(QObject *, QEvent *event) override
            {
                if (event->type() == QEvent::Paint)
                    *region += static_cast<QPaintEvent *>(event)->region();
                return false;
            }
        } recorder(&repainted);
        table().viewport()->installEventFilter(&recorder);
        clickRow(1);
        QTRY_VERIFY(!repainted.isEmpty());
        const int y = table().rowViewportPosition(1) + table().rowHeight(1) / 2;
        QVERIFY(repainted.contains(QPoint(table().viewport()->width() - 2, y)));
    }

    void selectionFollowsMacThroughNewList()
    {
        controller->setList(fourRows());
        clickRow(0);
        QCOMPARE(controller->selectedRowMac(), "A");
        verifyPaintedSelection(0);
        // Fresh row objects; camera A now last.
        controller->setList({row("B"), row("C"), row("D"), row("A")});
        QCOMPARE(controller->selectedRowMac(), "A");
        verifyPaintedSelection(3);
        // Camera A gone: nothing painted selected, but it comes back with A.
        controller->setList({row("B"), row("C")});
        verifyPaintedSelection(-1);
        controller->setList({row("A"), row("B")});
        verifyPaintedSelection(0);
    }

    void emptyListAndClearedSelection()
    {
        controller->setList(fourRows());
        clickRow(1);
        // What the list bridge does when a search empties the list.
        controller->setSelectedRowMac(QString());
        controller->setList({});
        controller->setList(fourRows());
        verifyPaintedSelection(-1);
    }

    void selectionFollowsMacThroughSort()
    {
        controller->setList(fourRows());
        clickRow(3); // D, IPv4 10.0.0.2
        clickHeader(1);
        QCOMPARE(macsOf(controller->list()), (QStringList{"D", "B", "C", "A"}));
        verifyPaintedSelection(0);
    }

    void headerClicksSort_data()
    {
        QTest::addColumn<QList<int>>("headerClicks");
        QTest::addColumn<QStringList>("order");
        QTest::addColumn<QList<SortDescriptor>>("descriptors");
        using D = SortDescriptor;
        using L = QList<SortDescriptor>;
        const auto ci = TextComparison::caseInsensitive;
        const auto ls = TextComparison::localizedStandard;
        const auto cp = TextComparison::codePoint;
        QTest::newRow("IPv4 first click ascending")
            << QList<int>{1} << QStringList{"D", "B", "C", "A"} << L{D{"ipV4.string", true, ls}};
        QTest::newRow("IPv4 second click descending")
            << QList<int>{1, 1} << QStringList{"A", "C", "B", "D"}
            << L{D{"ipV4.string", false, ls}};
        QTest::newRow("IPv6 ascending, code point order")
            << QList<int>{2} << QStringList{"C", "D", "B", "A"} << L{D{"ipV6.string", true, cp}};
        QTest::newRow("IPv6 keeps the earlier descriptor behind it")
            << QList<int>{0, 2} << QStringList{"C", "D", "B", "A"}
            << L{D{"ipV6.string", true, cp}, D{"macAddress", true, ci}};
        QTest::newRow("IPv6 twice reverses its own descriptor")
            << QList<int>{0, 2, 2} << QStringList{"A", "B", "D", "C"}
            << L{D{"ipV6.string", false, cp}, D{"macAddress", true, ci}};
        QTest::newRow("after IPv6 another column leaves one descriptor")
            << QList<int>{0, 2, 4} << QStringList{"B", "C", "D", "A"}
            << L{D{"modelName", true, ci}};
        QTest::newRow("model ties keep the order of the previous sort (IPv4 descending)")
            << QList<int>{1, 1, 4} << QStringList{"B", "A", "C", "D"}
            << L{D{"modelName", true, ci}};
        QTest::newRow("model ties keep the order of the previous sort (IPv4 ascending)")
            << QList<int>{1, 4} << QStringList{"B", "D", "C", "A"} << L{D{"modelName", true, ci}};
        QTest::newRow("model descending keeps tie order")
            << QList<int>{1, 4, 4} << QStringList{"D", "C", "A", "B"}
            << L{D{"modelName", false, ci}};
        QTest::newRow("serial numbers by digit value")
            << QList<int>{5} << QStringList{"B", "D", "A", "C"} << L{D{"serialNumber", true, ls}};
    }

    void headerClicksSort()
    {
        QFETCH(QList<int>, headerClicks);
        QFETCH(QStringList, order);
        QFETCH(QList<SortDescriptor>, descriptors);
        controller->setList(fourRows());
        QSignalSpy changed(controller.get(), &CameraListTableController::listChanged);
        for (int column : headerClicks)
            clickHeader(column);
        QCOMPARE(changed.count(), headerClicks.size());
        QCOMPARE(macsOf(controller->list()), order);
        QCOMPARE(table().sortDescriptors(), descriptors);
    }

    void clickBelowRowsReappliesSortToNewList()
    {
        controller->setList(fourRows());
        clickHeader(4);
        clickHeader(4); // model name, descending
        // A new list arrives in discovery order and is shown so, unsorted.
        const ObservableCameraList discovered = fourRows();
        controller->setList(discovered);
        QCOMPARE(controller->list(), discovered);
        clickBelowRows();
        QCOMPARE(macsOf(controller->list()), (QStringList{"A", "C", "D", "B"}));
        QCOMPARE(table().sortDescriptors(),
                 (QList<SortDescriptor>{{"modelName", false, TextComparison::caseInsensitive}}));
    }

    void clickBelowRowsWithoutDescriptorsDoesNothing()
    {
        const ObservableCameraList rows = fourRows();
        controller->setList(rows);
        QSignalSpy changed(controller.get(), &CameraListTableController::listChanged);
        clickBelowRows();
        QCOMPARE(changed.count(), 0);
        QCOMPARE(controller->list(), rows);
    }

    void unknownSortKeyChangesNothing()
    {
        const ObservableCameraList rows = fourRows();
        controller->setList(rows);
        const QList<SortDescriptor> odd{{"ipV4", false, TextComparison::localizedStandard},
                                        {"macAddress", true, TextComparison::caseInsensitive}};
        table().setSortDescriptors(odd);
        QSignalSpy changed(controller.get(), &CameraListTableController::listChanged);
        clickBelowRows();
        QCOMPARE(changed.count(), 0);
        QCOMPARE(controller->list(), rows);
        QCOMPARE(table().sortDescriptors(), odd);
    }

    void headerClickOnEmptyListChangesOnlyDescriptors()
    {
        clickHeader(3);
        QVERIFY(controller->list().isEmpty());
        QCOMPARE(
            table().sortDescriptors(),
            (QList<SortDescriptor>{{"autoIp.string", true, TextComparison::localizedStandard}}));
    }

    void ipv6Width_data()
    {
        QTest::addColumn<int>("initialWidth");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("width");
        QTest::newRow("30 characters never widen") << 100 << 30 << 100;
        QTest::newRow("31 characters ask for 242") << 100 << 31 << 242;
        QTest::newRow("39 characters ask for 298") << 200 << 39 << 298;
        QTest::newRow("wider column is not narrowed") << 300 << 39 << 300;
        QTest::newRow("equal width stays") << 242 << 31 << 242;
    }

    void ipv6Width()
    {
        QFETCH(int, initialWidth);
        QFETCH(int, length);
        QFETCH(int, width);
        table().setColumnWidth(2, initialWidth);
        const ObservableCameraList rows{row("A", "x", "2001:db8::1"),
                                        row("B", "x", QString(length, u'f')), row("C")};
        controller->fitIpv6ColumnWidth(rows);
        QCOMPARE(table().columnWidth(2), width);
        QCOMPARE(table().columnWidth(4), 80); // the other fit is not involved
        // The bridge assigns the rows right after; the new list keeps the widths.
        controller->setList(rows);
        QCOMPARE(table().columnWidth(2), width);
    }

    void modelNameWidth_data()
    {
        QTest::addColumn<int>("initialWidth");
        QTest::addColumn<QString>("longest");
        QTest::addColumn<int>("width");
        QTest::newRow("10 characters never widen") << 40 << "TV-100-PRO" << 40;
        QTest::newRow("11 characters ask for 87") << 40 << "TV-100-PRO2" << 87;
        QTest::newRow("wider column is not narrowed") << 120 << "TV-100-PRO2" << 120;
        // Counted as seen: a letter with a combining accent is one character.
        QTest::newRow("10 accented letters in 20 code units never widen")
            << 40 << QString::fromUtf8("e\u0301").repeated(10) << 40;
        QTest::newRow("11 accented letters in 22 code units ask for 87")
            << 40 << QString::fromUtf8("e\u0301").repeated(11) << 87;
    }

    void modelNameWidth()
    {
        QFETCH(int, initialWidth);
        QFETCH(QString, longest);
        QFETCH(int, width);
        table().setColumnWidth(4, initialWidth);
        controller->fitModelNameColumnWidth(
            {row("A", "x", "x", "CTRL"), row("B", "x", "x", longest)});
        QCOMPARE(table().columnWidth(4), width);
        QCOMPARE(table().columnWidth(2), 200);
    }
};

QTEST_MAIN(TestCameraListTableController)
#include "tst_cameralisttablecontroller.moc"
