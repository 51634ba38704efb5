// Window geometry fitted to a screen.
#include "app/WindowGeometry.h"

#include <algorithm>

namespace quilto::app {

namespace {

// Like std::clamp, but a range turned upside down by a tiny screen keeps the
// lower bound instead of being undefined.
int Fit(int value, int low, int high) { return std::max(low, std::min(value, high)); }

// Puts [start, start + length) inside [areaStart, areaStart + areaLength)
// when it fits, else at the area's start.
int Slide(int start, int length, int areaStart, int areaLength) {
    return Fit(start, areaStart, areaStart + areaLength - length);
}

}  // namespace

WindowPlacement PlaceMainWindow(const ScreenRect& area, const StoredWindow& stored, const WindowLimits& limits) {
    const int maxWidth = std::max(limits.minWidth, area.width);
    const int maxHeight = std::max(limits.minHeight, area.height);
    // 64-bit: a huge virtual desktop times the percentage must not overflow.
    const auto share = [](int length) {
        return static_cast<int>(static_cast<long long>(length) * kFirstStartPercent / 100);
    };
    WindowPlacement placed;
    ScreenRect& g = placed.geometry;
    if (stored.size) {
        g.width = Fit(stored.size->width, limits.minWidth, maxWidth);
        g.height = Fit(stored.size->height, limits.minHeight, maxHeight);
    } else {
        g.width = Fit(std::max(share(area.width), limits.comfortableWidth), limits.minWidth, maxWidth);
        g.height = Fit(share(area.height), limits.minHeight, maxHeight);
    }
    // 64-bit again: a stored position may be any 32-bit number.
    const auto overlaps = [](long long start, long long length, long long areaStart, long long areaLength) {
        return start < areaStart + areaLength && start + length > areaStart;
    };
    const bool touchesArea = stored.position && overlaps(stored.position->x, g.width, area.left, area.width) &&
                             overlaps(stored.position->y, g.height, area.top, area.height);
    if (touchesArea) {
        g.left = Slide(stored.position->x, g.width, area.left, area.width);
        g.top = Slide(stored.position->y, g.height, area.top, area.height);
    } else {
        g.left = area.left + std::max(0, (area.width - g.width) / 2);
        g.top = area.top + std::max(0, (area.height - g.height) / 2);
    }
    placed.split1 = FitSplitter(stored.split1, g.width, kMinSidePanelWidth);
    placed.split2 = FitSplitter(stored.split2, g.height - kWindowBarsHeight, kMinStackedPanelHeight);
    return placed;
}

ScreenRect PlaceOverOwner(ScreenSize wanted, ScreenSize minimum, const ScreenRect& owner, const ScreenRect& area) {
    ScreenRect box;
    box.width = std::max(wanted.width, minimum.width);
    box.height = std::max(wanted.height, minimum.height);
    if (area.width > 0) box.width = std::min(box.width, area.width);
    if (area.height > 0) box.height = std::min(box.height, area.height);
    box.left = owner.left + owner.width / 2 - box.width / 2;
    box.top = owner.top + owner.height / 2 - box.height / 2;
    if (area.width > 0) box.left = Slide(box.left, box.width, area.left, area.width);
    if (area.height > 0) box.top = Slide(box.top, box.height, area.top, area.height);
    return box;
}

int FitSplitter(int stored, int extent, int minSide) { return Fit(stored, minSide, extent - minSide); }

}  // namespace quilto::app
