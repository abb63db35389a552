// Renders the camera table with sample rows to a PNG, for looking at it:
//     render_table out.png
// Shows ordinary rows, a selected row, underlined addresses, one hovered (amber) link and the
// painted header. Runs under the offscreen platform.
#include "app/CameraListTable.h"
#include "app/DarkAppearance.h"
#include "table/CameraListTableController.h"
#include "table/CameraTableView.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTextStream>
#include <QVBoxLayout>
#include <QWidget>

namespace
{

Camera sampleCamera(const QString &mac, const QString &ipv4, bool ipv4Http, const QString &ipv6,
                    bool ipv6Http, const QString &autoIp, bool autoIpHttp, const QString &model,
                    const QString &serial)
{
    Camera camera;
    camera.macAddress = mac;
    camera.ipv4 = ipv4;
    camera.isIpv4Enabled = ipv4Http;
    camera.ipv6 = ipv6;
    camera.isIpv6Enabled = ipv6Http;
    camera.autoIp = autoIp;
    camera.isAutoIpEnabled = autoIpHttp;
    camera.moedelName = model;
    camera.serialNumber = serial;
    camera.httpPort = QStringLiteral("80");
    return camera;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: render_table OUT.png\n";
        return 2;
    }

    applyDarkAppearance();

    const CameraList cameras = {
        sampleCamera("00:1B:2C:3D:4E:01", "198.18.0.10", true, "2001:db8::10", true, "---", false,
                     "TV-100", "SN0000123401"),
        sampleCamera("00:1B:2C:3D:4E:02", "198.18.0.2", true, "fe80::21b:2cff:fe3d:4e02", false,
                     "169.254.3.4", true, "TV-220 Outdoor", "SN0000123402"),
        sampleCamera("00:1B:2C:3D:4E:03", "---", false, "2001:db8:1234:5678:9abc:def0:1234:5678",
                     true, "169.254.10.20", false, "CTRL-1", "SN0000123403"),
        sampleCamera("00:1B:2C:3D:4E:04", "198.18.1.200", false, "---", false, "169.254.200.1",
                     true, "TV-100", "SN0000123404"),
        sampleCamera("00:1B:2C:3D:4E:05", "198.19.255.254", true, "2001:db8::5", false, "---",
                     false, "Ünïcode-Modell", "SN0000123405"),
    };
    const ObservableCameraList rows = CameraListTable::makeRows(cameras);

    QWidget window;
    window.setAutoFillBackground(true);
    auto *layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    CameraListTableController controller(&window);
    layout->addWidget(controller.view());
    controller.fitIpv6ColumnWidth(rows);
    controller.fitModelNameColumnWidth(rows);
    controller.setList(rows);
    controller.setSelectedRowMac(QStringLiteral("00:1B:2C:3D:4E:03"));
    window.resize(1100, 260);
    window.show();

    // Hover the IPv4 link of the second row.
    CameraTableView &table = *controller.tableView();
    const QPoint pointer = table.visualRect(table.model()->index(1, 1)).center();
    QMouseEvent move(QEvent::MouseMove, pointer, table.viewport()->mapToGlobal(pointer),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(table.viewport(), &move);
    QApplication::processEvents();

    return window.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
