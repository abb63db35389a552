#pragma once

#include "table/MyCustomHeaderCell.h"

#include <QHeaderView>
#include <QList>

#include <optional>

// The table's column header. Each section with a header cell is painted entirely by that cell
// (MyCustomHeaderCell); the area right of the last section gets the same fill. Sections are
// clickable but never movable, and no sort indicator is drawn.
class CameraHeaderView : public QHeaderView
{
    Q_OBJECT
public:
    explicit CameraHeaderView(QWidget *parent = nullptr);

    // Installs `cell` as the painter of logical section `section`.
    void setHeaderCell(int section, const MyCustomHeaderCell &cell);
    // The cell of a section; an untitled cell when none was installed.
    MyCustomHeaderCell headerCell(int section) const;
    bool hasHeaderCell(int section) const;

    QSize sizeHint() const override;

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;
    void paintEvent(QPaintEvent *event) override;

private:
    qreal titleInset() const;

    QList<std::optional<MyCustomHeaderCell>> m_cells;
};
