#include "cli/ScanOptions.h"

#include <QTest>

class TestScanOptions : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void accepted_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("json");
        QTest::addColumn<QString>("type");
        QTest::addColumn<double>("time");
        QTest::addColumn<double>("wait");
        QTest::addColumn<double>("watch"); // 0 for none
        QTest::addColumn<int>("count");    // 0 for none
        const int cameras = int(ScanOptions::Mode::cameras);
        const int services = int(ScanOptions::Mode::services);
        QTest::newRow("no arguments")
            << QStringList{} << cameras << false << "_http._tcp" << 5.0 << 10.0 << 0.0 << 0;
        QTest::newRow("json") << QStringList{"--json"} << cameras << true << "_http._tcp" << 5.0
                              << 10.0 << 0.0 << 0;
        QTest::newRow("wait") << QStringList{"--wait", "2.5"} << cameras << false << "_http._tcp"
                              << 5.0 << 2.5 << 0.0 << 0;
        QTest::newRow("watch and count")
            << QStringList{"--watch", "6", "--count", "3", "--json"} << cameras << true
            << "_http._tcp" << 5.0 << 10.0 << 6.0 << 3;
        QTest::newRow("watch without count") << QStringList{"--watch", "30"} << cameras << false
                                             << "_http._tcp" << 5.0 << 10.0 << 30.0 << 0;
        QTest::newRow("services default type") << QStringList{"--services"} << services << false
                                               << "_http._tcp" << 5.0 << 10.0 << 0.0 << 0;
        QTest::newRow("services with type and time")
            << QStringList{"--services", "_ipp._tcp", "--time", "2"} << services << false
            << "_ipp._tcp" << 2.0 << 10.0 << 0.0 << 0;
        QTest::newRow("services, option after it")
            << QStringList{"--services", "--json"} << services << true << "_http._tcp" << 5.0
            << 10.0 << 0.0 << 0;
        QTest::newRow("services subtype")
            << QStringList{"--services", "_printer._sub._http._tcp"} << services << false
            << "_printer._sub._http._tcp" << 5.0 << 10.0 << 0.0 << 0;
        QTest::newRow("help") << QStringList{"--json", "--help"} << int(ScanOptions::Mode::help)
                              << true << "_http._tcp" << 5.0 << 10.0 << 0.0 << 0;
        QTest::newRow("version") << QStringList{"--version"} << int(ScanOptions::Mode::version)
                                 << false << "_http._tcp" << 5.0 << 10.0 << 0.0 << 0;
    }

    void accepted()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, mode);
        QFETCH(bool, json);
        QFETCH(QString, type);
        QFETCH(double, time);
        QFETCH(double, wait);
        QFETCH(double, watch);
        QFETCH(int, count);
        const auto parsed = parseScanOptions(arguments);
        QVERIFY(std::holds_alternative<ScanOptions>(parsed));
        const auto options = std::get<ScanOptions>(parsed);
        QCOMPARE(int(options.mode), mode);
        QCOMPARE(options.json, json);
        QCOMPARE(options.serviceType, type);
        QCOMPARE(options.timeSeconds, time);
        QCOMPARE(options.waitSeconds, wait);
        QCOMPARE(options.watchSeconds.value_or(0.0), watch);
        QCOMPARE(options.count.value_or(0), count);
    }

    void refused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("unknown option") << QStringList{"--fast"};
        QTest::newRow("positional in camera mode") << QStringList{"_http._tcp"};
        QTest::newRow("watch below 6") << QStringList{"--watch", "5"};
        QTest::newRow("watch missing value") << QStringList{"--watch"};
        QTest::newRow("wait zero") << QStringList{"--wait", "0"};
        QTest::newRow("wait negative") << QStringList{"--wait", "-1"};
        QTest::newRow("wait not a number") << QStringList{"--wait", "ten"};
        QTest::newRow("wait infinite") << QStringList{"--wait", "inf"};
        QTest::newRow("wait beyond an hour") << QStringList{"--wait", "3601"};
        QTest::newRow("count without watch") << QStringList{"--count", "2"};
        QTest::newRow("count zero") << QStringList{"--watch", "6", "--count", "0"};
        QTest::newRow("count not whole") << QStringList{"--watch", "6", "--count", "1.5"};
        QTest::newRow("time without services") << QStringList{"--time", "3"};
        QTest::newRow("wait with services") << QStringList{"--services", "--wait", "3"};
        QTest::newRow("watch with services") << QStringList{"--services", "--watch", "6"};
        QTest::newRow("bad service type") << QStringList{"--services", "http"};
        QTest::newRow("service type with blank") << QStringList{"--services", "_h ttp._tcp"};
        QTest::newRow("second positional") << QStringList{"--services", "_http._tcp", "x"};
    }

    void refused()
    {
        QFETCH(QStringList, arguments);
        const auto parsed = parseScanOptions(arguments);
        QVERIFY(std::holds_alternative<QString>(parsed));
        const QString message = std::get<QString>(parsed);
        QVERIFY(!message.isEmpty());
        QVERIFY(!message.contains(QLatin1Char('\n')));
    }
};

QTEST_GUILESS_MAIN(TestScanOptions)
#include "tst_scanoptions.moc"
