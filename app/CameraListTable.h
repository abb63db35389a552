#pragma once

#include "discovery/Camera.h"
#include "table/AttributedText.h"
#include "table/ObservableCamera.h"

#include <QWidget>

#include <chrono>
#include <functional>
#include <optional>

class CameraListTableController;
class Model;

// The text attributes that mark an address as a link: a single underline (style 1) over the
// whole text, nothing else. The link cells recognise a link by it.
struct TextAttributes {
    int underlineStyle = 0;
};
inline constexpr TextAttributes underlineAttributes{1};

// `text` with `attributes` over all of it.
AttributedText attributedText(const QString &text, TextAttributes attributes = {});

// How often the table may take new rows. Each update makes the table repaint every visible
// cell; a busy search announces thousands of changes a second, and repainting for each would
// cost far more than the screen can show. So an update comes on the next turn when the last
// one is at least `interval` old, else when it will be.
struct UpdatePacing {
    std::chrono::milliseconds interval{33};
    // Monotonic time; empty: the steady clock.
    std::function<std::chrono::milliseconds()> now;
    // Runs a callback once after a delay, on this thread; empty: QTimer::singleShot.
    std::function<void(std::chrono::milliseconds, std::function<void()>)> schedule;
};

// Hosts the camera table (one CameraListTableController, made with the view) and keeps it showing
// the model's camera list.
//
// After the model announces a change (objectWillChange, sent before the value is stored), the
// update runs once on a later turn of the event loop, however many announcements came in the
// meantime, and at most once per frame interval (see UpdatePacing):
//  1. the model's cameraList equal to displayedCameraList(): stop, nothing is touched;
//  2. displayedCameraList() becomes the model's list;
//  3. rows are rebuilt, one per camera in the model's order; an address is underlined when its
//     web interface answered (IPv4 and IPv6: over HTTP or HTTPS; auto-IP: over HTTP only) and it
//     is not placeholderText;
//  4. no rows: the selection is forgotten; else, when the row count changed, the IPv6 and then
//     the model-name column are widened to fit;
//  5. the rows go to the controller in the model's order (an earlier column sort is not
//     applied again; the selection follows its MAC address).
// The update also runs once after construction. Main thread only.
class CameraListTable : public QWidget
{
    Q_OBJECT
public:
    // `model` must outlive this widget.
    explicit CameraListTable(Model &model, QWidget *parent = nullptr, UpdatePacing pacing = {});
    ~CameraListTable() override;

    CameraListTableController &controller() const { return *m_controller; }

    // Runs the update now (the queued update calls this).
    void updateController();

    // The rows for `cameras`, in their order, with the link rule applied to each address.
    static ObservableCameraList makeRows(const CameraList &cameras);

private:
    void scheduleUpdate();
    void runScheduledUpdate();

    Model &m_model;
    CameraListTableController *m_controller = nullptr;
    UpdatePacing m_pacing;
    std::optional<std::chrono::milliseconds> m_lastUpdate;
    bool m_isUpdateScheduled = false;
};
