// The progress window: every way of closing it asks the operation to stop.
#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "app/ProgressWindow.h"
#include "app/PlayCommand.h"

using quilto::app::ProgressWindow;

TEST(ProgressWindow, CancelEscAndClosingAllRequestCancel) {
    for (int way = 0; way < 3; ++way) {
        QWidget owner;
        ProgressWindow window(&owner, "Frame Scan ...");
        window.start();
        EXPECT_FALSE(window.cancelRequested());
        EXPECT_EQ(window.windowTitle(), "Frame Scan ...");
        if (way == 0) QTest::mouseClick(window.findChild<QPushButton*>(), Qt::LeftButton);
        if (way == 1) QTest::keyClick(&window, Qt::Key_Escape);
        if (way == 2) window.close();
        EXPECT_TRUE(window.cancelRequested()) << way;
        EXPECT_FALSE(window.isVisible()) << way;
        window.start();  // a new run starts uncancelled
        EXPECT_FALSE(window.cancelRequested());
    }
}

TEST(PlayCommand, QuotesThePlayerAndEachFileBehindTheParameters) {
    EXPECT_EQ(quilto::app::BuildPlayerCommandLine("/usr/bin/mpv", "--no-video", "/music/a b", {"1.mp3", "2 x.mp3"}),
              R"("/usr/bin/mpv" --no-video "/music/a b/1.mp3" "/music/a b/2 x.mp3")");
    EXPECT_EQ(quilto::app::BuildPlayerCommandLine("p", "", "/m/", {"1.mp3"}), R"("p" "/m/1.mp3")");
    EXPECT_TRUE(quilto::app::ResolvePlayer("/no/such/player").isEmpty());
    EXPECT_TRUE(quilto::app::ResolvePlayer("").isEmpty());
    EXPECT_FALSE(quilto::app::ResolvePlayer("sh").isEmpty());  // found on PATH
}

TEST(ProgressWindow, PanelsKeepTheirWidthsSoTheCounterIsNotCut) {
    QWidget owner;
    ProgressWindow window(&owner, "Frame Scan ...");
    window.setPanelText(1, "(12/345)");
    window.start();
    const auto panels = window.findChildren<QLabel*>();
    ASSERT_EQ(panels.size(), 2);
    EXPECT_EQ(panels[0]->width(), 300);
    EXPECT_EQ(panels[1]->width(), 50);
    EXPECT_LE(panels[0]->geometry().right(), panels[1]->geometry().left());
    EXPECT_LE(panels[1]->geometry().right(), window.width());
}

TEST(ProgressWindow, BarShowsBytesDoneOfBytesToDo) {
    struct Step {
        const char* what;
        std::uint64_t toDo;
        std::uint64_t set;    // setBytesDone
        std::uint64_t added;  // then addBytesDone
        int permille;
    };
    const Step steps[] = {
        {"nothing to do", 0, 0, 5, 0},
        {"half", 1000, 250, 250, 500},
        {"beyond int", 6'000'000'000ull, 3'000'000'000ull, 0, 500},
        {"more than to do is full", 100, 90, 20, 1000},
    };
    QWidget owner;
    ProgressWindow window(&owner, "Frame Scan ...");
    window.setPanelText(0, "a.mp3");
    window.start();
    for (const Step& step : steps) {
        window.setBytesToDo(step.toDo);
        window.setBytesDone(step.set);
        window.addBytesDone(step.added);
        EXPECT_EQ(window.bar()->value() * 1000 / window.bar()->maximum(), step.permille) << step.what;
    }
    window.start();  // a new run starts empty
    EXPECT_EQ(window.bar()->value(), 0);
    // Below the panels, above Cancel, inside the window; the panels keep their text.
    const auto panels = window.findChildren<QLabel*>();
    ASSERT_EQ(panels.size(), 2);
    EXPECT_EQ(panels[0]->text(), "a.mp3");
    EXPECT_GE(window.bar()->geometry().top(), panels[0]->mapTo(&window, QPoint(0, panels[0]->height())).y());
    EXPECT_LE(window.bar()->geometry().bottom(), window.findChild<QPushButton*>()->geometry().top());
    EXPECT_LE(window.findChild<QPushButton*>()->geometry().bottom(), window.height());
}
