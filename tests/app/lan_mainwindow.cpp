// The program on the simulated camera network, from the window's side. Run under
// tests/lan/lan-run with the mixed fleet (ctest app.lan_mainwindow):
//  - the main window opens and its first search starts without a click;
//  - the search button stays disabled for five seconds;
//  - the table fills with the fleet's maker devices (the fleet file's "expected" list), with
//    exactly the addresses that answered underlined;
//  - a press on each kind of link hands the expected URL to the URL opener (replaced here through
//    QDesktopServices::setUrlHandler), a press on an address that is no link hands over nothing.
// With --screenshots DIR (scripts/screenshot, under Xvfb) it also rests the pointer on a link
// and writes DIR/main-window.png and DIR/about-window.png.
//
// The devices' HTTPS certificates come from the run's throw-away CA (VINDRA_LAN_CA), which this
// driver adds to the trusted certificates; nothing else differs from `vindra`.

#include "app/AppDelegate.h"
#include "app/CameraListTable.h"
#include "app/MainWindow.h"
#include "app/MainWindowView.h"
#include "app/SearchButton.h"
#include "app/VindraApp.h"
#include "table/CameraListTableController.h"
#include "table/CameraListTableModel.h"
#include "table/CameraTableView.h"
#include "table/DisplayedCameraList.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScreen>
#include <QSslConfiguration>
#include <QTest>
#include <QUrl>

#include <cstdio>
#include <functional>

