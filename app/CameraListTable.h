#pragma once

#include "discovery/Camera.h"
#include "discovery/ChangeCoalescer.h"
#include "platform/Clock.h"
#include "table/ObservableCamera.h"

#include <QWidget>

#include <memory>

class CameraListTableController;
class Model;

// Hosts the camera table (one CameraListTableController, made with the view) and keeps it showing
// the model's camera list.
//
// After the model announces a change (objectWillChange, sent before the value is stored), the
// update runs once on a later turn of the event loop, however many announcements came in the
// meantime, and at most once per frame (kFrameIntervalMs): each update repaints every visible
// cell, and a busy search announces thousands of changes a second. An emptied list (a new
// search) is not held back: it reaches the table on the next turn, so the old selection is
// forgotten before the new search's first camera comes. The update:
//  1. the model's cameraList equal to displayedCameraList: stop, nothing is touched;
//  2. displayedCameraList becomes the model's list;
//  3. rows are rebuilt, one per camera in the model's order that passes the filter
//     (filterText, searchableText), as makeRows makes it; a camera equal to the one at its place in
//     the previous list keeps its row object, which is the same row;
//  4. an empty list: the selection is forgotten (a camera the filter hides stays selected);
//     else, when the row count changed, the IPv6 and then the model-name column are widened to
//     fit rows that are not empty;
//  5. the rows go to the controller in the model's order (an earlier column sort is not
//     applied again; the selection follows its MAC address).
// The update also runs once after construction. Main thread only.
class CameraListTable : public QWidget
{
    Q_OBJECT
public:
    static constexpr qint64 kFrameIntervalMs = 33;

    // `model` must outlive this widget; so must `clock`, which paces the updates with
    // `frameTimer` (by default the system's clock and a timer of its own). `nextTurn` takes the
    // updates to a later turn (by default the event loop's; ChangeCoalescer::Post).
    explicit CameraListTable(Model &model, QWidget *parent = nullptr, const Clock *clock = nullptr,
                             std::unique_ptr<OneShotTimer> frameTimer = nullptr,
                             const ChangeCoalescer::Post &nextTurn = {});
    ~CameraListTable() override;

    CameraListTableController &controller() const { return *m_controller; }

    // Runs the update now (the queued update calls this).
    void updateController();

    // The camera list the table was last built from, in the model's order; empty at first.
    const CameraList &displayedCameraList() const { return m_displayedCameraList; }

    // The rows for `cameras`, in their order. An address is underlined when its web interface
    // answered there (IPv4 and IPv6: over HTTP or HTTPS; auto-IP: over HTTP only) and it is not
    // placeholderText; such a link carries the page of its own camera (pageUrl).
    static ObservableCameraList makeRows(const CameraList &cameras);

    // Only cameras that match `text` get rows; "" shows all. Steps 3 to 5 run at once with the
    // new text. The text stays for later searches.
    void setFilterText(const QString &text);
    QString filterText() const { return m_filterText; }

private:
    // What the filter looks in, case-folded: each column's text as the table shows it, then the
    // MAC address without its separators. A camera passes when this contains the filter text,
    // letter case ignored.
    static QString searchableText(const Camera &camera);
    // Steps 3 to 5 for displayedCameraList.
    void showCameras();

    QString m_filterText;
    Model &m_model;
    CameraList m_displayedCameraList;
    // The row of each camera of displayedCameraList that has one, made when first shown.
    ObservableCameraList m_rowOfCamera;
    // Likewise its searchableText, made when first filtered.
    QStringList m_searchableTextOfCamera;
    CameraListTableController *m_controller = nullptr;
    ChangeCoalescer m_changes;
    // Looks, after each turn's changes are stored, for an emptied list to expedite.
    ChangeCoalescer m_emptiedList;
};
