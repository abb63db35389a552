// The camera table as the user meets it: columns, titles and widths, selection by MAC address,
// column sorting, the painted header and the link cells (hover, press, the page opened).
#include "table/CameraHeaderView.h"
#include "table/CameraListTableController.h"
#include "table/CameraListTableModel.h"
#include "table/CameraTableView.h"
#include "table/ColumnSort.h"
#include "table/DisplayedCameraList.h"
#include "table/MyCustomCellView.h"

#include <QAbstractItemModelTester>
#include <QDesktopServices>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QTranslator>

#include <functional>
#include <memory>

Q_DECLARE_METATYPE(QList<SortDescriptor>)
Q_DECLARE_METATYPE(std::function<void(CameraList &)>)

namespace
{
const QRgb kSelected = qRgb(0x80, 0x41, 0x00);
const QRgb kRowColor = qRgb(0x14, 0x14, 0x14);
const QRgb kAmber = qRgb(0xff, 0xc4, 0x00);
const QRgb kGrey = qRgb(0xd0, 0xd0, 0xd0);
const QRgb kHeaderFill = qRgb(0x28, 0x28, 0x28);
using Rows = ObservableCameraList;

// A row as the list bridge makes it; `links` names the underlined addresses: 'i' IPv4, '6' IPv6.
std::shared_ptr<ObservableCamera> row(const QString &mac, const QString &ipv4 = "198.18.0.1",
                                      const QString &ipv6 = "2001:db8::1",
                                      const QString &model = "TV-100",
                                      const QString &serial = "SN1", const QString &autoIp = "---",
                                      const QString &links = {})
{
    const auto text = [&](const QString &t, char c) {
        return links.contains(QLatin1Char(c)) ? AttributedText::underlined(t)
                                              : AttributedText::plain(t);
    };
    return std::make_shared<ObservableCamera>(mac, text(ipv4, 'i'), text(ipv6, '6'),
                                              AttributedText::plain(autoIp), model, serial, false,
                                              false, false);
}

// A row whose only value that is not "x" is the one under `key`.
std::shared_ptr<ObservableCamera> rowWith(const QString &key, const QString &value)
{
    const auto v = [&](const char *k) { return key == QLatin1String(k) ? value : "x"; };
    return std::make_shared<ObservableCamera>(
        v("macAddress"), AttributedText::plain(v("ipV4.string")),
        AttributedText::plain(v("ipV6.string")), AttributedText::plain(v("autoIp.string")),
        v("modelName"), v("serialNumber"), false, false, false);
}

QStringList macsOf(const Rows &rows)
{
    QStringList macs;
    for (const auto &r : rows)
        macs.append(r->macAddress());
    return macs;
}

// Four cameras A..D in discovery order; every column sorts them differently.
Rows fourRows()
{
    return {row("A", "192.168.1.10", "fe80::9", "tv-100", "SN20", "169.254.10.1"),
            row("B", "10.0.0.10", "fe80::10", "CTRL", "SN3", "169.254.9.1"),
            row("C", "192.168.1.9", "2001:db8::1", "TV-100", "SN100"),
            row("D", "10.0.0.2", "fe80::1", "tv-100", "SN4", "169.254.100.1")};
}

// The first camera has an address of every kind, the second only an IPv4 address; no answers.
CameraList twoCameras()
{
    Camera first;
    first.macAddress = "00:1B:2C:3D:4E:01";
    first.ipv4 = "198.18.0.10";
    first.ipv6 = "2001:db8::10";
    first.autoIp = "169.254.3.4";
    first.httpPort = "8080";
    first.httpsPort = "8443";
    Camera second;
    second.macAddress = "00:1B:2C:3D:4E:02";
    second.ipv4 = "198.18.0.20";
    second.httpPort = "80";
    return {first, second};
}

class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void handle(const QUrl &url) { urls.append(url); }
};

class GermanTitles : public QTranslator
{
public:
    QString translate(const char *, const char *key, const char *, int) const override
    {
        return QByteArray(key) == "macAddress" ? QStringLiteral("MAC-Adresse") : QString();
    }
};
} // namespace

class TestTable : public QObject
{
    Q_OBJECT

    UrlCatcher catcher;
    std::unique_ptr<CameraListTableController> controller;
    std::unique_ptr<QAbstractItemModelTester> tester;

