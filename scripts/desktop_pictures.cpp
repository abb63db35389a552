// Takes the pictures of the main window's desktop features for the README: the real program
// (VindraApp, its own mDNS querier), run by scripts/screenshot under Xvfb inside the simulated
// network's namespaces.
//
//   desktop_pictures DIR         the status line while the search runs and after it
//                                -> DIR/status-searching.png, DIR/status-found.png;
//                                the window with the pointer resting on a link
//                                -> DIR/main-window.png;
//                                the tooltip of an address outside the computer's networks
//                                -> DIR/outside-networks.png; the About window
//                                -> DIR/about-window.png; the filter with "TC-100" typed
//                                -> DIR/filter.png; the first row with an IPv6 link
//                                selected with Home and Down, its context menu open on
//                                "Copy All Rows" -> DIR/context-menu.png
// The window is told that the computer is on 198.18.1.0/29 only: the simulated client is on
// 198.18.0.0/15, which holds every device, and the pictures are to show the warning sign.
//   desktop_pictures --empty DIR on a network without devices -> DIR/nothing-found.png
#include "app/CameraListTable.h"
#include "app/MainWindow.h"
#include "app/MainWindowView.h"
#include "app/VindraApp.h"
#include "table/CameraListTableController.h"
#include "table/CameraListTableModel.h"
#include "table/CameraTableView.h"
#include "tests/support/FakeLocalNetworks.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QTest>
#include <QToolTip>

#include <algorithm>
#include <memory>

namespace
{
// The window's part of the screen (or of `area` within it), so that an open menu or tooltip
// shows too.
bool savePicture(const QWidget &window, const QString &path, QRect area = {})
{
    QTest::qWait(500);
    const QRect frame = window.frameGeometry();
    return QGuiApplication::primaryScreen()
        ->grabWindow(0)
        .copy(area.isNull() ? frame : area.translated(window.geometry().topLeft()))
        .save(path);
}

// The button row with the status line.
QRect statusArea(const MainWindowView &view)
{
    const QRect line(view.statusLine().mapTo(view.window(), QPoint()), view.statusLine().size());
    return QRect(0, 0, std::max(line.right(), 420) + 40, line.bottom() + 16);
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QStringList arguments = QApplication::arguments().mid(1);
    const bool empty = arguments.removeAll(QStringLiteral("--empty")) > 0;
    if (arguments.size() != 1) {
        qWarning("usage: desktop_pictures [--empty] DIR");
        return 2;
    }
    const QString directory = arguments.first();
    VindraApp vindra(application, nullptr,
                     std::make_unique<FakeLocalNetworks>(
                         QList<LocalNetwork>{{"lan0", QHostAddress("198.18.1.1"), 29}}));
    MainWindow &window = vindra.mainWindow();
    window.move(20, 20);
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window))
        return 1;
    Model &model = window.view().model();
    const QDeadlineTimer deadline(30000);
    while (!empty && !deadline.hasExpired() && model.cameraList().size() < 3)
        QTest::qWait(20);
    if (!empty && !savePicture(window, directory + QStringLiteral("/status-searching.png"),
                               statusArea(window.view())))
        return 1;
    // The search's five seconds, then the probes, within half a minute.
    while (!deadline.hasExpired() &&
           !(model.isEnabledSearchButton() && model.unsettledProbes() == 0))
        QTest::qWait(100);
    QTest::qWait(500);
    if (empty)
        return savePicture(window, directory + QStringLiteral("/nothing-found.png")) ? 0 : 1;

    if (!savePicture(window, directory + QStringLiteral("/status-found.png"),
                     statusArea(window.view())))
        return 1;

    CameraListTableController &controller = window.view().cameraListTable().controller();
    CameraTableView &table = *controller.tableView();
    const auto &rows = controller.list();
    // The IPv4 cell of the first row that is a link (amber under the pointer), then of the first
    // that is outside the networks (its tooltip shown).
    for (const int role :
         {int(CameraListTableModel::isLinkRole), int(CameraListTableModel::outsideNetworksRole)}) {
        for (int row = 0; row < rows.size(); ++row) {
            const QModelIndex cell = table.model()->index(row, kIpv4Column);
            const QVariant value = cell.data(role);
            if (!value.toBool() && value.toString().isEmpty())
                continue;
            const QPoint at = table.visualRect(cell).center();
            QTest::mouseMove(table.viewport(), at);
            // The long tooltip starts at the row's left, so that the picture holds it whole.
            if (role == CameraListTableModel::outsideNetworksRole)
                QToolTip::showText(table.viewport()->mapToGlobal(QPoint(10, at.y())),
                                   cell.data(Qt::ToolTipRole).toString(), table.viewport());
            if (!savePicture(window, directory + (role == CameraListTableModel::isLinkRole
                                                      ? QStringLiteral("/main-window.png")
                                                      : QStringLiteral("/outside-networks.png"))))
                return 1;
            QToolTip::hideText();
            break;
        }
    }
    vindra.appDelegate().showAboutBox();
    QWidget &about = *vindra.appDelegate().aboutBoxWindow();
    if (!QTest::qWaitForWindowExposed(&about) ||
        !savePicture(about, directory + QStringLiteral("/about-window.png")))
        return 1;
    about.close();
    window.activateWindow();
    // Without a window manager the window may never report itself active; the keys reach it
    // all the same.
    static_cast<void>(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_F, Qt::ControlModifier);
    QLineEdit &filter = window.view().filterField();
    QTest::keyClicks(&filter, QStringLiteral("TC-100"));
    if (!savePicture(window, directory + QStringLiteral("/filter.png")))
        return 1;
    QTest::keyClick(&filter, Qt::Key_Escape);
    const auto linked = std::find_if(rows.cbegin(), rows.cend(),
                                     [](const auto &row) { return row->ipV6().isLink(); });
    if (linked == rows.cend())
        return 1;
    const int row = int(linked - rows.cbegin());
    table.setFocus();
    QTest::keyClick(&table, Qt::Key_Home);
    for (int down = 0; down < row; ++down)
        QTest::keyClick(&table, Qt::Key_Down);
    const std::unique_ptr<QMenu> menu(controller.makeContextMenu(row));
    const QRect cell = table.visualRect(table.model()->index(row, 1));
    menu->popup(table.viewport()->mapToGlobal(cell.center()));
    menu->setActiveAction(menu->actions().at(1)); // Copy All Rows
    return savePicture(window, directory + QStringLiteral("/context-menu.png")) ? 0 : 1;
}
