// The monitor record of the library (MonitorGeometry) measured from Qt's screens, for the
// operations that measure visual angles.
#pragma once

#include <QRect>
#include <vector>

#include "CVelora.h"

// One screen as Qt reports it: its measures and where it lies on the desktop.
struct ScreenMeasures {
    MonitorMeasures measures;
    QRect geometry;  // desktop coordinates
    bool primary = false;
};

// The record of these screens: the primary one is the main monitor; with two or more, the
// second monitor is the screen nearest to the point (main width + 500, 200) of the primary
// screen, the point a second monitor to the right of the main one holds.
MonitorGeometry MonitorGeometryOf(const std::vector<ScreenMeasures>& screens);

// The record of the screens of this session.
MonitorGeometry QueryMonitorGeometry();
