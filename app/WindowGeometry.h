// Where the main window and its tool windows open and how the main window's
// splitters divide it: the stored values fitted to the screen. Plain arithmetic,
// so every case is checked without a screen.
#pragma once

#include <optional>

namespace quilto::app {

struct ScreenRect {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const ScreenRect&) const = default;
};

struct ScreenPoint {
    int x = 0, y = 0;
};
struct ScreenSize {
    int width = 0, height = 0;
};

// What the settings file holds for the window: nothing on a first start, and
// nothing for a value the file holds no usable number for.
struct StoredWindow {
    std::optional<ScreenPoint> position;  // of the frame
    std::optional<ScreenSize> size;       // of the window inside the frame
    int split1 = 0;  // left panel width
    int split2 = 0;  // upper panel height
};

struct WindowLimits {
    int minWidth = 480, minHeight = 360;
    // Width that shows the left panel and the file list's first columns at
    // their default widths; a first start opens at least this wide.
    int comfortableWidth = 0;
};

struct WindowPlacement {
    ScreenRect geometry;
    int split1 = 0, split2 = 0;
    bool operator==(const WindowPlacement&) const = default;
};

// Share of the screen's free area a first start takes, in percent.
inline constexpr int kFirstStartPercent = 85;
// Neither side of a splitter may shrink below these, so no panel is lost
// from sight by a value stored by a larger window.
inline constexpr int kMinSidePanelWidth = 100;
inline constexpr int kMinStackedPanelHeight = 80;
// Menu bar and status bar, which the upper panel and the pages share the
// window's height with.
inline constexpr int kWindowBarsHeight = 60;

// area: the free area of the screen the window opens on (without panels and
// docks). Without a stored size the window takes kFirstStartPercent of the
// area, but at least the comfortable width; without a stored position, or
// one whose window would not touch the area at all (a monitor that is gone),
// it opens centred. A stored size and position are kept as long as they fit,
// else shrunk and moved onto the area. Nothing exceeds the area unless the
// minimum size does.
WindowPlacement PlaceMainWindow(const ScreenRect& area, const StoredWindow& stored, const WindowLimits& limits);

// A tool window centred over its owner's frame: the wanted size at least the
// minimum and at most the area (the window must stay reachable, so here the
// area wins over the minimum), then moved wholly onto the area. An empty
// area (no screen known) limits nothing.
ScreenRect PlaceOverOwner(ScreenSize wanted, ScreenSize minimum, const ScreenRect& owner, const ScreenRect& area);

// The size of a splitter's first panel out of extent pixels, leaving each of
// the two panels at least minSide (the first one wins on a tiny extent).
int FitSplitter(int stored, int extent, int minSide);

}  // namespace quilto::app
