#pragma once

#include "table/ObservableCamera.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

class CameraListTableModel;
class CameraTableView;
class QMenu;
class QWidget;

// Owns the camera table: a six-column CameraTableView over a CameraListTableModel whose rows are
// `list`, in `list`'s own order. Row i of the table is element i of `list`.
//
// - Columns (table/Columns.h), in this fixed order and not movable: MAC address, IPv4, IPv6,
//   auto-IP, model name, serial number. Titles are `headerTitleList`, looked up by localisation key
//   (the key itself without a translation) and painted by MyCustomHeaderCell. The address columns
//   use MyCustomCellView (links open the device's web page).
// - Selection: the row whose MAC address equals `selectedRowMac` is painted
//   AppColor::kSelectedRow, every other row AppColor::kBackground, decided whenever a row is
//   painted — so the selection follows the camera through new lists and sorts. Qt's own selection
//   is off.
// - Clicks: a click on a row selects it by MAC address; a click on a column header or below the
//   last row sorts the rows by the table's first sort descriptor (applyColumnSort).
// - Keyboard (the table takes focus): Up and Down move the selection by a row, PageUp and
//   PageDown by a page, Home and End (with or without Ctrl) go to the first and last row, and the
//   table scrolls up or down to show it; Left and Right scroll sideways. Enter opens the selected
//   row's web page (rowPageUrl), Ctrl+C copies the row (rowText), the Menu key and Shift+F10 open
//   its context menu at the row. The selection stays a MAC address, as after a click; Qt's
//   current index and selection follow it (also after each new list), so assistive technology
//   announces the selected row.
// - Context menu on a row: copy the row, all rows shown (allRowsText), and each of its MAC
//   address, addresses, model and serial number that it has (not "---"); open and copy the web
//   page of each underlined address.
// - Widths: the IPv6 and model-name columns are only ever widened (fit...ColumnWidth).
//
// Typical use (the list bridge):
//     auto *controller = new CameraListTableController(parentWidget);
//     layout->addWidget(controller->view());
//     controller->fitIpv6ColumnWidth(rows);       // non-empty rows, when the count changed
//     controller->fitModelNameColumnWidth(rows);
//     controller->setList(rows);
//     controller->setSelectedRowMac(QString());   // when the new list is empty
// The controller owns its view and deletes it with itself (unless the view was deleted first).
// Main thread only.
class CameraListTableController : public QObject
{
    Q_OBJECT
public:
    // Creates the table (as a child of `parentWidget`, if given) and sets it up.
    explicit CameraListTableController(QWidget *parentWidget = nullptr, QObject *parent = nullptr);
    ~CameraListTableController() override;

    QWidget *view() const;
    CameraTableView *tableView() const { return m_tableView; }
    CameraListTableModel *model() const { return m_model; }

    const ObservableCameraList &list() const;
    // Stores the rows and shows them in this order. Neither sorts, nor changes the selection.
    // Emits listChanged.
    void setList(const ObservableCameraList &list);

    // MAC address of the row shown as selected; "" for none.
    QString selectedRowMac() const;
    void setSelectedRowMac(const QString &macAddress);

    QStringList headerTitleList() const { return m_headerTitleList; }

    // Widen the IPv6 column (kIpv6Column), and the model-name column (kModelNameColumn), for the
    // longest text of `rows` by the column's growth rule (ColumnGrowth in table/Columns.h:
    // kPointsPerCharacter per character plus the column's margin, from its minimum length on);
    // a column already that wide or wider is left as it is.
    void fitIpv6ColumnWidth(const ObservableCameraList &rows);
    void fitModelNameColumnWidth(const ObservableCameraList &rows);

    // Sorts `list` by the first of the table's sort descriptors and normalises the descriptors.
    // Called for header clicks and clicks below the rows.
    void applyColumnSort(CameraTableView &tableView);

    // Row index of selectedRowMac in list; -1 when no row has it.
    int selectedRow() const;
    // Selects `row` by its MAC address and scrolls it into view, up or down only.
    void selectRow(int row);
    // Selects `row` and opens its context menu at `position` (viewport coordinates).
    void showContextMenu(int row, QPoint position);

    // The page a press on the row's first link cell opens: that of its first underlined address
    // in the order IPv4, IPv6, auto-IP. Nothing for a row without links.
    static std::optional<QUrl> rowPageUrl(const ObservableCamera &row);
    // MAC, IPv4, IPv6, auto-IP, model, serial, as shown, separated by tabs.
    static QString rowText(const ObservableCamera &row);
    // The column titles, then every row shown in its order (rowText), one line each: what a
    // spreadsheet takes as a table.
    QString allRowsText() const;
    // The context menu of `row` (owned by the caller).
    QMenu *makeContextMenu(int row) const;

public Q_SLOTS:
    // The table's action: every click on it, its header included.
    void tableViewClicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

Q_SIGNALS:
    // After every setList, also when the rows are the same.
    void listChanged();

private:
    void loadView(QWidget *parentWidget);
    // loadView's parts: clicks, keys and menus; the look; each column's cell, sort and width.
    void setUpBehaviour(CameraTableView &table);
    void setUpLook(CameraTableView &table);
    void setUpColumns(CameraTableView &table);
    void fitColumnWidth(int column, const ObservableCameraList &rows);
    void viewDidLoad();
    bool keyPressed(int key, Qt::KeyboardModifiers modifiers);
    // Up, Down, PageUp, PageDown, Home or End: selects the row it leads to.
    void moveSelection(int key);
    // Points Qt's current index and selection at the selected row, or clears them.
    void followSelection();
    // Rows that fit in the viewport, at least one: the step of PageUp and PageDown.
    int rowsPerPage() const;

    QPointer<CameraTableView> m_tableView;
    CameraListTableModel *m_model = nullptr;
    QStringList m_headerTitleList;
};
