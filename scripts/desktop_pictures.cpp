// Takes the pictures of the main window's desktop features for the README: the real program
// (VindraApp, its own mDNS querier), run by scripts/screenshot under Xvfb inside the simulated
// network's namespaces.
//
//   desktop_pictures DIR         after the search has settled: the first row with an IPv6 link
//                                selected with Home and Down, its context menu open
//                                -> DIR/context-menu.png
//   desktop_pictures --empty DIR on a network without devices -> DIR/nothing-found.png
#include "app/CameraListTable.h"
#include "app/MainWindow.h"
#include "app/MainWindowView.h"
#include "app/VindraApp.h"
#include "table/CameraListTableController.h"
#include "table/CameraTableView.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QMenu>
#include <QScreen>
#include <QTest>

#include <algorithm>
#include <memory>

namespace
{
// The window's part of the screen, so that its open menu shows too.
bool savePicture(const QWidget &window, const QString &path)
{
    QTest::qWait(500);
    return QGuiApplication::primaryScreen()->grabWindow(0).copy(window.frameGeometry()).save(path);
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
    VindraApp vindra(application);
    MainWindow &window = vindra.mainWindow();
    window.move(20, 20);
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window))
        return 1;
    Model &model = window.view().model();
    // The search's five seconds, then the probes, within half a minute.
    const QDeadlineTimer deadline(30000);
    while (!deadline.hasExpired() &&
           !(model.isEnabledSearchButton() && model.unsettledProbes() == 0))
        QTest::qWait(100);
    QTest::qWait(500);
    if (empty)
        return savePicture(window, directory + QStringLiteral("/nothing-found.png")) ? 0 : 1;

    CameraListTableController &controller = window.view().cameraListTable().controller();
    CameraTableView &table = *controller.tableView();
    const auto &rows = controller.list();
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
    return savePicture(window, directory + QStringLiteral("/context-menu.png")) ? 0 : 1;
}
