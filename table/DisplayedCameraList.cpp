#include "table/DisplayedCameraList.h"

CameraList &displayedCameraList()
{
    static CameraList list;
    return list;
}
