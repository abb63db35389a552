#pragma once

#include "table/SortDescriptor.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QTableView>

#include <optional>

class CameraHeaderView;

// The camera table's view. Besides drawing the rows (each row's background across the full
// width of the view, from the model's background role) it keeps the table's sort state and
// reports every click as one `action`:
// - a click on a column header first updates the sort descriptors as a sortable table does
//   (the column whose key is first: its direction reverses; another column: its prototype goes
//   first, replacing any descriptor with the same key), then emits `action` with clickedRow -1;
// - a click in the rows area emits `action` on release, with clickedRow the row that now holds
//   the camera pressed (rows are told apart by MAC address, so a new list or a sort between
//   press and release does not change which camera was clicked), or -1 below the last row.
//   When the pressed camera has left the list by the release, there is no action.
// The view sorts nothing itself; whoever handles `action` does. While it has the keyboard focus
// an AppColor::kText line frames the rows area.
class CameraTableView : public QTableView
{
    Q_OBJECT
public:
    explicit CameraTableView(QWidget *parent = nullptr);

    CameraHeaderView *headerView() const;

    QList<SortDescriptor> sortDescriptors() const { return m_sortDescriptors; }
    void setSortDescriptors(const QList<SortDescriptor> &descriptors);

    // The descriptor a column's first header click puts in front.
    void setSortDescriptorPrototype(int column, const SortDescriptor &prototype);
    std::optional<SortDescriptor> sortDescriptorPrototype(int column) const;

    // The row of the click being reported by `action`; -1 for a header click or a click below
    // the rows.
    int clickedRow() const { return m_clickedRow; }

Q_SIGNALS:
    void action();

protected:
    // Typing in the table moves no current cell: the current index follows the selected row.
    void keyboardSearch(const QString &) override {}
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                     const QList<int> &roles = QList<int>()) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void headerClicked(int logicalIndex);

    QList<SortDescriptor> m_sortDescriptors;
    QMap<int, SortDescriptor> m_prototypes;
    int m_clickedRow = -1;
    void press(const QMouseEvent &event);

    // Between press and release: the MAC address of the row pressed, empty below the rows.
    std::optional<QString> m_pressedRowMac;
    bool m_isPressed = false;
};
