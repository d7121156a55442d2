#include "ScreenGeometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Squared distance from a point to a rectangle (0 inside).
long long DistanceSquared(const QRect& r, QPoint p) {
    const long long dx = p.x() < r.left() ? r.left() - p.x() : p.x() > r.right() ? p.x() - r.right() : 0;
    const long long dy = p.y() < r.top() ? r.top() - p.y() : p.y() > r.bottom() ? p.y() - r.bottom() : 0;
    return dx * dx + dy * dy;
}

std::uint32_t WholeMm(qreal mm) { return mm > 0 && mm < 1e6 ? std::uint32_t(std::lround(mm)) : 0; }

}  // namespace

MonitorGeometry MonitorGeometryOf(const std::vector<ScreenMeasures>& screens) {
    if (screens.empty()) return {};
    const auto primary = std::find_if(screens.begin(), screens.end(), [](const ScreenMeasures& s) { return s.primary; });
    const ScreenMeasures& main = primary != screens.end() ? *primary : screens.front();
    if (screens.size() < 2) return DescribeMonitors(1, main.measures, nullptr);
    const QPoint point = main.geometry.topLeft() + QPoint(main.geometry.width() + 500, 200);
    const ScreenMeasures* nearest = &main;
    long long best = std::numeric_limits<long long>::max();
    for (const ScreenMeasures& s : screens)
        if (const long long d = DistanceSquared(s.geometry, point); d < best) {
            best = d;
            nearest = &s;
        }
    return DescribeMonitors(std::uint32_t(screens.size()), main.measures, &nearest->measures);
}

MonitorGeometry QueryMonitorGeometry() {
    std::vector<ScreenMeasures> screens;
    for (QScreen* screen : QGuiApplication::screens()) {
        ScreenMeasures s;
        // Device pixels: what the monitor really has, whatever scaling the desktop applies.
        const QSize pixels = screen->size() * screen->devicePixelRatio();
        s.measures.width = std::uint32_t(std::max(0, pixels.width()));
        s.measures.height = std::uint32_t(std::max(0, pixels.height()));
        s.measures.widthMm = WholeMm(screen->physicalSize().width());
        s.measures.heightMm = WholeMm(screen->physicalSize().height());
        s.measures.dpiX = std::uint32_t(std::max(0L, std::lround(screen->logicalDotsPerInchX())));
        s.measures.dpiY = std::uint32_t(std::max(0L, std::lround(screen->logicalDotsPerInchY())));
        s.geometry = screen->geometry();
        s.primary = screen == QGuiApplication::primaryScreen();
        screens.push_back(s);
    }
    return MonitorGeometryOf(screens);
}
