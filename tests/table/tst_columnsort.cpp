#include "table/ColumnSort.h"

#include <QTest>

#include <memory>

Q_DECLARE_METATYPE(TextComparison)
Q_DECLARE_METATYPE(QList<SortDescriptor>)

namespace
{

// Rows whose only differing field is the one under `key`; the test follows them by identity.
ObservableCameraList rowsWith(const QString &key, const QStringList &values)
{
    ObservableCameraList rows;
    for (const QString &value : values) {
        const auto text = [&](const char *k) { return key == QLatin1String(k) ? value : "x"; };
        rows.append(std::make_shared<ObservableCamera>(
            text("macAddress"), AttributedText::plain(text("ipV4.string")),
            AttributedText::plain(text("ipV6.string")),
            AttributedText::plain(text("autoIp.string")), text("modelName"), text("serialNumber"),
            false, false, false));
    }
    return rows;
}

QList<int> positionsIn(const ObservableCameraList &original, const ObservableCameraList &sorted)
{
    QList<int> positions;
    for (const auto &row : sorted)
        positions.append(int(original.indexOf(row)));
    return positions;
}

} // namespace

class TestColumnSort : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void compare_data()
    {
        QTest::addColumn<TextComparison>("comparison");
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("expected");
        const auto ci = TextComparison::caseInsensitive;
        const auto ls = TextComparison::localizedStandard;
        const auto cp = TextComparison::codePoint;
        QTest::newRow("standard: digit runs by value") << ls << "10.0.0.2"
                                                       << "10.0.0.10" << -1;
        QTest::newRow("standard: 192.168.0.9 before .10") << ls << "192.168.0.10"
                                                          << "192.168.0.9" << 1;
        QTest::newRow("standard: case ignored") << ls << "sn-ab1"
                                                << "SN-AB1" << 0;
        QTest::newRow("standard: letters before later letters") << ls << "SNB"
                                                                << "sna" << 1;
        QTest::newRow("case-insensitive: equal") << ci << "A1-B2"
                                                 << "a1-b2" << 0;
        QTest::newRow("case-insensitive: digits as characters") << ci << "a10"
                                                                << "a9" << -1;
        QTest::newRow("case-insensitive: non-ASCII case") << ci << "ÄBC"
                                                          << "äbc" << 0;
        QTest::newRow("code point: fe80::10 before fe80::9") << cp << "fe80::10"
                                                             << "fe80::9" << -1;
        QTest::newRow("code point: 2001:db8::1 before fe80::1") << cp << "2001:db8::1"
                                                                << "fe80::1" << -1;
        QTest::newRow("code point: digit before colon") << cp << "fe80::1"
                                                        << "fe80:::" << -1;
        QTest::newRow("code point: colon before A") << cp << "fe80::"
                                                    << "fe80:A" << -1;
        QTest::newRow("code point: upper case before lower") << cp << "FE80::1"
                                                             << "fe80::1" << -1;
        QTest::newRow("code point: NFC makes composed and decomposed equal")
            << cp << QString::fromUtf8("e\u0301") << QString::fromUtf8("\u00e9") << 0;
        QTest::newRow("code point: astral after U+FFFD, unlike UTF-16 order")
            << cp << QString::fromUtf8("\U0001F600") << QString::fromUtf8("\uFFFD") << 1;
    }

    void compare()
    {
        QFETCH(TextComparison, comparison);
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, expected);
        QCOMPARE(ColumnSort::compare(comparison, a, b), expected);
        QCOMPARE(ColumnSort::compare(comparison, b, a), -expected);
        // The sort uses prepared keys; it must agree with the plain comparison.
        const QString key = comparison == TextComparison::caseInsensitive ? "modelName"
                            : comparison == TextComparison::codePoint     ? "ipV6.string"
                                                                          : "serialNumber";
        const ObservableCameraList rows = rowsWith(key, {b, a});
        const QList<int> order = positionsIn(rows, ColumnSort::sorted(rows, key, true));
        const QList<int> expectedOrder = expected < 0 ? QList<int>{1, 0} : QList<int>{0, 1};
        QCOMPARE(order, expectedOrder);
    }

    void standardComparisonInEveryLocale_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("C (no LANG)") << QLocale::c();
        QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedKingdom);
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany);
        QTest::newRow("Japanese") << QLocale(QLocale::Japanese, QLocale::Japan);
    }

    void standardComparisonInEveryLocale()
    {
        QFETCH(QLocale, locale);
        QLocale::setDefault(locale);
        const auto ls = TextComparison::localizedStandard;
        const int numeric = ColumnSort::compare(ls, "10.0.0.2", "10.0.0.10");
        const int caseless = ColumnSort::compare(ls, "sn-ab1", "SN-AB1");
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(numeric, -1);
        QCOMPARE(caseless, 0);
    }

    void sorted_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("ascending");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QList<int>>("order");
        const QStringList ipv4{"192.168.1.10", "10.0.0.10", "192.168.1.9", "10.0.0.2"};
        QTest::newRow("IPv4 ascending") << "ipV4.string" << true << ipv4 << QList<int>{3, 1, 2, 0};
        QTest::newRow("IPv4 descending")
            << "ipV4.string" << false << ipv4 << QList<int>{0, 2, 1, 3};
        const QStringList ipv6{"fe80::9", "fe80::10", "2001:db8::1", "fe80::1"};
        QTest::newRow("IPv6 ascending") << "ipV6.string" << true << ipv6 << QList<int>{2, 3, 1, 0};
        QTest::newRow("IPv6 descending")
            << "ipV6.string" << false << ipv6 << QList<int>{0, 1, 3, 2};
        const QStringList macs{"aa:bb:cc:00:00:01", "00:00:00:00:00:09", "AA:BB:CC:00:00:01"};
        QTest::newRow("MAC ascending, case tie keeps order")
            << "macAddress" << true << macs << QList<int>{1, 0, 2};
        QTest::newRow("MAC descending, case tie keeps order")
            << "macAddress" << false << macs << QList<int>{0, 2, 1};
        const QStringList models{"tv-100", "CTRL", "TV-100", "tv-100"};
        QTest::newRow("model descending, three-way tie keeps order")
            << "modelName" << false << models << QList<int>{0, 2, 3, 1};
        QTest::newRow("auto-IP by value")
            << "autoIp.string" << true << QStringList{"169.254.10.1", "169.254.9.1", "---"}
            << QList<int>{2, 1, 0};
        QTest::newRow("serial numbers by digit value")
            << "serialNumber" << true << QStringList{"SN100", "sn20", "SN3"} << QList<int>{2, 1, 0};
        QTest::newRow("unknown key leaves order")
            << "ipV4" << true << QStringList{"b", "a"} << QList<int>{0, 1};
    }

    void sorted()
    {
        QFETCH(QString, key);
        QFETCH(bool, ascending);
        QFETCH(QStringList, values);
        QFETCH(QList<int>, order);
        const ObservableCameraList rows = rowsWith(key, values);
        QCOMPARE(positionsIn(rows, ColumnSort::sorted(rows, key, ascending)), order);
    }

    void apply_data()
    {
        QTest::addColumn<QList<SortDescriptor>>("descriptors");
        QTest::addColumn<bool>("applied");
        QTest::addColumn<QList<SortDescriptor>>("after");
        QTest::addColumn<QList<int>>("order");
        using D = SortDescriptor;
        using L = QList<SortDescriptor>;
        const auto ci = TextComparison::caseInsensitive;
        const auto ls = TextComparison::localizedStandard;
        const auto cp = TextComparison::codePoint;
        QTest::newRow("no descriptors: nothing") << L{} << false << L{} << QList<int>{0, 1, 2};
        QTest::newRow("unknown key: nothing")
            << L{D{"ipV4", true, ls}, D{"macAddress", true, ci}} << false
            << L{D{"ipV4", true, ls}, D{"macAddress", true, ci}} << QList<int>{0, 1, 2};
        QTest::newRow("MAC: secondary descriptors dropped")
            << L{D{"macAddress", false, ci}, D{"ipV6.string", true, cp}} << true
            << L{D{"macAddress", false, ci}} << QList<int>{1, 0, 2};
        QTest::newRow("serial: comparison fixed to the column's own")
            << L{D{"serialNumber", true, ci}} << true << L{D{"serialNumber", true, ls}}
            << QList<int>{2, 0, 1};
        QTest::newRow("IPv6: descriptors stay as they are")
            << L{D{"ipV6.string", true, ci}, D{"macAddress", true, ci}} << true
            << L{D{"ipV6.string", true, ci}, D{"macAddress", true, ci}} << QList<int>{2, 1, 0};
    }

    void apply()
    {
        QFETCH(QList<SortDescriptor>, descriptors);
        QFETCH(bool, applied);
        QFETCH(QList<SortDescriptor>, after);
        QFETCH(QList<int>, order);
        ObservableCameraList rows;
        const QList<QStringList> fields{{"00:00:00:00:00:02", "fe80::9", "SN20"},
                                        {"00:00:00:00:00:03", "fe80::10", "SN100"},
                                        {"00:00:00:00:00:01", "2001:db8::1", "SN3"}};
        for (const QStringList &f : fields)
            rows.append(std::make_shared<ObservableCamera>(
                f[0], AttributedText::plain("x"), AttributedText::plain(f[1]),
                AttributedText::plain("x"), "x", f[2], false, false, false));
        const ObservableCameraList original = rows;
        QCOMPARE(ColumnSort::apply(descriptors, rows), applied);
        QCOMPARE(descriptors, after);
        QCOMPARE(positionsIn(original, rows), order);
    }
};

QTEST_GUILESS_MAIN(TestColumnSort)
#include "tst_columnsort.moc"
