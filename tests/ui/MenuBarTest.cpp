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

TEST(MenuBarMenuTest, LinesFollowTheWatcher)
{
    const std::tuple<const char*, std::function<void(WatcherHarness&)>, QString, QString> cases[] =
        {
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
    WatcherHarness harness;
    MenuBarMenu menu(harness.watcher());
    MenuBarExtra extra(harness.watcher(), menu);
    EXPECT_EQ(extra.shownNumber(), std::nullopt);
    EXPECT_EQ(extra.trayIcon()->contextMenu(), &menu);
    harness.record("042");
    EXPECT_EQ(extra.shownNumber(), QString("42"));
    EXPECT_TRUE(extra.shownRecording());
    EXPECT_EQ(extra.trayIcon()->toolTip(), "Quorvel \u2014 Recording: 42");
    // The record dot while recording, a ring when idle.
    EXPECT_NE(MenuBarIcon::render(QStringLiteral("42"), true, 64),
              MenuBarIcon::render(QStringLiteral("42"), false, 64));
}
