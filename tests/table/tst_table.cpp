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

#include <memory>

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

    // Clicks and new lists on the four rows A..D, step by step: "hN" header of column N, "cN"
    // click on row N, "b" click below the rows, "pN" press on row N and "r" its release, "L..."
    // a new list of fresh rows (A..D's values; the MACs given, or all four), "E" an emptied list
    // as the bridge stores it, "sX" the selection set to X, "kKEY" the table's descriptors set
    // to KEY ascending, case-insensitive. Then: the rows' order, the selected MAC (painted so
    // wherever it stands), the descriptors ("^" ascending, "v" descending; ci, ls or cp) and how
    // often the list was stored.
    void scenario_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("order");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("descriptors");
        QTest::addColumn<int>("stores");
        // clang-format off
        QTest::newRow("first click selects") << "c2" << "ABCD" << "C" << "" << 0;
        QTest::newRow("click moves the selection") << "sA c1" << "ABCD" << "B" << "" << 0;
        QTest::newRow("click on the selected row") << "sB c1" << "ABCD" << "B" << "" << 0;
        QTest::newRow("header click keeps it") << "sB h0" << "ABCD" << "B" << "macAddress^ci" << 1;
        QTest::newRow("click below the rows keeps it") << "sB b" << "ABCD" << "B" << "" << 0;
        QTest::newRow("click below, no selection") << "b" << "ABCD" << "" << "" << 0;
        QTest::newRow("selection follows its MAC") << "c0 LBCDA" << "BCDA" << "A" << "" << 1;
        QTest::newRow("selected camera gone") << "c0 LBC" << "BC" << "A" << "" << 1;
        QTest::newRow("selected camera back") << "c0 LBC L" << "ABCD" << "A" << "" << 2;
        QTest::newRow("through a sort") << "c3 h1" << "DBCA" << "D" << "ipV4.string^ls" << 1;
        QTest::newRow("emptied list forgets it") << "c1 E L" << "ABCD" << "" << "" << 2;
        QTest::newRow("pressed camera kept across a new list")
            << "h1 p0 L r" << "ABCD" << "D" << "ipV4.string^ls" << 2;
        QTest::newRow("IPv4 first click") << "h1" << "DBCA" << "" << "ipV4.string^ls" << 1;
        QTest::newRow("IPv4 second click") << "h1 h1" << "ACBD" << "" << "ipV4.stringvls" << 2;
        QTest::newRow("IPv6 by code point") << "h2" << "CDBA" << "" << "ipV6.string^cp" << 1;
        QTest::newRow("IPv6 keeps the descriptors behind it")
            << "h0 h2" << "CDBA" << "" << "ipV6.string^cp macAddress^ci" << 2;
        QTest::newRow("IPv6 twice reverses its own")
            << "h0 h2 h2" << "ABDC" << "" << "ipV6.stringvcp macAddress^ci" << 3;
        QTest::newRow("after IPv6 one descriptor")
            << "h0 h2 h4" << "BCDA" << "" << "modelName^ci" << 3;
        QTest::newRow("auto-IP by value") << "h3" << "CBAD" << "" << "autoIp.string^ls" << 1;
        QTest::newRow("model ties keep the order before (IPv4 down)")
            << "h1 h1 h4" << "BACD" << "" << "modelName^ci" << 3;
        QTest::newRow("model ties keep the order before (IPv4 up)")
            << "h1 h4" << "BDCA" << "" << "modelName^ci" << 2;
        QTest::newRow("model descending keeps ties")
            << "h1 h4 h4" << "DCAB" << "" << "modelNamevci" << 3;
        QTest::newRow("serial numbers by value") << "h5" << "BDAC" << "" << "serialNumber^ls" << 1;
        QTest::newRow("below the rows: again, on a new list")
            << "h4 h4 L b" << "ACDB" << "" << "modelNamevci" << 4;
        QTest::newRow("below the rows: unknown key") << "kipV4 b" << "ABCD" << "" << "ipV4^ci" << 0;
        QTest::newRow("below the rows: the column's comparison")
            << "kserialNumber b" << "BDAC" << "" << "serialNumber^ls" << 1;
        QTest::newRow("header click on an empty list")
            << "E h3" << "" << "" << "autoIp.string^ls" << 2;
        // clang-format on
    }

    void scenario()
    {
        QFETCH(QString, steps);
        QFETCH(QString, order);
        QFETCH(QString, selected);
        QFETCH(QString, descriptors);
        QFETCH(int, stores);
        controller->setList(fourRows());
        QSignalSpy changed(controller.get(), &CameraListTableController::listChanged);
        QPoint pressedAt;
        for (const QString &step : steps.split(u' ')) {
            const QString rest = step.mid(1);
            // clang-format off
            switch (step.at(0).toLatin1()) {
            case 'h': clickHeader(rest.toInt()); break;
            case 'c': clickRow(rest.toInt()); break;
            case 'b': clickRow(-1); break;
            case 'p': pressedAt = cellCentre(rest.toInt(), 0);
                      QTest::mousePress(&viewport(), Qt::LeftButton, {}, pressedAt); break;
            case 'r': QTest::mouseRelease(&viewport(), Qt::LeftButton, {}, pressedAt); break;
            case 's': controller->setSelectedRowMac(rest); break;
            case 'k': table().setSortDescriptors({{rest, true, TextComparison::caseInsensitive}}); break;
            case 'E': controller->setSelectedRowMac(QString()); controller->setList({}); break;
            // clang-format on
            case 'L': {
                Rows rows;
                for (const QChar mac : rest.isEmpty() ? QStringLiteral("ABCD") : rest)
                    rows.append(fourRows().at(mac.unicode() - u'A'));
                controller->setList(rows);
                break;
            }
            }
        }
        QCOMPARE(macsOf(controller->list()).join(QString()), order);
        QCOMPARE(controller->selectedRowMac(), selected);
        verifyPaintedSelection(int(macsOf(controller->list()).indexOf(selected)));
        QStringList shown;
        for (const SortDescriptor &d : table().sortDescriptors())
            shown.append(d.key + (d.ascending ? "^" : "v") +
                         QStringList{"ci", "ls", "cp"}.at(int(d.comparison)));
        QCOMPARE(shown.join(u' '), descriptors);
        QCOMPARE(changed.count(), stores);
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

    // -1: `first` sorts before `second`; 0: they tie (the earlier row stays first); 1: after.
    void comparisons_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<int>("expected");
        const QLocale en(QLocale::English, QLocale::UnitedStates);
        // clang-format off
        QTest::newRow("standard: case ignored")
            << "serialNumber" << en << "sn-ab1" << "SN-AB1" << 0;
        QTest::newRow("standard, C locale")
            << "ipV4.string" << QLocale::c() << "1.2" << "1.10" << -1;
        QTest::newRow("standard, C locale, case")
            << "serialNumber" << QLocale::c() << "sn-a" << "SN-A" << 0;
        QTest::newRow("case-insensitive: digits as characters")
            << "modelName" << en << "a10" << "a9" << -1;
        QTest::newRow("case-insensitive: non-ASCII case")
            << "macAddress" << en << "ÄBC" << "äbc" << 0;
        QTest::newRow("code point: upper before lower")
            << "ipV6.string" << en << "FE80::1" << "fe80::1" << -1;
        QTest::newRow("code point: NFC")
            << "ipV6.string" << en << QString::fromUtf8("e\u0301") << QString::fromUtf8("\u00e9") << 0;
        QTest::newRow("code point: astral after U+FFFD")
            << "ipV6.string" << en << QString::fromUtf8("\U0001F600") << QString::fromUtf8("\uFFFD") << 1;
        // clang-format on
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

    // Only ever widened: IPv6 to 7 × L + 25 from 31 UTF-16 units, model names to 7 × L + 10 from
    // 11 characters as seen (a letter with a combining accent is one).
    void columnWidths_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("initialWidth");
        QTest::addColumn<QString>("longest");
        QTest::addColumn<int>("width");
        const QString accented = QString::fromUtf8("e\u0301");
        // clang-format off
        QTest::newRow("IPv6, 30 never widen") << 2 << 100 << QString(30, u'f') << 100;
        QTest::newRow("IPv6, 31 ask for 242") << 2 << 100 << QString(31, u'f') << 242;
        QTest::newRow("IPv6, 39 ask for 298") << 2 << 200 << QString(39, u'f') << 298;
        QTest::newRow("IPv6, wider is not narrowed") << 2 << 300 << QString(39, u'f') << 300;
        QTest::newRow("model, 10 never widen") << 4 << 40 << "TV-100-PRO" << 40;
        QTest::newRow("model, 11 ask for 87") << 4 << 40 << "TV-100-PRO2" << 87;
        QTest::newRow("model, wider is not narrowed") << 4 << 120 << "TV-100-PRO2" << 120;
        QTest::newRow("model, 10 accented letters") << 4 << 40 << accented.repeated(10) << 40;
        QTest::newRow("model, 11 accented letters") << 4 << 40 << accented.repeated(11) << 87;
        // clang-format on
    }

    void columnWidths()
    {
        QFETCH(int, column);
        QFETCH(int, initialWidth);
        QFETCH(QString, longest);
        QFETCH(int, width);
        table().setColumnWidth(column, initialWidth);
        const int other = table().columnWidth(6 - column);
        const Rows rows{row("A", "x", "x", "CTRL"),
                        column == 2 ? row("B", "x", longest) : row("B", "x", "x", longest)};
        controller->fitIpv6ColumnWidth(rows);
        controller->fitModelNameColumnWidth(rows);
        QCOMPARE(table().columnWidth(column), width);
        QCOMPARE(table().columnWidth(6 - column), other);
        controller->setList(rows); // the new list keeps the widths
        QCOMPARE(table().columnWidth(column), width);
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
        // clang-format off
        QTest::newRow("pressed section") << false;
        QTest::newRow("sorted section") << true;
        // clang-format on
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

    // Flags of the first of twoCameras(): 'I', '6', 'A' HTTP answered on IPv4, IPv6, auto-IP;
    // 'S', 'T', 'U' HTTPS likewise; 'p' no HTTP port, 'q' no HTTPS port, 'x' an HTTP port text
    // with a host after it. 'm': its IPv6 text is the second camera's IPv4 address, which
    // answered over HTTP; 'd': the second camera has the first's IPv4 address, answered too.
    void pageUrl_data()
    {
        QTest::addColumn<QString>("flags");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("url");
        // clang-format off
        QTest::newRow("IPv4, HTTPS whatever HTTP says")
            << "IS" << "198.18.0.10" << "https://198.18.0.10:8443";
        QTest::newRow("IPv4, HTTP") << "I" << "198.18.0.10" << "http://198.18.0.10:8080";
        QTest::newRow("IPv4, HTTPS without its port")
            << "ISq" << "198.18.0.10" << "http://198.18.0.10:8080";
        QTest::newRow("IPv4, HTTP without its port")
            << "Ip" << "198.18.0.10" << "http://198.18.0.10";
        QTest::newRow("IPv4, no flag") << "" << "198.18.0.10" << "http://198.18.0.10";
        QTest::newRow("IPv6, HTTPS") << "T" << "2001:db8::10" << "https://[2001:db8::10]:8443";
        QTest::newRow("IPv6, HTTP") << "6" << "2001:db8::10" << "http://[2001:db8::10]:8080";
        QTest::newRow("IPv6, another address's flag")
            << "S" << "2001:db8::10" << "http://[2001:db8::10]";
        QTest::newRow("auto-IP, HTTPS") << "U" << "169.254.3.4" << "https://169.254.3.4:8443";
        QTest::newRow("auto-IP, HTTP") << "A" << "169.254.3.4" << "http://169.254.3.4:8080";
        QTest::newRow("auto-IP, no flag") << "" << "169.254.3.4" << "http://169.254.3.4";
        QTest::newRow("no camera with that address") << "" << "198.18.9.9" << "http://198.18.9.9";
        QTest::newRow("IPv4 match wins over IPv6")
            << "Tm" << "198.18.0.20" << "http://198.18.0.20:80";
        QTest::newRow("first camera wins") << "d" << "198.18.0.10" << "http://198.18.0.10";
        QTest::newRow("a port text cannot name a host")
            << "Ix" << "198.18.0.10" << "http://198.18.0.10";
        // clang-format on
    }

    void pageUrl()
    {
        QFETCH(QString, flags);
        QFETCH(QString, address);
        QFETCH(QString, url);
        CameraList cameras = twoCameras();
        Camera &first = cameras[0];
        first.isIpv4Enabled = flags.contains(u'I');
        first.isIpv6Enabled = flags.contains(u'6');
        first.isAutoIpEnabled = flags.contains(u'A');
        first.isIpv4HttpsEnabled = flags.contains(u'S');
        first.isIpv6HttpsEnabled = flags.contains(u'T');
        first.isAutoIpHttpsEnabled = flags.contains(u'U');
        if (flags.contains(u'p'))
            first.httpPort.reset();
        if (flags.contains(u'q'))
            first.httpsPort.reset();
        if (flags.contains(u'x'))
            first.httpPort = "80@198.51.100.1";
        if (flags.contains(u'm'))
            first.ipv6 = cameras[1].ipv4;
        if (flags.contains(u'd'))
            cameras[1].ipv4 = first.ipv4;
        cameras[1].isIpv4Enabled = flags.contains(u'm') || flags.contains(u'd');
        QCOMPARE(MyCustomCellView::pageUrl(address, cameras), std::optional(QUrl(url)));
    }

    // On a table sorted by IPv4 descending (second camera first), unlike displayedCameraList.
    void pressOpensLinkThenTableHandlesClick_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("url"); // empty: nothing opens
        // clang-format off
        QTest::newRow("IPv4 over HTTP") << 0 << 1 << "http://198.18.0.20:80";
        QTest::newRow("IPv4 over HTTPS") << 1 << 1 << "https://198.18.0.10:8443";
        QTest::newRow("IPv6 over HTTP") << 1 << 2 << "http://[2001:db8::10]:8080";
        QTest::newRow("address without underline") << 1 << 3 << "";
        QTest::newRow("placeholder") << 0 << 2 << "";
        QTest::newRow("MAC column") << 0 << 0 << "";
        // clang-format on
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
        // clang-format off
        QTest::newRow("press, release, double-click, release")
            << T{press, release, doubleClick, release};
        QTest::newRow("press, release, press, double-click, release")
            << T{press, release, press, doubleClick, release};
        // clang-format on
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
        // clang-format off
        QTest::newRow("still a link") << "i" << int(Qt::PointingHandCursor);
        QTest::newRow("no longer a link") << "" << int(Qt::ArrowCursor);
        // clang-format on
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
