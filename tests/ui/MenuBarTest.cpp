#include "QtPrinters.h"
#include "WatcherHarness.h"
#include "ui/MenuBarExtra.h"
#include "ui/MenuBarIcon.h"
#include "ui/MenuBarMenu.h"

#include <QAction>
#include <QSystemTrayIcon>

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

// Pixels of the tray's red.
int redPixels(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += QColor::fromRgba(image.pixel(x, y)) == MenuBarIcon::systemRed();
    return n;
}

} // namespace

TEST(MenuBarMenuTest, LinesFollowTheWatcher)
{
    const std::tuple<const char*, std::function<void(WatcherHarness&)>, QString, QString> cases[] =
        {
            {"DAW without take", [](WatcherHarness& h) { h.apply({}); }, "REAPER detected",
             "Not recording"},
            {"last take with project",
             [](WatcherHarness& h) {
                 h.watcher().setShowNextTakeWhenIdle(false);
                 h.stop("17", std::nullopt, "My Song");
             },
             "REAPER detected", "My Song \u2014 Last take: 17"},
            {"recording, zeros stripped, an ampersand as is",
             [](WatcherHarness& h) { h.record("042", std::nullopt, "Rock & Roll"); },
             "REAPER detected", "Rock & Roll \u2014 Recording: 42"},
            {"DAW gone, take kept", [](WatcherHarness& h) { h.stop("3").applyNothing(); },
             "No DAW detected", "Next take: 4"},
        };
    for (const auto& [name, arrange, dawLine, takeLine] : cases) {
        WatcherHarness harness;
        MenuBarMenu menu(harness.watcher());
        arrange(harness);
        // A menu reads "&" as a mnemonic marker and "&&" as a plain ampersand.
        EXPECT_EQ(menu.dawLineAction()->text(), QString(dawLine).replace("&", "&&")) << name;
        EXPECT_EQ(menu.takeLineAction()->text(), QString(takeLine).replace("&", "&&")) << name;
    }
}

TEST(MenuBarExtraTest, TrayIconShowsNumberAndRecording)
{
    const QImage idle = MenuBarIcon::render(QStringLiteral("42"), false, 64);
    const QImage recording = MenuBarIcon::render(QStringLiteral("42"), true, 64);
    EXPECT_EQ(redPixels(idle), 0) << "a ring when idle";
    EXPECT_GT(redPixels(recording), 64 * 64 / 3) << "the red record dot while recording";
    EXPECT_EQ(qAlpha(idle.pixel(1, 1)), 0);
    EXPECT_EQ(qAlpha(recording.pixel(32, 32)), 255);
    EXPECT_NE(MenuBarIcon::render(std::nullopt, false, 64), idle) << "no dash without a take";

    WatcherHarness harness;
    MenuBarMenu menu(harness.watcher());
    MenuBarExtra extra(harness.watcher(), menu);
    EXPECT_EQ(extra.shownNumber(), std::nullopt);
    EXPECT_EQ(extra.trayIcon()->contextMenu(), &menu);
    harness.record("042");
    EXPECT_EQ(extra.shownNumber(), QString("42"));
    EXPECT_TRUE(extra.shownRecording());
    EXPECT_EQ(extra.trayIcon()->toolTip(), "Quorvel \u2014 Recording: 42");
}
