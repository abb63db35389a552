#pragma once

#include "AttributedText.h"
#include "Camera.h"
#include "ObservableCamera.h"

#include <QWidget>

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

// Hosts the camera table (one CameraListTableController, made with the view) and keeps it showing
// the model's camera list.
//
// After the model announces a change (objectWillChange, sent before the value is stored), the
// update runs once on a later turn of the event loop, however many announcements came in one turn:
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
    explicit CameraListTable(Model &model, QWidget *parent = nullptr);
    ~CameraListTable() override;

    CameraListTableController &controller() const { return *m_controller; }

    // Runs the update now (the queued update calls this).
    void updateController();

    // The rows for `cameras`, in their order, with the link rule applied to each address.
    static ObservableCameraList makeRows(const CameraList &cameras);

private:
    void scheduleUpdate();

    Model &m_model;
    CameraListTableController *m_controller = nullptr;
    bool m_isUpdateScheduled = false;
};