namespace
{
int failures = 0;

void check(bool condition, const QString &what)
{
    std::printf("%s: %s\n", condition ? "ok" : "FAIL", qPrintable(what));
    if (!condition)
        ++failures;
}

// Runs the event loop until `done` holds or `milliseconds` have passed; returns `done()`.
bool waitFor(const std::function<bool()> &done, int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// Collects what the program hands to the URL opener.
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QStringList urls;

public Q_SLOTS:
    void open(const QUrl &url) { urls.append(url.toString()); }
};

struct Expected {
    QJsonObject camera;
    // The IPv6 texts a search may keep, each with its own flags.
    QList<QJsonObject> ipv6Choices;
};

QList<Expected> loadExpected()
{
    QFile file(qEnvironmentVariable("VINDRA_LAN_FLEET"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<Expected> expected;
    for (const QJsonValue value : QJsonDocument::fromJson(file.readAll())["expected"].toArray()) {
        Expected entry{value.toObject(), {value.toObject()}};
        for (const QJsonValue alternative : entry.camera["alternatives"].toArray())
            entry.ipv6Choices.append(alternative.toObject());
        expected.append(entry);
    }
    return expected;
}

const Camera *findBySerial(const CameraList &cameras, const QString &serial)
{
    for (const Camera &camera : cameras) {
        if (camera.serialNumber == serial)
            return &camera;
    }
    return nullptr;
}

std::optional<QString> port(const QJsonValue &value)
{
    return value.isString() ? std::optional<QString>(value.toString()) : std::nullopt;
}

// The web page a press on `address` of `camera` must open: HTTPS with the HTTPS port when HTTPS
// answered there and a port was announced, else HTTP with the HTTP port likewise, else plain
// HTTP; IPv6 in brackets.
QString expectedUrl(const Camera &camera, const QString &address)
{
    bool http = false;
    bool https = false;
    QString host = address;
    if (address == camera.ipv4) {
        http = camera.isIpv4Enabled;
        https = camera.isIpv4HttpsEnabled;
    } else if (address == camera.ipv6) {
        http = camera.isIpv6Enabled;
        https = camera.isIpv6HttpsEnabled;
        host = u'[' + address + u']';
    } else {
        http = camera.isAutoIpEnabled;
        https = camera.isAutoIpHttpsEnabled;
    }
    if (https && camera.httpsPort)
        return "https://" + host + u':' + *camera.httpsPort;
    if (http && camera.httpPort)
        return "http://" + host + u':' + *camera.httpPort;
    return "http://" + host;
}

void checkTable(const CameraListTableController &controller, const QList<Expected> &expected)
{
    const CameraList &shown = displayedCameraList();
    check(shown.size() == expected.size(),
          QStringLiteral("%1 devices listed, %2 expected").arg(shown.size()).arg(expected.size()));
    const ObservableCameraList &rows = controller.list();
    check(rows.size() == shown.size(), QStringLiteral("one row per listed device"));

    for (const Expected &entry : expected) {
        const QJsonObject &want = entry.camera;
        const QString serial = want["serialNumber"].toString();
        const Camera *camera = findBySerial(shown, serial);
        check(camera, "listed: " + serial);
        if (!camera)
            continue;
        const QJsonObject *ipv6 = nullptr;
        for (const QJsonObject &choice : entry.ipv6Choices) {
            if (choice["ipv6"].toString() == camera->ipv6)
                ipv6 = &choice;
        }
        const bool fieldsMatch =
            camera->macAddress == want["macAddress"].toString() &&
            camera->ipv4 == want["ipv4"].toString() &&
            camera->autoIp == want["autoIp"].toString() &&
            camera->moedelName == want["moedelName"].toString() && ipv6 &&
            camera->isIpv4Enabled == want["isIpv4Enabled"].toBool() &&
            camera->isIpv4HttpsEnabled == want["isIpv4HttpsEnabled"].toBool() &&
            camera->isIpv6Enabled == (*ipv6)["isIpv6Enabled"].toBool() &&
            camera->isIpv6HttpsEnabled == (*ipv6)["isIpv6HttpsEnabled"].toBool() &&
            camera->isAutoIpEnabled == want["isAutoIpEnabled"].toBool() &&
            camera->isAutoIpHttpsEnabled == want["isAutoIpHttpsEnabled"].toBool() &&
            camera->httpPort == port(want["httpPort"]) &&
            camera->httpsPort == port(want["httpsPort"]);
        check(fieldsMatch, "fields and answers of " + serial);

        const qsizetype index = camera - shown.data();
        if (index >= rows.size())
            continue;
        const ObservableCamera &row = *rows.at(index);
        const auto answered = [](const QString &text, bool flag) {
            return flag && text != placeholderText;
        };
        check(row.ipV4().isUnderlined ==
                      answered(camera->ipv4, camera->isIpv4Enabled || camera->isIpv4HttpsEnabled) &&
                  row.ipV6().isUnderlined ==
                      answered(camera->ipv6, camera->isIpv6Enabled || camera->isIpv6HttpsEnabled) &&
                  row.autoIp().isUnderlined == answered(camera->autoIp, camera->isAutoIpEnabled),
              "underlined addresses of " + serial);
    }
}

// Presses the cell of `column` in the row of the camera with `serial`; returns what the URL
// opener received.
QStringList press(CameraListTableController &controller, UrlRecorder &recorder,
                  const QString &serial, int column)
{
    recorder.urls.clear();
    CameraTableView &view = *controller.tableView();
    const ObservableCameraList &rows = controller.list();
    for (int row = 0; row < rows.size(); ++row) {
        if (rows.at(row)->serialNumber() != serial)
            continue;
        const QModelIndex index = view.model()->index(row, column);
        view.scrollTo(index);
        const QPoint centre = view.visualRect(index).center();
        QTest::mousePress(view.viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, centre);
        QCoreApplication::processEvents();
        break;
    }
    return recorder.urls;
}

void checkLinks(CameraListTableController &controller, UrlRecorder &recorder)
{
    using Column = CameraListTableModel::Column;
    struct Press {
        const char *what;
        const char *serial;
        Column column;
    };
    const Press presses[] = {
        {"IPv4 over HTTPS", "S0001", CameraListTableModel::ipV4Column},
        {"IPv4 over HTTP", "S0002", CameraListTableModel::ipV4Column},
        {"IPv4 over HTTP without a port", "S0003", CameraListTableModel::ipV4Column},
        {"IPv6 over HTTPS", "S0001", CameraListTableModel::ipV6Column},
        {"IPv6 over HTTP", "S0002", CameraListTableModel::ipV6Column},
        {"auto-IP over HTTPS", "S0006", CameraListTableModel::autoIpColumn},
        {"auto-IP over HTTP", "S0009", CameraListTableModel::autoIpColumn},
    };
    for (const Press &link : presses) {
        const Camera *camera = findBySerial(displayedCameraList(), link.serial);
        if (!camera) {
            check(false, QStringLiteral("%1: device %2 listed").arg(link.what, link.serial));
            continue;
        }
        const QString address = link.column == CameraListTableModel::ipV4Column   ? camera->ipv4
                                : link.column == CameraListTableModel::ipV6Column ? camera->ipv6
                                                                                  : camera->autoIp;
        const QString want = expectedUrl(*camera, address);
        const QStringList got = press(controller, recorder, link.serial, link.column);
        check(got == QStringList{want},
              QStringLiteral("%1 opens %2 (got %3)").arg(link.what, want, got.join(u' ')));
    }
    // An address that did not answer, and the placeholder, open nothing.
    check(press(controller, recorder, "S0008", CameraListTableModel::ipV4Column).isEmpty(),
          "a press on an address that did not answer opens nothing");
    check(press(controller, recorder, "S0003", CameraListTableModel::ipV6Column).isEmpty(),
          "a press on the placeholder opens nothing");
}

bool writeScreenshots(VindraApp &vindra, const QString &directory)
{
    QDir().mkpath(directory);
    MainWindow &window = vindra.mainWindow();
    CameraListTableController &controller = window.view().cameraListTable().controller();
    CameraTableView &view = *controller.tableView();

    // Rest the pointer on the first answering IPv4 address: it turns amber.
    const ObservableCameraList &rows = controller.list();
    for (int row = 0; row < rows.size(); ++row) {
        if (!rows.at(row)->ipV4().isUnderlined)
            continue;
        const QModelIndex index = view.model()->index(row, CameraListTableModel::ipV4Column);
        QTest::mouseMove(view.viewport(), view.visualRect(index).center());
        break;
    }
    waitFor([] { return false; }, 500);

    const auto grab = [](QWidget &widget) {
        QScreen *screen = widget.screen();
        QPixmap picture = screen ? screen->grabWindow(widget.winId()) : QPixmap();
        return picture.isNull() ? widget.grab() : picture;
    };
    bool saved = grab(window).save(directory + "/main-window.png");

    vindra.appDelegate().showAboutBox();
    QWidget *about = vindra.appDelegate().aboutBoxWindow();
    saved = QTest::qWaitForWindowExposed(about) && saved;
    waitFor([] { return false; }, 300);
    saved = grab(*about).save(directory + "/about-window.png") && saved;
    return saved;
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const qsizetype screenshotOption = arguments.indexOf(QStringLiteral("--screenshots"));
    const QString screenshotDirectory =
        screenshotOption > 0 ? arguments.value(screenshotOption + 1) : QString();

    const QString ca = qEnvironmentVariable("VINDRA_LAN_CA");
    if (!ca.isEmpty()) {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.addCaCertificates(ca);
        QSslConfiguration::setDefaultConfiguration(tls);
    }
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &recorder, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &recorder, "open");
    const QList<Expected> expected = loadExpected();
    check(!expected.isEmpty(), "the fleet file lists the expected devices");

    QElapsedTimer sinceStart;
    sinceStart.start();
    VindraApp vindra(application);
    MainWindow &window = vindra.mainWindow();
    MainWindowView &view = window.view();
    check(window.isVisible(), "the main window is open");
    check(!view.model().isEnabledSearchButton(), "the first search started without a click");

    // Disabled for the five seconds of the browse, then enabled.
    SearchButton &button = view.searchButton();
    QCoreApplication::processEvents();
    qint64 enabledAt = -1;
    bool enabledEarly = false;
    waitFor(
        [&] {
            if (button.isEnabled()) {
                enabledAt = sinceStart.elapsed();
                // The model's timer is precise; allow a little for the time before
                // sinceStart began.
                enabledEarly = enabledAt < 4990;
            }
            return button.isEnabled();
        },
        10000);
    check(enabledAt >= 0 && !enabledEarly && enabledAt < 6500,
          QStringLiteral("the button was disabled for five seconds (enabled after %1 ms)")
              .arg(enabledAt));

    // Every expected device, with its probes answered, reaches the table.
    CameraListTableController &controller = view.cameraListTable().controller();
    const auto complete = [&] {
        if (displayedCameraList() != view.model().cameraList() ||
            controller.list().size() != expected.size() || view.model().unsettledProbes() > 0)
            return false;
        return true;
    };
    check(waitFor(complete, 30000), "the table shows the search's final list");
    checkTable(controller, expected);
    // Pictures first: the link presses below select rows.
    if (!screenshotDirectory.isEmpty())
        check(writeScreenshots(vindra, screenshotDirectory),
              "screenshots written to " + screenshotDirectory);
    checkLinks(controller, recorder);
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));

    std::printf("%s\n", failures == 0 ? "all checks passed" : "some checks FAILED");
    return failures == 0 ? 0 : 1;
}

#include "lan_mainwindow.moc"
