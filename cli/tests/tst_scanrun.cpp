#include "cli/CameraScan.h"
#include "cli/ServiceScan.h"
#include "tests/support/FakeDnsSd.h"
#include "tests/support/FakeHttpClient.h"
#include "tests/support/FakeOneShotTimer.h"
#include "tests/support/SocketAddress.h"
#include "tests/support/TxtBytes.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

using namespace std::chrono_literals;

namespace
{

// Timers of the model (the 5-second browse) and of the scan (wait, watch) share one fake.
struct Fixture {
    FakeDnsSdBrowserFactory browsers;
    FakeHttpClient http;
    FakeOneShotTimer timers;
    Model model{browsers.factory(), http, timers.scheduler()};
    QStringList printed;

    std::unique_ptr<CameraScan> scan(const QStringList &arguments)
    {
        const auto options = std::get<ScanOptions>(parseScanOptions(arguments));
        return std::make_unique<CameraScan>(
            model, options, [this](const QString &text) { printed.append(text); },
            timers.scheduler());
    }

    void listCamera(const QByteArray &mac)
    {
        auto service = std::make_shared<FakeDnsSdService>();
        service->socketAddresses = {socketAddress("198.18.0.10")};
        Q_EMIT browsers.last()->serviceFound(service, false);
        Q_EMIT service->txtRecordChanged(txtBytes({"vender=tulvo", "macaddress=" + mac}));
    }

    // Fires the timer scheduled `index`-th and lets queued work run.
    void fire(qsizetype index)
    {
        timers.fire(index);
        QCoreApplication::processEvents();
    }
};

} // namespace

class TestScanRun : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void printsOnceBrowseIsOverAndProbesSettled()
    {
        Fixture f;
        auto scan = f.scan({"--json"});
        QSignalSpy finished(scan.get(), &CameraScan::finished);
        scan->start();
        // Timers: 0 = model's 5 s browse, 1 = the 10 s wait bound.
        QCOMPARE(f.timers.shots.size(), 2);
        QCOMPARE(f.timers.shots.at(0).interval, 5000ms);
        QCOMPARE(f.timers.shots.at(1).interval, 10000ms);
        f.listCamera("001122aabbcc");
        f.fire(0);
        QVERIFY(f.printed.isEmpty()); // the probe is still out
        f.http.finish(0, 401);
        QCoreApplication::processEvents();
        QCOMPARE(f.printed.size(), 1);
        QVERIFY(f.printed.at(0).contains("\"isIpv4Enabled\":true"));
        QCOMPARE(f.printed.at(0).count('\n'), 1);
        QCOMPARE(finished.count(), 1);
        f.fire(1); // the wait bound passes later: nothing more
        QCOMPARE(f.printed.size(), 1);
    }

    void emptySearchPrintsWhenTheBrowseEnds()
    {
        Fixture f;
        auto scan = f.scan({});
        scan->start();
        f.fire(0);
        QCOMPARE(f.printed.size(), 1);
        QCOMPARE(f.printed.at(0).count('\n'), 1); // the table header alone
    }

    void waitBoundPrintsWhileProbesAreOut()
    {
        Fixture f;
        auto scan = f.scan({"--json", "--wait", "7"});
        scan->start();
        QCOMPARE(f.timers.shots.at(1).interval, 7000ms);
        f.listCamera("001122aabbcc");
        f.fire(0);
        f.fire(1);
        QCOMPARE(f.printed.size(), 1);
        QVERIFY(f.printed.at(0).contains("\"isIpv4Enabled\":false"));
    }

    void watchRepeatsTheSearchWithHeaders()
    {
        Fixture f;
        auto scan = f.scan({"--json", "--watch", "6", "--count", "2"});
        QSignalSpy finished(scan.get(), &CameraScan::finished);
        scan->start();
        // 0 browse end, 1 wait, 2 next search.
        QCOMPARE(f.timers.shots.at(2).interval, 6000ms);
        f.listCamera("0011220000aa");
        f.listCamera("0011220000bb");
        f.fire(0);
        f.http.finish(0, 200);
        f.http.finish(1, std::nullopt);
        QCoreApplication::processEvents();
        QCOMPARE(f.printed.size(), 1);
        QVERIFY(f.printed.at(0).startsWith("# search 1\n"));
        QCOMPARE(f.printed.at(0).count("macAddress"), 2);
        QCOMPARE(finished.count(), 0);

        f.fire(2); // search 2: camera bb has left without a goodbye
        QCOMPARE(f.timers.shots.size(), 6);
        f.listCamera("0011220000aa");
        f.fire(3);
        f.http.finish(2, 200);
        QCoreApplication::processEvents();
        QCOMPARE(f.printed.size(), 2);
        QVERIFY(f.printed.at(1).startsWith("# search 2\n"));
        QCOMPARE(f.printed.at(1).count("macAddress"), 1);
        QVERIFY(f.printed.at(1).contains("00-11-22-00-00-aa"));
        QCOMPARE(finished.count(), 1);

        f.fire(5); // no third search
        QCOMPARE(f.browsers.made.size(), 2);
    }

    void servicesArePrintedWhenResolvedWithTheirTxt()
    {
        FakeDnsSdBrowserFactory browsers;
        FakeOneShotTimer timers;
        QStringList printed;
        auto options = std::get<ScanOptions>(
            parseScanOptions({"--services", "_ipp._tcp", "--json", "--time", "2"}));
        ServiceScan scan(
            browsers.factory(), options, [&printed](const QString &line) { printed.append(line); },
            timers.scheduler());
        QSignalSpy finished(&scan, &ServiceScan::finished);
        scan.start();
        QCOMPARE(*browsers.log, QStringList{"search _ipp._tcp "});
        QCOMPARE(timers.shots.at(0).interval, 2000ms);

        auto service = std::make_shared<FakeDnsSdService>("Printer \"A\"");
        service->host = "printer.local.";
        service->srvPort = 631;
        service->socketAddresses = {socketAddress("198.18.0.20"), socketAddress("fe80::1", 1)};
        Q_EMIT browsers.last()->serviceFound(service, false);
        QCOMPARE(service->resolveTimeouts.size(), 1);
        Q_EMIT service->resolved();
        QCOMPARE(service->monitoringStarts, 1);
        QVERIFY(printed.isEmpty());
        Q_EMIT service->txtRecordChanged(txtBytes({"rp=ipp/print", "x=\xff"}));
        Q_EMIT service->txtRecordChanged(txtBytes({"rp=ipp/other"}));
        QCOMPARE(printed.size(), 1);
        QCOMPARE(printed.at(0),
                 "{\"name\":\"Printer \\\"A\\\"\",\"type\":\"_http._tcp\",\"domain\":\"local.\","
                 "\"host\":\"printer.local.\",\"port\":631,"
                 "\"addresses\":[\"198.18.0.20\",\"fe80::1%lo\"],"
                 "\"txt\":{\"rp\":\"ipp/print\",\"x\":\"\\\\xff\"},\"txtNotUtf8\":[\"x\"]}");

        timers.fire(0);
        QCOMPARE(browsers.log->mid(1), (QStringList{"stop", "deleted"}));
        QCOMPARE(finished.count(), 1);
        QCOMPARE(service.use_count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestScanRun)
#include "tst_scanrun.moc"