    CameraTableView &table() { return *controller->tableView(); }
    QWidget &viewport() { return *table().viewport(); }
    QPoint cellCentre(int r, int column)
    {
        return table().visualRect(table().model()->index(r, column)).center();
    }
    void clickHeader(int column)
    {
        QHeaderView &header = *table().horizontalHeader();
        QTest::mouseClick(header.viewport(), Qt::LeftButton, {},
                          {header.sectionViewportPosition(column) + 5, header.height() / 2});
    }
    // -1: below the rows.
    void clickRow(int r)
    {
        QTest::mouseClick(&viewport(), Qt::LeftButton, {},
                          r < 0 ? QPoint(10, viewport().height() - 5) : cellCentre(r, 0));
    }
    void verifyPaintedSelection(int selectedRow)
    {
        const QImage image = viewport().grab().toImage();
        for (int r = 0; r < controller->list().size(); ++r) {
            const int y = table().rowViewportPosition(r) + table().rowHeight(r) / 2;
            const QRgb expected = r == selectedRow ? kSelected : kRowColor;
            QCOMPARE(image.pixel(1, y), expected);                 // cell padding
            QCOMPARE(image.pixel(image.width() - 2, y), expected); // right of the last column
        }
    }
    void movePointer(QPoint to)
    {
        QMouseEvent move(QEvent::MouseMove, to, viewport().mapToGlobal(to), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&viewport(), &move);
    }
    QSet<QRgb> cellColors(int r, int column)
    {
        const QImage image = viewport().grab().toImage();
        const QRect cell = table().visualRect(table().model()->index(r, column));
        QSet<QRgb> colors;
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x)
                colors.insert(image.pixel(x, y));
        return colors;
    }
    // The cursor, and which of the cells of row 0 shows amber (-1: none) while the rest are grey.
    void verifyHover(Qt::CursorShape cursor, int amberColumn)
    {
        QCOMPARE(viewport().cursor().shape(), cursor);
        for (int column = 1; column <= 3; ++column) {
            const QSet<QRgb> colors = cellColors(0, column);
            QCOMPARE(colors.contains(kAmber), column == amberColumn);
            QCOMPARE(colors.contains(kGrey), column != amberColumn);
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QDesktopServices::setUrlHandler("http", &catcher, "handle");
        QDesktopServices::setUrlHandler("https", &catcher, "handle");
    }

    // The rows of twoCameras() as the bridge builds them once the first camera answered over
    // HTTPS on IPv4 and over HTTP on IPv6, and the second over HTTP on IPv4.
    void init()
    {
        catcher.urls.clear();
        CameraList cameras = twoCameras();
        cameras[0].isIpv4HttpsEnabled = cameras[0].isIpv6Enabled = cameras[1].isIpv4Enabled = true;
        displayedCameraList() = cameras;
        controller = std::make_unique<CameraListTableController>();
        tester = std::make_unique<QAbstractItemModelTester>(
            controller->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        controller->setList(
            {row("00:1B:2C:3D:4E:01", "198.18.0.10", "2001:db8::10", "TV-100", "SN1", "169.254.3.4",
                 "i6"),
             row("00:1B:2C:3D:4E:02", "198.18.0.20", "---", "TV-100", "SN2", "---", "i")});
        table().resize(1000, 300);
        table().show();
    }

    void cleanup()
    {
        tester.reset();
        controller.reset();
    }

    void columnsTitlesAndWidths()
    {
        const QStringList titles{"macAddress",    "ipv4Address", "ipv6Address",
                                 "autoIpAddress", "modelName",   "serialNo"};
        const QStringList keys{"macAddress",    "ipV4.string", "ipV6.string",
                               "autoIp.string", "modelName",   "serialNumber"};
        QCOMPARE(controller->headerTitleList(), titles);
        QVERIFY(!table().headerView()->sectionsMovable());
        for (int column = 0; column < 6; ++column) {
            QCOMPARE(table().headerView()->headerCell(column).title(), titles.at(column));
            QCOMPARE(table().sortDescriptorPrototype(column)->key, keys.at(column));
            QVERIFY(table().sortDescriptorPrototype(column)->ascending);
        }
        QVERIFY(table().sortDescriptors().isEmpty());
        const QFontMetrics metrics = table().fontMetrics();
        QVERIFY(table().columnWidth(0) > metrics.horizontalAdvance("DD:DD:DD:DD:DD:DD"));
        QVERIFY(table().columnWidth(1) > metrics.horizontalAdvance("255.255.255.255"));
        QVERIFY(table().columnWidth(5) > metrics.horizontalAdvance("SN0000123401"));
        // As wide as the growth rule makes them for the longest text that does not widen them:
        // 30 × 7 + 25 and 10 × 7 + 10.
        QCOMPARE(table().columnWidth(2), 235);
        QCOMPARE(table().columnWidth(4), 80);
    }

    void localisedHeaderTitle()
    {
        GermanTitles german;
        QCoreApplication::installTranslator(&german);
        CameraListTableController localised;
        QCoreApplication::removeTranslator(&german);
        QCOMPARE(localised.headerTitleList().at(0), "MAC-Adresse");
        QCOMPARE(localised.headerTitleList().at(1), "ipv4Address");
        QCOMPARE(localised.tableView()->headerView()->headerCell(0).title(), "MAC-Adresse");
        QCOMPARE(localised.model()->headerData(0, Qt::Horizontal).toString(), "MAC-Adresse");
    }

    void setListShowsRowsInListOrder()
    {
        QSignalSpy changed(controller.get(), &CameraListTableController::listChanged);
        const Rows rows = fourRows();
        controller->setList(rows);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(controller->list(), rows);
        QStringList shown;
        for (int column = 0; column < 6; ++column)
            shown.append(controller->model()->index(3, column).data().toString());
        QCOMPARE(shown,
                 QStringList({"D", "10.0.0.2", "fe80::1", "169.254.100.1", "tv-100", "SN4"}));
        QVERIFY(controller->selectedRowMac().isEmpty());
    }

    void clicks_data()
    {
        QTest::addColumn<QString>("selectedBefore");
        QTest::addColumn<int>("clicked"); // row; -1 below the rows; -2 header of column 0
        QTest::addColumn<QString>("selectedAfter");
        QTest::newRow("first click selects") << "" << 2 << "C";
        QTest::newRow("click on B moves selection from A") << "A" << 1 << "B";
        QTest::newRow("click on the selected row") << "B" << 1 << "B";
        QTest::newRow("header click keeps selection") << "B" << -2 << "B";
        QTest::newRow("click below rows keeps selection") << "B" << -1 << "B";
        QTest::newRow("click below rows without selection") << "" << -1 << "";
    }

    void clicks()
    {
        QFETCH(QString, selectedBefore);
        QFETCH(int, clicked);
        QFETCH(QString, selectedAfter);
        controller->setList(fourRows());
        controller->setSelectedRowMac(selectedBefore);
        clicked == -2 ? clickHeader(0) : clickRow(clicked);
        QCOMPARE(controller->selectedRowMac(), selectedAfter);
        verifyPaintedSelection(int(macsOf(controller->list()).indexOf(selectedAfter)));
    }

    // Row colours span the full width: a selection change repaints right of the last column too.
    void selectionRepaintsWholeRowWidth()
    {
        QVERIFY(QTest::qWaitForWindowExposed(&table()));
        struct PaintRecorder : QObject {
            QRegion region;
            bool eventFilter(QObject *, QEvent *event) override
            {
                if (event->type() == QEvent::Paint)
                    region += static_cast<QPaintEvent *>(event)->region();
                return false;
            }
        } recorder;
        viewport().installEventFilter(&recorder);
        clickRow(1);
        QTRY_VERIFY(!recorder.region.isEmpty());
        const int y = table().rowViewportPosition(1) + table().rowHeight(1) / 2;
        QVERIFY(recorder.region.contains(QPoint(viewport().width() - 2, y)));
    }

    void selectionFollowsMacThroughNewListsAndSorts()
    {
        controller->setList(fourRows());
        clickRow(0);
        controller->setList({row("B"), row("C"), row("D"), row("A")}); // fresh rows, A last
        QCOMPARE(controller->selectedRowMac(), "A");
        verifyPaintedSelection(3);
        controller->setList({row("B"), row("C")}); // A gone: nothing painted selected...
        verifyPaintedSelection(-1);
        controller->setList(fourRows()); // ...until it comes back
        verifyPaintedSelection(0);
        clickHeader(1); // IPv4 ascending: D B C A
        verifyPaintedSelection(3);
        controller->setSelectedRowMac(QString()); // what the bridge does for an emptied list
        controller->setList({});
        controller->setList(fourRows());
        verifyPaintedSelection(-1);
    }

    // A new list between press and release (a probe result) puts the rows back in discovery
    // order; the release still selects the camera that was pressed.
    void pressedCameraIsSelectedAcrossAnUpdate()
    {
        controller->setList(fourRows());
        clickHeader(1); // D B C A
        QTest::mousePress(&viewport(), Qt::LeftButton, {}, cellCentre(0, 0));
        controller->setList(fourRows()); // A B C D
        QTest::mouseRelease(&viewport(), Qt::LeftButton, {}, cellCentre(0, 0));
        QCOMPARE(controller->selectedRowMac(), "D");
        verifyPaintedSelection(3);
    }

    void headerClicksSort_data()
    {
        QTest::addColumn<QList<int>>("headerClicks");
        QTest::addColumn<QString>("order");
        QTest::addColumn<QList<SortDescriptor>>("descriptors");
        using D = SortDescriptor;
        using L = QList<SortDescriptor>;
        const auto ci = TextComparison::caseInsensitive;
        const auto ls = TextComparison::localizedStandard;
        const auto cp = TextComparison::codePoint;
        QTest::newRow("MAC") << QList<int>{0} << "ABCD" << L{D{"macAddress", true, ci}};
        QTest::newRow("IPv4 ascending") << QList<int>{1} << "DBCA" << L{D{"ipV4.string", true, ls}};
        QTest::newRow("IPv4 second click descending")
            << QList<int>{1, 1} << "ACBD" << L{D{"ipV4.string", false, ls}};
        QTest::newRow("IPv6 by code point")
            << QList<int>{2} << "CDBA" << L{D{"ipV6.string", true, cp}};
        QTest::newRow("IPv6 keeps the earlier descriptor behind it")
            << QList<int>{0, 2} << "CDBA"
            << L{D{"ipV6.string", true, cp}, D{"macAddress", true, ci}};
        QTest::newRow("IPv6 twice reverses its own descriptor")
            << QList<int>{0, 2, 2} << "ABDC"
            << L{D{"ipV6.string", false, cp}, D{"macAddress", true, ci}};
        QTest::newRow("after IPv6 another column leaves one descriptor")
            << QList<int>{0, 2, 4} << "BCDA" << L{D{"modelName", true, ci}};
        QTest::newRow("auto-IP by value")
            << QList<int>{3} << "CBAD" << L{D{"autoIp.string", true, ls}};
        QTest::newRow("model ties keep the previous order (IPv4 descending)")
            << QList<int>{1, 1, 4} << "BACD" << L{D{"modelName", true, ci}};
        QTest::newRow("model ties keep the previous order (IPv4 ascending)")
            << QList<int>{1, 4} << "BDCA" << L{D{"modelName", true, ci}};
        QTest::newRow("model descending keeps tie order")
            << QList<int>{1, 4, 4} << "DCAB" << L{D{"modelName", false, ci}};
        QTest::newRow("serial numbers by digit value")
            << QList<int>{5} << "BDAC" << L{D{"serialNumber", true, ls}};
    }

    void headerClicksSort()
    {
        QFETCH(QList<int>, headerClicks);
        QFETCH(QString, order);
        QFETCH(QList<SortDescriptor>, descriptors);
        controller->setList(fourRows());
        QSignalSpy changed(controller.get(), &CameraListTableController::listChanged);
        for (int column : headerClicks)
            clickHeader(column);
        QCOMPARE(changed.count(), headerClicks.size());
        QCOMPARE(macsOf(controller->list()).join(QString()), order);
        QCOMPARE(table().sortDescriptors(), descriptors);
    }

    // A click below the rows applies the first descriptor to the rows as they are now.
    void clickBelowRows_data()
    {
        QTest::addColumn<QList<SortDescriptor>>("before");
        QTest::addColumn<QString>("order"); // empty: the list is not stored again
        QTest::addColumn<QList<SortDescriptor>>("after");
        using L = QList<SortDescriptor>;
        const SortDescriptor odd{"ipV4", false, TextComparison::localizedStandard};
        const SortDescriptor mac{"macAddress", true, TextComparison::caseInsensitive};
        const SortDescriptor model{"modelName", false, TextComparison::caseInsensitive};
        QTest::newRow("no descriptors: nothing") << L{} << "" << L{};
        QTest::newRow("unknown key: nothing") << L{odd, mac} << "" << L{odd, mac};
        QTest::newRow("model descending again, on a new list") << L{model} << "ACDB" << L{model};
        QTest::newRow("serial: the column's own comparison")
            << L{{"serialNumber", true, TextComparison::caseInsensitive}} << "BDAC"
            << L{{"serialNumber", true, TextComparison::localizedStandard}};
    }

    void clickBelowRows()
    {
        QFETCH(QList<SortDescriptor>, before);
        QFETCH(QString, order);
        QFETCH(QList<SortDescriptor>, after);
        table().setSortDescriptors(before);
        controller->setList(fourRows());
        QSignalSpy changed(controller.get(), &CameraListTableController::listChanged);
        clickRow(-1);
        QCOMPARE(changed.count(), order.isEmpty() ? 0 : 1);
        QCOMPARE(macsOf(controller->list()).join(QString()), order.isEmpty() ? "ABCD" : order);
        QCOMPARE(table().sortDescriptors(), after);
    }

    void headerClickOnEmptyListChangesOnlyDescriptors()
    {
        controller->setList({});
        clickHeader(3);
        QVERIFY(controller->list().isEmpty());
        QCOMPARE(table().sortDescriptors().size(), 1);
    }

    // -1: `first` sorts before `second`; 0: they tie (the earlier row stays first); 1: after.
    void comparisons_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<int>("expected");
        const QLocale en(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("standard: digit runs by value") << "serialNumber" << en << "10.0.0.2"
                                                       << "10.0.0.10" << -1;
        QTest::newRow("standard: case ignored") << "serialNumber" << en << "sn-ab1"
                                                << "SN-AB1" << 0;
        QTest::newRow("standard: later letter") << "serialNumber" << en << "SNB"
                                                << "sna" << 1;
        QTest::newRow("standard, C locale") << "ipV4.string" << QLocale::c() << "10.0.0.2"
                                            << "10.0.0.10" << -1;
        QTest::newRow("standard, C locale, case") << "serialNumber" << QLocale::c() << "sn-ab1"
                                                  << "SN-AB1" << 0;
        QTest::newRow("standard, German") << "autoIp.string" << QLocale(QLocale::German) << "1.9"
                                          << "1.10" << -1;
        QTest::newRow("standard, Japanese") << "serialNumber" << QLocale(QLocale::Japanese) << "sn9"
                                            << "SN10" << -1;
        QTest::newRow("case-insensitive: equal") << "macAddress" << en << "A1-B2"
                                                 << "a1-b2" << 0;
        QTest::newRow("case-insensitive: digits as characters") << "modelName" << en << "a10"
                                                                << "a9" << -1;
        QTest::newRow("case-insensitive: non-ASCII case") << "modelName" << en << "ÄBC"
                                                          << "äbc" << 0;
        QTest::newRow("code point: fe80::10 before fe80::9") << "ipV6.string" << en << "fe80::10"
                                                             << "fe80::9" << -1;
        QTest::newRow("code point: digit before colon") << "ipV6.string" << en << "fe80::1"
                                                        << "fe80:::" << -1;
        QTest::newRow("code point: colon before A") << "ipV6.string" << en << "fe80::"
                                                    << "fe80:A" << -1;
        QTest::newRow("code point: upper before lower") << "ipV6.string" << en << "FE80::1"
                                                        << "fe80::1" << -1;
        QTest::newRow("code point: NFC") << "ipV6.string" << en << QString::fromUtf8("e\u0301")
                                         << QString::fromUtf8("\u00e9") << 0;
        QTest::newRow("code point: astral after U+FFFD")
            << "ipV6.string" << en << QString::fromUtf8("\U0001F600") << QString::fromUtf8("\uFFFD")
            << 1;
    }

    void comparisons()
    {
        QFETCH(QString, key);
        QFETCH(QLocale, locale);
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(int, expected);
        QLocale::setDefault(locale);
        const auto leader = [&](const QString &a, const QString &b) {
            const Rows rows{rowWith(key, a), rowWith(key, b)};
            return ColumnSort::sorted(rows, key, true).front() == rows.front() ? a : b;
        };
        const QString ab = leader(first, second);
        const QString ba = leader(second, first);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(ab, expected > 0 ? second : first);
        QCOMPARE(ba, expected < 0 ? first : second);
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
    }

    void ipv6Width()
    {
        QFETCH(int, initialWidth);
        QFETCH(int, length);
        QFETCH(int, width);
        table().setColumnWidth(2, initialWidth);
        const Rows rows{row("A"), row("B", "x", QString(length, u'f')), row("C")};
        controller->fitIpv6ColumnWidth(rows);
        QCOMPARE(table().columnWidth(2), width);
        QCOMPARE(table().columnWidth(4), 80); // the other fit is not involved
        controller->setList(rows);            // the new list keeps the widths
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
        QTest::newRow("10 accented letters")
            << 40 << QString::fromUtf8("e\u0301").repeated(10) << 40;
        QTest::newRow("11 accented letters")
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
        QCOMPARE(table().columnWidth(2), 235);
    }

    void headerInterior()
    {
        QCOMPARE(MyCustomHeaderCell::interiorFrame({0, 0, 100, 30}), QRectF(1.5, 6.5, 100, 16));
        QCOMPARE(MyCustomHeaderCell::interiorFrame({120, 4, 80, 24}), QRectF(121.5, 10.5, 80, 10));
        // Thick capital stems show where and in which colour the title lands.
        QImage image(200, 60, QImage::Format_RGB32);
        image.fill(Qt::magenta);
        QFont font;
        font.setPixelSize(30);
        QPainter painter(&image);
        MyCustomHeaderCell("HHH").drawWithFrame(painter, {0, 0, 200, 60}, font, Qt::black);
        painter.end();
        const QRectF interior = MyCustomHeaderCell::interiorFrame({0, 0, 200, 60});
        int titlePixels = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = image.pixel(x, y);
                if (pixel == kHeaderFill)
                    continue;
                QVERIFY2(interior.intersects(QRectF(x, y, 1, 1)), qPrintable(QString::number(x)));
                QVERIFY(qRed(pixel) >= 0x28 && qRed(pixel) <= 0xd0);
                titlePixels += pixel == kGrey;
            }
        }
        QVERIFY(titlePixels > 50);
    }

    void everyHeaderLooksTheSame_data()
    {
        QTest::addColumn<bool>("click"); // else press and hold
        QTest::newRow("pressed section") << false;
        QTest::newRow("sorted section") << true;
    }

    void everyHeaderLooksTheSame()
    {
        QFETCH(bool, click);
        CameraHeaderView &header = *table().headerView();
        for (int column = 0; column < header.count(); ++column)
            header.setHeaderCell(column, MyCustomHeaderCell("T"));
        const QImage before = header.grab().toImage();
        // Outside the title frames only the fill: no separators, no sort arrows.
        for (int y : {0, 5, header.height() - 7, header.height() - 1})
            for (int x = 0; x < before.width(); ++x)
                QCOMPARE(before.pixel(x, y), kHeaderFill);
        for (int column = 1; column < header.count(); ++column)
            for (int y = 0; y < before.height(); ++y)
                QCOMPARE(before.pixel(header.sectionViewportPosition(column) - 1, y), kHeaderFill);
        const QPoint centre(header.sectionViewportPosition(2) + 20, header.height() / 2);
        QTest::mousePress(header.viewport(), Qt::LeftButton, {}, centre);
        if (click)
            QTest::mouseRelease(header.viewport(), Qt::LeftButton, {}, centre);
        QCOMPARE(header.grab().toImage(), before);
        if (!click)
            QTest::mouseRelease(header.viewport(), Qt::LeftButton, {}, centre);
    }

    void pageUrl_data()
    {
        QTest::addColumn<std::function<void(CameraList &)>>("change");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("url");
        using F = std::function<void(CameraList &)>;
        const F none = [](CameraList &) {};
        QTest::newRow("IPv4, HTTPS with its port, whatever HTTP says")
            << F([](CameraList &c) { c[0].isIpv4HttpsEnabled = c[0].isIpv4Enabled = true; })
            << "198.18.0.10"
            << "https://198.18.0.10:8443";
        QTest::newRow("IPv4, HTTP with its port")
            << F([](CameraList &c) { c[0].isIpv4Enabled = true; }) << "198.18.0.10"
            << "http://198.18.0.10:8080";
        QTest::newRow("IPv4, HTTPS flag without HTTPS port falls to HTTP")
            << F([](CameraList &c) {
                   c[0].isIpv4HttpsEnabled = c[0].isIpv4Enabled = true;
                   c[0].httpsPort.reset();
               })
            << "198.18.0.10"
            << "http://198.18.0.10:8080";
        QTest::newRow("IPv4, HTTP flag without HTTP port") << F([](CameraList &c) {
            c[0].isIpv4Enabled = true;
            c[0].httpPort.reset();
        }) << "198.18.0.10"
                                                           << "http://198.18.0.10";
        QTest::newRow("IPv4, no flag") << none << "198.18.0.10"
                                       << "http://198.18.0.10";
        QTest::newRow("IPv6, HTTPS with its port")
            << F([](CameraList &c) { c[0].isIpv6HttpsEnabled = true; }) << "2001:db8::10"
            << "https://[2001:db8::10]:8443";
        QTest::newRow("IPv6, HTTP with its port")
            << F([](CameraList &c) { c[0].isIpv6Enabled = true; }) << "2001:db8::10"
            << "http://[2001:db8::10]:8080";
        QTest::newRow("IPv6, another address's flag does not count")
            << F([](CameraList &c) { c[0].isIpv4HttpsEnabled = true; }) << "2001:db8::10"
            << "http://[2001:db8::10]";
        QTest::newRow("auto-IP, HTTPS with its port")
            << F([](CameraList &c) { c[0].isAutoIpHttpsEnabled = true; }) << "169.254.3.4"
            << "https://169.254.3.4:8443";
        QTest::newRow("auto-IP, HTTP with its port")
            << F([](CameraList &c) { c[0].isAutoIpEnabled = true; }) << "169.254.3.4"
            << "http://169.254.3.4:8080";
        QTest::newRow("auto-IP, no flag") << none << "169.254.3.4"
                                          << "http://169.254.3.4";
        QTest::newRow("no camera with that address") << none << "198.18.9.9"
                                                     << "http://198.18.9.9";
        QTest::newRow("IPv4 match wins over an earlier camera's IPv6 match")
            << F([](CameraList &c) {
                   c[0].ipv6 = "198.18.0.20";
                   c[0].isIpv6HttpsEnabled = c[1].isIpv4Enabled = true;
               })
            << "198.18.0.20"
            << "http://198.18.0.20:80";
        QTest::newRow("first camera with the address wins") << F([](CameraList &c) {
            c[1].ipv4 = "198.18.0.10";
            c[1].isIpv4Enabled = true;
        }) << "198.18.0.10"
                                                            << "http://198.18.0.10";
        // A device's port text must not take the page to another host.
        QTest::newRow("port text with a host after it counts as absent") << F([](CameraList &c) {
            c[0].isIpv4Enabled = true;
            c[0].httpPort = "80@198.51.100.1";
        }) << "198.18.0.10"
                                                                         << "http://198.18.0.10";
    }

    void pageUrl()
    {
        QFETCH(std::function<void(CameraList &)>, change);
        QFETCH(QString, address);
        QFETCH(QString, url);
        CameraList cameras = twoCameras();
        change(cameras);
        QCOMPARE(MyCustomCellView::pageUrl(address, cameras), std::optional(QUrl(url)));
    }

    // On a table sorted by IPv4 descending (second camera first), unlike displayedCameraList.
    void pressOpensLinkThenTableHandlesClick_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("url"); // empty: nothing opens
        QTest::newRow("IPv4 over HTTP") << 0 << 1 << "http://198.18.0.20:80";
        QTest::newRow("IPv4 over HTTPS") << 1 << 1 << "https://198.18.0.10:8443";
        QTest::newRow("IPv6 over HTTP") << 1 << 2 << "http://[2001:db8::10]:8080";
        QTest::newRow("address without underline") << 1 << 3 << "";
        QTest::newRow("placeholder") << 0 << 2 << "";
        QTest::newRow("MAC column") << 0 << 0 << "";
    }

    void pressOpensLinkThenTableHandlesClick()
    {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, url);
        clickHeader(1);
        clickHeader(1);
        QCOMPARE(controller->list().at(0)->macAddress(), "00:1B:2C:3D:4E:02");
        bool openedBeforeAction = false;
        connect(&table(), &CameraTableView::action, this,
                [&] { openedBeforeAction = !catcher.urls.isEmpty(); });
        QTest::mousePress(&viewport(), Qt::LeftButton, {}, cellCentre(row, column));
        const QList<QUrl> onPress = catcher.urls;
        QTest::mouseRelease(&viewport(), Qt::LeftButton, {}, cellCentre(row, column));
        QCOMPARE(onPress, url.isEmpty() ? QList<QUrl>() : QList<QUrl>{QUrl(url)});
        QCOMPARE(openedBeforeAction, !url.isEmpty());
        QCOMPARE(catcher.urls, onPress);
        // The press went on to the table: the row is now selected.
        QCOMPARE(controller->selectedRowMac(), controller->list().at(row)->macAddress());
    }

    void eachPressOfDoubleClickOpens_data()
    {
        QTest::addColumn<QList<QEvent::Type>>("events");
        using T = QList<QEvent::Type>;
        const auto press = QEvent::MouseButtonPress, release = QEvent::MouseButtonRelease,
                   doubleClick = QEvent::MouseButtonDblClick;
        QTest::newRow("press, release, double-click, release")
            << T{press, release, doubleClick, release};
        QTest::newRow("press, release, press, double-click, release")
            << T{press, release, press, doubleClick, release};
    }

    void eachPressOfDoubleClickOpens()
    {
        QFETCH(QList<QEvent::Type>, events);
        for (QEvent::Type type : events) {
            const QPoint at = cellCentre(0, 1);
            QMouseEvent event(type, at, viewport().mapToGlobal(at), Qt::LeftButton,
                              type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                              Qt::NoModifier);
            QCoreApplication::sendEvent(&viewport(), &event);
        }
        const QUrl page("https://198.18.0.10:8443");
        QCOMPARE(catcher.urls, (QList<QUrl>{page, page}));
    }

    void hover()
    {
        movePointer(cellCentre(0, 1)); // onto a link
        verifyHover(Qt::PointingHandCursor, 1);
        movePointer(cellCentre(0, 2)); // to the next link
        verifyHover(Qt::PointingHandCursor, 2);
        movePointer(cellCentre(0, 3)); // onto an address that is no link
        verifyHover(Qt::ArrowCursor, -1);
        movePointer(cellCentre(0, 1));
        movePointer(cellCentre(0, 0)); // from a link onto the MAC column
        verifyHover(Qt::ArrowCursor, -1);
        movePointer(cellCentre(0, 1));
        QEvent leave(QEvent::Leave); // out of the table
        QCoreApplication::sendEvent(&viewport(), &leave);
        verifyHover(Qt::ArrowCursor, -1);
    }

    // A new list under a resting pointer leaves the cell at once; the next move enters it anew,
    // with the link test made afresh.
    void newListUnderRestingPointer_data()
    {
        QTest::addColumn<QString>("links"); // of the new row 0
        QTest::addColumn<int>("cursorAfterMove");
        QTest::newRow("still a link") << "i" << int(Qt::PointingHandCursor);
        QTest::newRow("no longer a link") << "" << int(Qt::ArrowCursor);
    }

    void newListUnderRestingPointer()
    {
        QFETCH(QString, links);
        QFETCH(int, cursorAfterMove);
        movePointer(cellCentre(0, 1));
        verifyHover(Qt::PointingHandCursor, 1);
        controller->setList({row("00:1B:2C:3D:4E:01", "198.18.0.10", "2001:db8::10", "TV-100",
                                 "SN1", "169.254.3.4", links)});
        verifyHover(Qt::ArrowCursor, -1);
        movePointer(cellCentre(0, 1) + QPoint(1, 0));
        QCOMPARE(int(viewport().cursor().shape()), cursorAfterMove);
        QCOMPARE(cellColors(0, 1).contains(kAmber), !links.isEmpty());
    }
};

QTEST_MAIN(TestTable)
#include "tst_table.moc"
