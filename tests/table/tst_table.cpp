// The camera table as the user meets it: columns, titles and widths, selection by MAC address,
// column sorting, the painted header and the link cells (hover, press, the page opened).
#include "table/CameraHeaderView.h"
#include "table/CameraListTableController.h"
#include "table/CameraListTableModel.h"
#include "table/CameraTableView.h"
#include "table/ColumnSort.h"
#include "table/Columns.h"
#include "table/MyCustomCellView.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDesktopServices>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

namespace
{
const QRgb kSelected = qRgb(0x80, 0x41, 0x00);
const QRgb kRowColor = qRgb(0x14, 0x14, 0x14);
const QRgb kAmber = qRgb(0xff, 0xc4, 0x00);
const QRgb kGrey = qRgb(0xd0, 0xd0, 0xd0);
const QRgb kHeaderFill = qRgb(0x28, 0x28, 0x28);
using Rows = ObservableCameraList;

// A row as the list bridge makes it from its six texts in column order (MAC, IPv4, IPv6,
// auto-IP, model, serial); `links` names the underlined addresses: 'i' IPv4, '6' IPv6, with
// their pages.
std::shared_ptr<ObservableCamera> row(const QStringList &v, const QString &links = {},
                                      const ObservableCamera::Pages &pages = {})
{
    const auto text = [&](int column, char c) {
        return AttributedText{v.at(column), links.contains(QLatin1Char(c))};
    };
    return std::make_shared<ObservableCamera>(v.at(0), text(1, 'i'), text(2, '6'), text(3, 'a'),
                                              v.at(4), v.at(5), false, false, false, pages);
}

// A row whose texts are all "x" but the one in `column`.
std::shared_ptr<ObservableCamera> rowWith(int column, const QString &value)
{
    QStringList texts(6, QStringLiteral("x"));
    texts[column] = value;
    return row(texts);
}

const QStringList kFirst{"00:1B:2C:3D:4E:01", "198.18.0.10", "2001:db8::10",
                         "169.254.3.4",       "TV-100",      "SN1"};

// Four cameras A..D in discovery order; every column sorts them differently.
Rows fourRows()
{
    return {row({"A", "192.168.1.10", "fe80::9", "169.254.10.1", "tv-100", "SN20"}),
            row({"B", "10.0.0.10", "fe80::10", "169.254.9.1", "CTRL", "SN3"}),
            row({"C", "192.168.1.9", "2001:db8::1", "---", "TV-100", "SN100"}),
            row({"D", "10.0.0.2", "fe80::1", "169.254.100.1", "tv-100", "SN4"})};
}

// One action on the table of scenario(): what the user or the list bridge does.
struct TableStep {
    enum class Action { header, click, press, release, select, descriptor, emptied, list } action;
    int number = 0; // the column of header; the row of click (-1: below the rows) and press
    QString text;   // the MAC of select, the key of descriptor, the rows of list

    static TableStep header(int column) { return {Action::header, column, {}}; }
    static TableStep click(int row) { return {Action::click, row, {}}; }
    static TableStep below() { return {Action::click, -1, {}}; }
    // Pressed on row `row`, released later (release()) wherever the rows then stand.
    static TableStep press(int row) { return {Action::press, row, {}}; }
    static TableStep release() { return {Action::release, 0, {}}; }
    // The selection set to `mac` directly.
    static TableStep select(const QString &mac) { return {Action::select, 0, mac}; }
    // The table's descriptors set to `key`, ascending, case-insensitive.
    static TableStep descriptor(const QString &key) { return {Action::descriptor, 0, key}; }
    // An emptied list, as the bridge stores it (the selection forgotten).
    static TableStep emptied() { return {Action::emptied, 0, {}}; }
    // A new list of fresh rows with A..D's values, in the order of `macs`.
    static TableStep list(const QString &macs = QStringLiteral("ABCD"))
    {
        return {Action::list, 0, macs};
    }
};

} // namespace

class TestTable : public QObject
{
    Q_OBJECT

