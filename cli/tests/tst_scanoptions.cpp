#include "cli/ScanOptions.h"

#include <QTest>

// Refused arguments are checked on the program itself (arguments_test.cmake).
class TestScanOptions : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void accepted_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("options"); // mode json type time wait watch count
        QTest::newRow("none") << QStringList{} << "0 0 _http._tcp 5 10 0 0";
        QTest::newRow("json, wait")
            << QStringList{"--json", "--wait", "2.5"} << "0 1 _http._tcp 5 2.5 0 0";
        QTest::newRow("watch and count")
            << QStringList{"--watch", "6", "--count", "3"} << "0 0 _http._tcp 5 10 6 3";
        QTest::newRow("services") << QStringList{"--services", "--json"}
                                  << "1 1 _http._tcp 5 10 0 0";
        QTest::newRow("services with type and time")
            << QStringList{"--services", "_ipp._tcp", "--time", "2"} << "1 0 _ipp._tcp 2 10 0 0";
        QTest::newRow("help") << QStringList{"--json", "--help"} << "2 1 _http._tcp 5 10 0 0";
        QTest::newRow("version") << QStringList{"--version"} << "3 0 _http._tcp 5 10 0 0";
        QTest::newRow("one domain")
            << QStringList{"--domain", "site.example"} << "0 0 _http._tcp 5 10 0 0";
        QTest::newRow("browse domains")
            << QStringList{"--browse-domains", "--time", "2"} << "4 0 _http._tcp 2 10 0 0";
    }

    void accepted()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, options);
        const auto parsed = parseScanOptions(arguments);
        QVERIFY(std::holds_alternative<ScanOptions>(parsed));
        const auto o = std::get<ScanOptions>(parsed);
        QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5 %6 %7")
                     .arg(int(o.mode))
                     .arg(int(o.json))
                     .arg(o.serviceType)
                     .arg(o.timeSeconds)
                     .arg(o.waitSeconds)
                     .arg(o.watchSeconds.value_or(0))
                     .arg(o.count.value_or(0)),
                 options);
    }
};

QTEST_GUILESS_MAIN(TestScanOptions)
#include "tst_scanoptions.moc"
