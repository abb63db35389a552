#include "cli/ScanOutput.h"

#include <QTest>

class TestScanOutput : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cameraJsonHasAllFieldsInOrder()
    {
        Camera camera;
        camera.macAddress = "00-11-22-aa-bb-cc";
        camera.isIpv4Enabled = camera.isAutoIpHttpsEnabled = true;
        camera.moedelName = "VX \"1\"\n";
        camera.device = Device::camera;
        camera.httpsPort = "443";
        QCOMPARE(cameraJson(camera),
                 "{\"macAddress\":\"00-11-22-aa-bb-cc\",\"ipv4\":\"---\",\"isIpv4Enabled\":true,"
                 "\"isIpv4HttpsEnabled\":false,\"ipv6\":\"---\",\"isIpv6Enabled\":false,"
                 "\"isIpv6HttpsEnabled\":false,\"autoIp\":\"---\",\"isAutoIpEnabled\":false,"
                 "\"isAutoIpHttpsEnabled\":true,\"modelName\":\"VX "
                 "\\\"1\\\"\\n\",\"serialNumber\":\"---\","
                 "\"device\":\"camera\",\"httpsPort\":\"443\"}");
        camera.httpPort = "";
        const QString names[] = {"none", "camera", "controller", "undefined"};
        for (int device = 0; device < 4; ++device) {
            camera.device = Device(device);
            QVERIFY(cameraJson(camera).endsWith(
                QStringLiteral("\"device\":\"%1\",\"httpPort\":\"\",\"httpsPort\":\"443\"}")
                    .arg(names[device])));
        }
    }

    void tableShowsAnsweredAddressesAndNoRawControls()
    {
        Camera camera;
        camera.ipv4 = "198.18.0.10";
        camera.isIpv4Enabled = camera.isIpv4HttpsEnabled = true;
        camera.moedelName = QStringLiteral("evil\x1b[2J");
        const QStringList lines = cameraTable({camera}).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines.at(0).startsWith("MAC ADDRESS"));
        QVERIFY(lines.at(1).contains("198.18.0.10 +http +https"));
        QVERIFY(lines.at(1).contains("evil\\x1b[2J"));
    }

    void serviceLinesEscapeWhatIsNotPrintableUtf8()
    {
        ServiceReport service;
        service.name = "Cam\n\"2\"";
        service.port = 80;
        service.addresses = {"198.18.0.10", "fe80::1%eth0"};
        service.txt = {{"a", "x\ny"}, {"b", QByteArray("\xff\x00z\\", 4)}, {"c", "caf\xc3\xa9"}};
        QCOMPARE(serviceLine(service, true),
                 QString::fromUtf8(
                     "{\"name\":\"Cam\\n\\\"2\\\"\",\"type\":\"\",\"domain\":\"\",\"host\":\"\","
                     "\"port\":80,\"addresses\":[\"198.18.0.10\",\"fe80::1%eth0\"],"
                     "\"txt\":{\"a\":\"x\\ny\",\"b\":\"\\\\xff\\\\x00z\\\\\\\\\",\"c\":\"café\"},"
                     "\"txtNotUtf8\":[\"b\"]}"));
        const QString line = serviceLine(service, false);
        QVERIFY(line.startsWith("\"Cam\\x0a\\\"2\\\"\" "));
        QVERIFY(line.contains("a=\"x\\x0ay\""));
        QVERIFY(line.contains("b=\"\\xff\\x00z\\\\\""));
    }
};

QTEST_GUILESS_MAIN(TestScanOutput)
#include "tst_scanoutput.moc"