    QStringList log; // pages opened and rows clicked, in order
    QPoint pointer;  // where the pointer rests in the viewport
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
    // The MACs of the rows painted selected, with "?" for a row painted neither way.
    QString paintedSelection()
    {
        const QImage image = viewport().grab().toImage();
        QString painted;
        for (int r = 0; r < controller->list().size(); ++r) {
            const int y = table().rowViewportPosition(r) + table().rowHeight(r) / 2;
            const QSet<QRgb> colors{image.pixel(1, y), image.pixel(image.width() - 2, y)};
            if (colors != QSet<QRgb>{kRowColor})
                painted += colors == QSet<QRgb>{kSelected} ? controller->list().at(r)->macAddress()
                                                           : QStringLiteral("?");
        }
        return painted;
    }
    void movePointer(QPoint to)
    {
        pointer = to;
        QMouseEvent move(QEvent::MouseMove, to, viewport().mapToGlobal(to), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&viewport(), &move);
    }
    // The cursor ('h' hand, 'a' arrow), then per address cell of the row under the pointer 'A'
    // amber, 'g' grey.
    QString pointerState()
    {
        QString state = viewport().cursor().shape() == Qt::PointingHandCursor ? "h " : "a ";
        const QImage image = viewport().grab().toImage();
        const int row = table().rowAt(pointer.y());
        for (int column = 1; column <= 3; ++column) {
            const QRect cell = table().visualRect(table().model()->index(row, column));
            QSet<QRgb> colors;
            for (int y = cell.top(); y <= cell.bottom(); ++y)
                for (int x = cell.left(); x <= cell.right(); ++x)
                    colors.insert(image.pixel(x, y));
            state += colors.contains(kAmber) == colors.contains(kGrey) ? u'?'
                     : colors.contains(kAmber)                         ? u'A'
                                                                       : u'g';
        }
        return state;
    }

public Q_SLOTS:
    void open(const QUrl &url) { log.append(url.toString()); }

private Q_SLOTS:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QDesktopServices::setUrlHandler("http", this, "open");
        QDesktopServices::setUrlHandler("https", this, "open");
    }

    void cleanupTestCase()
    {
        QDesktopServices::unsetUrlHandler("http");
        QDesktopServices::unsetUrlHandler("https");
    }

    // Two cameras as the bridge shows them once the first answered over HTTPS on IPv4 and over
    // HTTP on IPv6, and the second over HTTP on IPv4.
    void init()
    {
        log.clear();
        controller = std::make_unique<CameraListTableController>();
        tester = std::make_unique<QAbstractItemModelTester>(
            controller->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        controller->setList(
            {row(kFirst, "i6",
                 {QUrl("https://198.18.0.10:8443"), QUrl("http://[2001:db8::10]:8080"), {}}),
             row({"00:1B:2C:3D:4E:02", "198.18.0.20", "---", "---", "TV-100", "SN2"}, "i",
                 {QUrl("http://198.18.0.20:80"), {}, {}})});
        table().resize(1000, 300);
        table().show();
    }

    void cleanup()
    {
        tester.reset();
        controller.reset();
    }

    // Titles by localisation key, the key itself where there is no translation (translated:
    // tst_desktop's accessibility of the column headers), the same in the model and as painted.
    void titlesAndWidths()
    {
        QStringList titles{controller->model()->headerData(0, Qt::Horizontal).toString()};
        for (int column = 0; column < 6; ++column)
            titles.append(table().headerView()->headerCell(column).title());
        const QStringList keys{"macAddress",    "ipv4Address", "ipv6Address",
                               "autoIpAddress", "modelName",   "serialNo"};
        QCOMPARE(titles + controller->headerTitleList(), QStringList{"macAddress"} + keys + keys);
        QVERIFY(!table().headerView()->sectionsMovable());
        const QFontMetrics metrics = table().fontMetrics();
        QVERIFY(table().columnWidth(0) > metrics.horizontalAdvance("DD:DD:DD:DD:DD:DD"));
        QVERIFY(table().columnWidth(1) > metrics.horizontalAdvance("255.255.255.255"));
        QVERIFY(table().columnWidth(5) > metrics.horizontalAdvance("SN0000123401"));
    }

    // Clicks and new lists on the four rows A..D, step by step (TableStep). Then: the rows'
    // order, the selected MAC (painted so wherever it stands), the table's sort descriptors and
    // how often the list was stored.
    void scenario_data()
    {
        QTest::addColumn<QList<TableStep>>("steps");
        QTest::addColumn<QString>("order");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QList<SortDescriptor>>("descriptors");
        QTest::addColumn<int>("stores");
        using S = TableStep;
        // clang-format off
        const auto up = [](const char *key, TextComparison comparison) { return SortDescriptor{key, true, comparison}; };
        const auto down = [](const char *key, TextComparison comparison) { return SortDescriptor{key, false, comparison}; };
        constexpr auto ci = TextComparison::caseInsensitive, ls = TextComparison::localizedStandard, cp = TextComparison::codePoint;
        const QList<SortDescriptor> none;
        QTest::newRow("first click selects") << QList{S::click(2)} << "ABCD" << "C" << none << 0;
        QTest::newRow("click moves the selection") << QList{S::select("A"), S::click(1)} << "ABCD" << "B" << none << 0;
        QTest::newRow("click on the selected row") << QList{S::select("B"), S::click(1)} << "ABCD" << "B" << none << 0;
        QTest::newRow("header click keeps it") << QList{S::select("B"), S::header(0)} << "ABCD" << "B" << QList{up("macAddress", ci)} << 1;
        QTest::newRow("click below the rows keeps it") << QList{S::select("B"), S::below()} << "ABCD" << "B" << none << 0;
        QTest::newRow("selection follows its MAC") << QList{S::click(0), S::list("BCDA")} << "BCDA" << "A" << none << 1;
        QTest::newRow("selected camera gone") << QList{S::click(0), S::list("BC")} << "BC" << "A" << none << 1;
        QTest::newRow("selected camera back") << QList{S::click(0), S::list("BC"), S::list()} << "ABCD" << "A" << none << 2;
        QTest::newRow("IPv4 through a sort") << QList{S::click(3), S::header(1)} << "DBCA" << "D" << QList{up("ipV4.string", ls)} << 1;
        QTest::newRow("emptied list forgets it") << QList{S::click(1), S::emptied(), S::list()} << "ABCD" << "" << none << 2;
        QTest::newRow("pressed camera kept across a new list")
            << QList{S::header(1), S::press(0), S::list(), S::release()} << "ABCD" << "D" << QList{up("ipV4.string", ls)} << 2;
        QTest::newRow("IPv4 second click") << QList{S::header(1), S::header(1)} << "ACBD" << "" << QList{down("ipV4.string", ls)} << 2;
        QTest::newRow("IPv6 by code point") << QList{S::header(2)} << "CDBA" << "" << QList{up("ipV6.string", cp)} << 1;
        QTest::newRow("IPv6 keeps the descriptors behind it")
            << QList{S::header(0), S::header(2)} << "CDBA" << "" << QList{up("ipV6.string", cp), up("macAddress", ci)} << 2;
        QTest::newRow("IPv6 twice reverses its own")
            << QList{S::header(0), S::header(2), S::header(2)} << "ABDC" << "" << QList{down("ipV6.string", cp), up("macAddress", ci)} << 3;
        QTest::newRow("after IPv6 one descriptor")
            << QList{S::header(0), S::header(2), S::header(4)} << "BCDA" << "" << QList{up("modelName", ci)} << 3;
        QTest::newRow("auto-IP by value") << QList{S::header(3)} << "CBAD" << "" << QList{up("autoIp.string", ls)} << 1;
        QTest::newRow("model ties keep the order before")
            << QList{S::header(1), S::header(1), S::header(4)} << "BACD" << "" << QList{up("modelName", ci)} << 3;
        QTest::newRow("model descending keeps ties")
            << QList{S::header(1), S::header(4), S::header(4)} << "DCAB" << "" << QList{down("modelName", ci)} << 3;
        QTest::newRow("serial numbers by value") << QList{S::header(5)} << "BDAC" << "" << QList{up("serialNumber", ls)} << 1;
        QTest::newRow("below the rows: again, on a new list")
            << QList{S::header(4), S::header(4), S::list(), S::below()} << "ACDB" << "" << QList{down("modelName", ci)} << 4;
        QTest::newRow("below the rows: unknown key")
            << QList{S::descriptor("ipV4"), S::below()} << "ABCD" << "" << QList{up("ipV4", ci)} << 0;
        QTest::newRow("below the rows: the column's comparison")
            << QList{S::descriptor("serialNumber"), S::below()} << "BDAC" << "" << QList{up("serialNumber", ls)} << 1;
        QTest::newRow("header click on an empty list")
            << QList{S::emptied(), S::header(3)} << "" << "" << QList{up("autoIp.string", ls)} << 2;
        // clang-format on
    }

    void scenario()
    {
        QFETCH(QList<TableStep>, steps);
        QFETCH(QString, selected);
        controller->setList(fourRows());
        QSignalSpy changed(controller.get(), &CameraListTableController::listChanged);
        QPoint pressedAt;
        for (const TableStep &step : std::as_const(steps)) {
            // clang-format off
            switch (step.action) {
            case TableStep::Action::header: clickHeader(step.number); break;
            case TableStep::Action::click: clickRow(step.number); break;
            case TableStep::Action::press: pressedAt = cellCentre(step.number, 0);
                QTest::mousePress(&viewport(), Qt::LeftButton, {}, pressedAt); break;
            case TableStep::Action::release: QTest::mouseRelease(&viewport(), Qt::LeftButton, {}, pressedAt); break;
            case TableStep::Action::select: controller->setSelectedRowMac(step.text); break;
            case TableStep::Action::descriptor:
                table().setSortDescriptors({{step.text, true, TextComparison::caseInsensitive}}); break;
            case TableStep::Action::emptied: controller->setSelectedRowMac(QString()); controller->setList({}); break;
            case TableStep::Action::list: {
                Rows rows;
                for (const QChar mac : step.text)
                    rows.append(fourRows().at(mac.unicode() - u'A'));
                controller->setList(rows);
                break;
            }
            }
            // clang-format on
        }
        QString order;
        for (const auto &r : controller->list())
            order += r->macAddress();
        QTEST(order, "order");
        QCOMPARE(controller->selectedRowMac(), selected);
        QCOMPARE(paintedSelection(), order.contains(selected) ? selected : QString());
        QTEST(table().sortDescriptors(), "descriptors");
        QTEST(int(changed.count()), "stores");
    }

    // Keys on 60 rows in a narrow table, one step each ("L": a new list of fresh rows, as the
    // bridge stores after a probe): the selected row, as pages and rows of the table's height
    // (-1: none), and whether the table stands scrolled sideways. The selected row always shows,
    // Qt's current index and selection are on it, and the Menu key and Shift+F10 open the menu
    // of the selected row at that row.
    void keys_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("sideways");
        // clang-format off
        QTest::newRow("page down from none") << "PgDown" << 0 << 0 << false;
        QTest::newRow("up from none: the last") << "Up" << 0 << 59 << false;
        QTest::newRow("page down, down") << "Down PgDown Down" << 1 << 1 << false;
        QTest::newRow("page down after a new list") << "Down PgDown L PgDown" << 2 << 0 << false;
        QTest::newRow("ctrl end, page up") << "Ctrl+End PgUp" << -1 << 59 << false;
        QTest::newRow("ctrl home, page up stops there") << "Ctrl+End Ctrl+Home PgUp" << 0 << 0 << false;
        QTest::newRow("page down stops at the last") << "End PgDown" << 0 << 59 << false;
        QTest::newRow("right scrolls, keeps the row") << "Down Right Right" << 0 << 0 << true;
        QTest::newRow("left back") << "Down Right Left" << 0 << 0 << false;
        QTest::newRow("a new row keeps the sideways scroll") << "Right PgDown End" << 0 << 59 << true;
        QTest::newRow("menu key") << "Ctrl+End Menu" << 0 << 59 << false;
        QTest::newRow("shift f10 after a new list") << "Down PgDown L Right Shift+F10" << 1 << 0 << true;
        QTest::newRow("menu key without a selection") << "Menu" << 0 << -1 << false;
        // clang-format on
    }

    void keys()
    {
        QFETCH(QString, keys);
        const auto sixty = [] {
            Rows fresh;
            for (int n = 0; n < 60; ++n)
                fresh.append(rowWith(0, QString::number(n)));
            return fresh;
        };
        controller->setList(sixty());
        table().resize(400, 300);
        QVERIFY(QTest::qWaitForWindowExposed(&table()));
        const int page = viewport().height() / table().rowHeight(0);
        QStringList menus;
        for (const QString &step : keys.split(u' ')) {
            if (step == u'L') {
                controller->setList(sixty());
                continue;
            }
            QTimer::singleShot(0, this, [&] {
                if (QWidget *menu = QApplication::activePopupWidget()) {
                    const QPoint at = viewport().mapFromGlobal(menu->pos());
                    menus.append(QString::number(table().rowAt(at.y() - 1)));
                    menu->close();
                }
            });
            const QKeyCombination key = QKeySequence(step)[0];
            QTest::keyClick(&table(), key.key(), key.keyboardModifiers());
        }
        QFETCH(int, pages);
        QFETCH(int, rows);
        const int selected = rows < 0 ? -1 : pages * page + rows;
        QCOMPARE(controller->selectedRow(), selected);
        const QModelIndexList chosen = table().selectionModel()->selectedRows();
        QCOMPARE(chosen.size() == 1 ? chosen.front().row() : -1, selected);
        const bool isMenu = selected >= 0 && (keys.contains("Menu") || keys.contains("F10"));
        QCOMPARE(menus, isMenu ? QStringList{QString::number(selected)} : QStringList());
        const QRect shown = table().visualRect(table().model()->index(std::max(0, selected), 0));
        QVERIFY(shown.top() >= 0 && shown.bottom() < viewport().height());
        QVERIFY(selected < 0 || table().currentIndex().row() == selected);
        QFETCH(bool, sideways);
        QCOMPARE(table().horizontalScrollBar()->value() > 0, sideways);
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

    // Which of two rows the column's ascending sort puts first; 0: they tie (the earlier row
    // stays).
    void comparisons_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<int>("expected"); // -1: `first` sorts before `second`, 1: after
        const QLocale en(QLocale::English, QLocale::UnitedStates);
        // clang-format off
        QTest::newRow("standard, C locale") << 1 << QLocale::c() << "1.2" << "1.10" << -1;
        QTest::newRow("standard, C locale, case") << 5 << QLocale::c() << "sn-a" << "SN-A" << 0;
        QTest::newRow("case-insensitive: digits as characters") << 4 << en << "a10" << "a9" << -1;
        QTest::newRow("case-insensitive: non-ASCII case") << 0 << en << "ÄBC" << "äbc" << 0;
        QTest::newRow("code point: upper before lower") << 2 << en << "FE80::1" << "fe80::1" << -1;
        QTest::newRow("code point: NFC")
            << 2 << en << QString::fromUtf8("e\u0301") << QString::fromUtf8("\u00e9") << 0;
        QTest::newRow("code point: astral after U+FFFD")
            << 2 << en << QString::fromUtf8("\U0001F600") << QString::fromUtf8("\uFFFD") << 1;
        // clang-format on
    }

    void comparisons()
    {
        QFETCH(int, column);
        QFETCH(QLocale, locale);
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(int, expected);
        QLocale::setDefault(locale);
        const auto leader = [&](const QString &a, const QString &b) {
            const Rows rows{rowWith(column, a), rowWith(column, b)};
            const QString key = kColumns[size_t(column)].key.toString();
            return ColumnSort::sorted(rows, key, true).front() == rows.front() ? a : b;
        };
        const QString ab = leader(first, second);
        const QString ba = leader(second, first);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(ab, expected > 0 ? second : first);
        QCOMPARE(ba, expected < 0 ? first : second);
    }

    // Only ever widened: IPv6 to 7 × L + 25 from 31 UTF-16 units, model names to 7 × L + 10 from
    // 11 characters as seen (a letter with a combining accent is one). Initial width 0: as the
    // table starts, as wide as the rule makes it for the longest text that does not widen it.
    void columnWidths_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("initialWidth");
        QTest::addColumn<QString>("longest");
        QTest::addColumn<int>("width");
        // clang-format off
        QTest::newRow("IPv6, 30 never widen") << 2 << 0 << QString(30, u'f') << 235;
        QTest::newRow("IPv6, 31 ask for 242") << 2 << 100 << QString(31, u'f') << 242;
        QTest::newRow("IPv6, wider is not narrowed") << 2 << 300 << QString(39, u'f') << 300;
        QTest::newRow("model, 10 never widen") << 4 << 0 << "TV-100-PRO" << 80;
        QTest::newRow("model, 11 ask for 87") << 4 << 40 << "TV-100-PRO2" << 87;
        QTest::newRow("model, 11 accented letters")
            << 4 << 40 << QString::fromUtf8("e\u0301").repeated(11) << 87;
        // clang-format on
    }

    void columnWidths()
    {
        QFETCH(int, column);
        QFETCH(int, initialWidth);
        QFETCH(QString, longest);
        QFETCH(int, width);
        if (initialWidth > 0)
            table().setColumnWidth(column, initialWidth);
        const int other = table().columnWidth(6 - column);
        const Rows rows{rowWith(4, "CTRL"), rowWith(column, longest)};
        controller->fitIpv6ColumnWidth(rows);
        controller->fitModelNameColumnWidth(rows);
        QCOMPARE(table().columnWidth(column), width);
        QCOMPARE(table().columnWidth(6 - column), other);
        controller->setList(rows); // the new list keeps the widths
        QCOMPARE(table().columnWidth(column), width);
    }

    // Each header paints only the "#282828" fill and its title in "#D0D0D0" inside its
    // interior frame: no separators, no sort arrows, the same look pressed or sorted.
    void header_data()
    {
        QTest::addColumn<bool>("click"); // else press and hold
        QTest::newRow("pressed section") << false;
        QTest::newRow("sorted section") << true;
    }

    void header()
    {
        QFETCH(bool, click);
        QCOMPARE(MyCustomHeaderCell::interiorFrame({0, 0, 100, 30}), QRectF(1.5, 6.5, 100, 16));
        QCOMPARE(MyCustomHeaderCell::interiorFrame({120, 4, 80, 24}), QRectF(121.5, 10.5, 80, 10));
        CameraHeaderView &header = *table().headerView();
        const QImage before = header.grab().toImage();
        int titlePixels = 0;
        for (int x = 0; x < before.width(); ++x) {
            const int section = header.logicalIndexAt(x);
            const QRectF interior = MyCustomHeaderCell::interiorFrame(
                {qreal(header.sectionViewportPosition(section)), 0,
                 qreal(header.sectionSize(section)), qreal(header.height())});
            for (int y = 0; y < before.height(); ++y) {
                const QRgb pixel = before.pixel(x, y);
                if (pixel == kHeaderFill)
                    continue;
                QVERIFY2(section >= 0 && interior.intersects(QRectF(x, y, 1, 1)),
                         qPrintable(QStringLiteral("%1, %2").arg(x).arg(y)));
                QVERIFY(qRed(pixel) >= 0x28 && qRed(pixel) <= 0xd0);
                titlePixels += pixel == kGrey;
            }
        }
        QVERIFY(titlePixels > 50);
        for (int column = 1; column < header.count(); ++column) // no separators
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

    // The link cells, step by step: "mC" the pointer moves onto row 0, column C, and "nC" a pixel
    // further; "l" it leaves the table; "L..." a new row 0 with the links named; "T" a new list
    // of 40 rows, the even ones with IPv4 and IPv6 links; "w" a wheel notch down; "s" the table
    // sorted by IPv4 descending (the second camera first); "pRC" a
    // press and release on row R, column C; "d" a double click on row 0's IPv4 cell as
    // press, release, double-click, release, and "D" with one press more before the double-click.
    // Then the pointer's state (pointerState) and, in order, the pages opened and the rows the
    // table reported clicked. A new list under a resting pointer leaves the cell; the next move
    // enters it anew.
    void linkCells_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("log");
        const QString page = "https://198.18.0.10:8443 ";
        // clang-format off
        QTest::newRow("onto a link") << "m1" << "h Agg" << "";
        QTest::newRow("to the next link") << "m1 m2" << "h gAg" << "";
        QTest::newRow("onto an address that is no link") << "m1 m3" << "a ggg" << "";
        QTest::newRow("from a link onto the MAC column") << "m1 m0" << "a ggg" << "";
        QTest::newRow("out of the table") << "m1 l" << "a ggg" << "";
        QTest::newRow("new list under a resting pointer") << "m1 Li" << "h Agg" << "";
        QTest::newRow("new list: no longer a link") << "m1 L" << "a ggg" << "";
        QTest::newRow("new list: now a link") << "m3 Li m1 L Li" << "h Agg" << "";
        QTest::newRow("wheel: a plain row under the pointer") << "m2 T n2 w" << "a ggg" << "";
        QTest::newRow("wheel: a link under the pointer") << "m2 T w w" << "h gAg" << "";
        QTest::newRow("sorted: IPv4 over HTTP") << "s p01" << "a ggg" << "http://198.18.0.20:80 row0";
        QTest::newRow("sorted: IPv4 over HTTPS") << "s p11" << "a ggg" << page + "row1";
        QTest::newRow("sorted: IPv6 over HTTP") << "s p12" << "a ggg" << "http://[2001:db8::10]:8080 row1";
        QTest::newRow("sorted: address without underline") << "s p13" << "a ggg" << "row1";
        QTest::newRow("each press of a double click") << "d" << "a ggg" << page + "row0 " + page + "row0";
        QTest::newRow("each press of a double click, once more") << "D" << "a ggg" << page + "row0 " + page + "row0";
        // clang-format on
    }

    void linkCells()
    {
        QFETCH(QString, steps);
        connect(&table(), &CameraTableView::action, this, [&] {
            if (table().clickedRow() >= 0)
                log.append("row" + QString::number(table().clickedRow()));
        });
        for (const QString &step : steps.split(u' ')) {
            const int column = step.mid(1).toInt();
            if (step.startsWith(u'm') || step.startsWith(u'n')) {
                movePointer(cellCentre(0, column) + QPoint(step.startsWith(u'n'), 0));
            } else if (step == u'l') {
                QEvent leave(QEvent::Leave);
                QCoreApplication::sendEvent(&viewport(), &leave);
            } else if (step.startsWith(u'L')) {
                controller->setList({row(kFirst, step.mid(1))});
            } else if (step == u'T') {
                Rows rows;
                for (int n = 0; n < 40; ++n)
                    rows.append(row(kFirst, n % 2 ? "" : "i6"));
                controller->setList(rows);
            } else if (step == u'w') {
                QWheelEvent wheel(pointer, viewport().mapToGlobal(pointer), {}, {0, -120},
                                  Qt::NoButton, {}, Qt::NoScrollPhase, false);
                QCoreApplication::sendEvent(&viewport(), &wheel);
            } else if (step == u's') {
                clickHeader(1);
                clickHeader(1);
            } else if (step.startsWith(u'p')) {
                const QPoint at = cellCentre(step.at(1).digitValue(), step.at(2).digitValue());
                QTest::mouseClick(&viewport(), Qt::LeftButton, {}, at);
            } else { // press, release, [press,] double-click, release
                const QPoint at = cellCentre(0, 1);
                QTest::mouseClick(&viewport(), Qt::LeftButton, {}, at);
                if (step == u'D')
                    QTest::mousePress(&viewport(), Qt::LeftButton, {}, at);
                QTest::mouseDClick(&viewport(), Qt::LeftButton, {}, at);
                QTest::mouseRelease(&viewport(), Qt::LeftButton, {}, at);
            }
        }
        QTEST(pointerState(), "state");
        QTEST(log.join(u' '), "log");
    }
};

QTEST_MAIN(TestTable)
#include "tst_table.moc"
