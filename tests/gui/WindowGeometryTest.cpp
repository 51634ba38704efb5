// Where the main window opens: first starts sized to the screen, stored
// geometry fitted to the screen it opens on, splitters that keep every panel.
#include <gtest/gtest.h>

#include <climits>
#include <optional>

#include "app/WindowGeometry.h"

namespace {

using quilto::app::FitSplitter;
using quilto::app::PlaceMainWindow;
using quilto::app::PlaceOverOwner;
using quilto::app::ScreenPoint;
using quilto::app::ScreenRect;
using quilto::app::ScreenSize;
using quilto::app::StoredWindow;
using quilto::app::WindowLimits;

constexpr ScreenRect kDesktop{0, 0, 1920, 1040};  // a full HD screen below a 40-pixel panel
constexpr ScreenRect kLaptop{0, 0, 1366, 728};
constexpr ScreenRect kOffscreen{0, 0, 800, 600};
constexpr ScreenRect kRightMonitor{1920, 0, 1280, 1024};
constexpr int kComfortable = 1180;  // left panel + the file list's default columns

struct PlaceCase {
    const char* name;
    ScreenRect area;
    std::optional<ScreenPoint> position;
    std::optional<ScreenSize> size;
    ScreenRect expected;
};

StoredWindow Stored(const PlaceCase& c) {
    StoredWindow stored;
    stored.position = c.position;
    stored.size = c.size;
    stored.split1 = 200;
    stored.split2 = 200;
    return stored;
}

TEST(WindowGeometry, FitsTheWindowToTheScreen) {
    const PlaceCase cases[] = {
        {"first start: 85 percent, centred", kDesktop, {}, {}, {144, 78, 1632, 884}},
        {"first start on a laptop: the columns' width wins", kLaptop, {}, {}, {93, 55, 1180, 618}},
        {"first start on a small screen: capped by it", kOffscreen, {}, {}, {0, 45, 800, 510}},
        {"first start below the minimum size", {0, 0, 400, 300}, {}, {}, {0, 0, 480, 360}},
        {"first start on a second monitor", kRightMonitor, {}, {}, {1970, 77, 1180, 870}},
        {"stored position without a size", kDesktop, ScreenPoint{60, 50}, {}, {60, 50, 1632, 884}},
        {"stored geometry that fits stays", kDesktop, ScreenPoint{60, 50}, ScreenSize{900, 640}, {60, 50, 900, 640}},
        {"stored on the second monitor stays", kRightMonitor, ScreenPoint{2000, 10}, ScreenSize{900, 640},
         {2000, 10, 900, 640}},
        {"stored larger than the screen shrinks", kOffscreen, ScreenPoint{30, 20}, ScreenSize{900, 640},
         {0, 0, 800, 600}},
        {"hanging over the right edge slides back", kDesktop, ScreenPoint{1500, 100}, ScreenSize{900, 640},
         {1020, 100, 900, 640}},
        {"title bar above the screen comes down", kDesktop, ScreenPoint{60, -200}, ScreenSize{900, 640},
         {60, 0, 900, 640}},
        {"on a monitor that is gone: centred", kDesktop, ScreenPoint{3000, 50}, ScreenSize{900, 640},
         {510, 200, 900, 640}},
        {"far away on the left: centred", kDesktop, ScreenPoint{-6000, -6000}, ScreenSize{900, 640},
         {510, 200, 900, 640}},
        {"the largest position overflows nothing", kDesktop, ScreenPoint{INT_MAX, INT_MAX},
         ScreenSize{INT_MAX, INT_MAX}, {0, 0, 1920, 1040}},
        {"tiny stored size grows to the minimum", kDesktop, ScreenPoint{60, 50}, ScreenSize{100, 50},
         {60, 50, 480, 360}},
    };
    for (const PlaceCase& c : cases) {
        const auto placed = PlaceMainWindow(c.area, Stored(c), WindowLimits{480, 360, kComfortable});
        EXPECT_EQ(placed.geometry, c.expected) << c.name << ": " << placed.geometry.left << "," << placed.geometry.top
                                               << " " << placed.geometry.width << "x" << placed.geometry.height;
    }
}

TEST(WindowGeometry, SplittersLeaveEveryPanelInSight) {
    struct Case {
        int split1, split2;
        int expected1, expected2;
    } const cases[] = {
        {200, 200, 200, 200},   // the defaults fit
        {1500, 700, 800, 500},  // stored by a larger window: 900 - 100 and 640 - 60 - 80
        {0, 0, 100, 80},        // a panel dragged shut comes back
    };
    for (const Case& c : cases) {
        StoredWindow stored;
        stored.position = ScreenPoint{0, 0};
        stored.size = ScreenSize{900, 640};
        stored.split1 = c.split1;
        stored.split2 = c.split2;
        const auto placed = PlaceMainWindow(kDesktop, stored, WindowLimits{480, 360, kComfortable});
        EXPECT_EQ(placed.split1, c.expected1) << c.split1;
        EXPECT_EQ(placed.split2, c.expected2) << c.split2;
    }

    struct FitCase {
        int stored, extent, expected;
    } const fits[] = {{250, 1000, 250}, {950, 1000, 900}, {50, 1000, 100}, {250, 150, 100}};
    for (const FitCase& f : fits) {
        EXPECT_EQ(FitSplitter(f.stored, f.extent, 100), f.expected) << f.stored << "/" << f.extent;
    }
}

TEST(WindowGeometry, ToolWindowsCentreOverTheirOwner) {
    struct Case {
        const char* name;
        ScreenSize wanted;
        ScreenRect owner, area, expected;
    } const cases[] = {
        {"centred on the owner", {455, 340}, {100, 100, 1000, 800}, {0, 0, 1920, 1080}, {373, 330, 455, 340}},
        {"at least the minimum", {10, 10}, {0, 0, 1000, 800}, {0, 0, 1920, 1080}, {400, 300, 200, 200}},
        {"at most the screen", {5000, 4000}, {0, 0, 1000, 800}, {0, 20, 1280, 1000}, {0, 20, 1280, 1000}},
        {"moved onto the screen", {455, 340}, {-900, 900, 400, 400}, {0, 0, 1920, 1080}, {0, 740, 455, 340}},
        {"no screen known", {455, 340}, {0, 0, 1000, 800}, {0, 0, 0, 0}, {273, 230, 455, 340}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PlaceOverOwner(c.wanted, {200, 200}, c.owner, c.area), c.expected) << c.name;
    }
}

}  // namespace
