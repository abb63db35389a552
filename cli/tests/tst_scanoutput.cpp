#include "cli/ScanOutput.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

class TestScanOutput : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cameraJsonHasAllFieldsInOrder()
    {
        Camera camera;
        camera.macAddress = "00-11-22-aa-bb-cc";
        camera.ipv4 = "198.18.0.10";
        camera.isIpv4Enabled = true;
        camera.isAutoIpHttpsEnabled = true;
        camera.moedelName = "VX \"1\"\n";
        camera.device = Device::camera;
        camera.httpsPort = "443";
        const QString line = cameraJson(camera);
        QVERIFY(!line.contains(QLatin1Char('\n')));
        const QJsonObject object = QJsonDocument::fromJson(line.toUtf8()).object();
        QCOMPARE(object.keys().size(), 14); // httpPort left out
        QVERIFY(!object.contains("httpPort"));
        QCOMPARE(object.value("httpsPort").toString(), "443");
        QCOMPARE(object.value("modelName").toString(), "VX \"1\"\n");
        QVERIFY(!object.contains("moedelName"));
        QCOMPARE(object.value("device").toString(), "camera");
        QCOMPARE(object.value("isIpv4Enabled").toBool(), true);
        QCOMPARE(object.value("isIpv4HttpsEnabled").toBool(), false);
        QCOMPARE(object.value("isAutoIpHttpsEnabled").toBool(), true);
        QCOMPARE(object.value("ipv6").toString(), "---");

        const QStringList order = {"macAddress",
                                   "ipv4",
                                   "isIpv4Enabled",
                                   "isIpv4HttpsEnabled",
                                   "ipv6",
                                   "isIpv6Enabled",
                                   "isIpv6HttpsEnabled",
                                   "autoIp",
                                   "isAutoIpEnabled",
                                   "isAutoIpHttpsEnabled",
                                   "modelName",
                                   "serialNumber",
                                   "device",
                                   "httpsPort"};
        qsizetype at = -1;
        for (const QString &key : order) {
            const qsizetype next = line.indexOf(QLatin1Char('"') + key + QLatin1String("\":"));
            QVERIFY2(next > at, qPrintable(key));
            at = next;
        }
    }

    void deviceCaseNames_data()
    {
        QTest::addColumn<Device>("device");
        QTest::addColumn<QString>("name");
        QTest::newRow("none") << Device::none << "none";
        QTest::newRow("camera") << Device::camera << "camera";
        QTest::newRow("controller") << Device::controller << "controller";
        QTest::newRow("undefined") << Device::undefined << "undefined";
    }

    void deviceCaseNames()
    {
        QFETCH(Device, device);
        QFETCH(QString, name);
        Camera camera;
        camera.device = device;
        camera.httpPort = "";
        const QJsonObject object = QJsonDocument::fromJson(cameraJson(camera).toUtf8()).object();
        QCOMPARE(object.value("device").toString(), name);
        QCOMPARE(object.value("httpPort").toString("absent"), ""); // present and empty
    }

    void tableShowsAnsweredAddressesAndNoRawControls()
    {
        Camera camera;
        camera.macAddress = "00-11-22-aa-bb-cc";
        camera.ipv4 = "198.18.0.10";
        camera.isIpv4Enabled = true;
        camera.isIpv4HttpsEnabled = true;
        camera.moedelName = QStringLiteral("evil\x1b[2J");
        const QString table = cameraTable({camera});
        const QStringList lines = table.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines.at(0).startsWith("MAC ADDRESS"));
        QVERIFY(lines.at(1).contains("198.18.0.10 +http +https"));
        QVERIFY(!table.contains(QChar(0x1b)));
        QVERIFY(lines.at(1).contains("evil\\x1b[2J"));
        QCOMPARE(cameraTable({}).count('\n'), 1); // an empty list is just the header
    }

    void serviceJsonEscapesValuesThatAreNotUtf8()
    {
        ServiceReport service;
        service.name = "Cam 1";
        service.type = "_http._tcp";
        service.domain = "local.";
        service.host = "cam1.local.";
        service.port = 80;
        service.addresses = {"198.18.0.10", "fe80::1%eth0"};
        service.txt = {
            {"vender", "tulvo"}, {"model", QByteArray("\xff\x00z\\", 4)}, {"note", "caf\xc3\xa9"}};
        const QString line = serviceLine(service, true);
        QVERIFY(!line.contains(QChar(0xfffd)));
        QJsonParseError error;
        const QJsonObject object = QJsonDocument::fromJson(line.toUtf8(), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(object.value("port").toInt(), 80);
        QCOMPARE(object.value("addresses").toArray().size(), 2);
        const QJsonObject txt = object.value("txt").toObject();
        QCOMPARE(txt.value("model").toString(), "\\xff\\x00z\\\\");
        QCOMPARE(txt.value("note").toString(), QString::fromUtf8("caf\xc3\xa9"));
        QCOMPARE(object.value("txtNotUtf8").toArray().size(), 1);
        QCOMPARE(object.value("txtNotUtf8").toArray().at(0).toString(), "model");
    }

    void serviceLineIsOneLine()
    {
        ServiceReport service;
        service.name = "Cam\n\"2\"";
        service.txt = {{"a", "x\ny"}, {"b", "\x80"}, {"c", "say \"hi\""}};
        const QString line = serviceLine(service, false);
        QVERIFY(!line.contains('\n'));
        QVERIFY(line.startsWith("\"Cam\\x0a\\\"2\\\"\" "));
        QVERIFY(line.contains("a=\"x\\x0ay\""));
        QVERIFY(line.contains("b=\"\\x80\""));
        QVERIFY(line.contains("c=\"say \\\"hi\\\"\""));
    }
};

QTEST_GUILESS_MAIN(TestScanOutput)
#include "tst_scanoutput.moc"
