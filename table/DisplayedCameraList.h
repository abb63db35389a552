#pragma once

#include "discovery/Camera.h"

// The process-wide list of Camera records the table was last built from, in discovery order.
// Written only by the list bridge (tests write it directly); read by the link cells to find a
// camera's ports and HTTPS flags. Starts empty. Main thread only.
CameraList &displayedCameraList();
