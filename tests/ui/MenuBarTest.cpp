#include "QtPrinters.h"
#include "WatcherHarness.h"
#include "ui/MenuBarExtra.h"
#include "ui/MenuBarIcon.h"
#include "ui/MenuBarMenu.h"

#include <QAction>
#include <QSignalSpy>
#include <QSystemTrayIcon>

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

// Each action as "text|enabled", "-" for a separator.
QStringList describe(const QMenu& menu)
{
    QStringList items;
    for (const QAction* action : menu.actions())
        items << (action->isSeparator() ? QStringLiteral("-")
                                        : action->text() + (action->isEnabled() ? "|on" : "|off"));
    return items;
}

int redPixels(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = QColor::fromRgba(image.pixel(x, y));
            n += c.alpha() == 255 && c.red() > 200 && c.green() < 90 && c.blue() < 90;
        }
    return n;
}

} // namespace

TEST(MenuBarMenuTest, TenItemsInOrderWithTheirStates)
{
    WatcherHarness harness;
    MenuBarMenu menu(harness.watcher());
    EXPECT_EQ(describe(menu),
              (QStringList{"No DAW detected|off", "Not recording|off", "-",
                           "Show Floating Window|on", "Preferences…|on", "-", "About Quorvel|on",
                           "Quorvel Help|on", "-", "Quit Quorvel|on"}));
    EXPECT_EQ(menu.preferencesAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Comma));
    EXPECT_EQ(menu.quitAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    EXPECT_TRUE(menu.showFloatingWindowAction()->shortcut().isEmpty());
}

TEST(MenuBarMenuTest, LinesFollowTheWatcher)
{
    struct Case
    {
        const char* name;
        std::function<void(WatcherHarness&)> arrange;
        QString dawLine;
        QString takeLine;
    };
    const std::vector<Case> cases{
        {"DAW without take", [](WatcherHarness& h) { h.apply(DAWSnapshot{}); }, "REAPER detected",
         "Not recording"},
        {"last take, no project",
         [](WatcherHarness& h) {
             h.watcher().setShowNextTakeWhenIdle(false);
             h.stop("17");
         },
         "REAPER detected", "Last take: 17"},
        {"last take with project",
         [](WatcherHarness& h) {
             h.watcher().setShowNextTakeWhenIdle(false);
             h.stop("17", std::nullopt, QString("MySong"));
         },
         "REAPER detected", "MySong \u2014 Last take: 17"},
        {"recording strips zeros",
         [](WatcherHarness& h) { h.record("042", std::nullopt, QString("Intro")); },
         "REAPER detected", "Intro \u2014 Recording: 42"},
        {"next take", [](WatcherHarness& h) { h.stop("042"); }, "REAPER detected", "Next take: 43"},
        {"DAW gone, take kept",
         [](WatcherHarness& h) {
             h.stop("3");
             h.applyNothing();
         },
         "No DAW detected", "Next take: 4"},
        {"ampersand shown as is",
         [](WatcherHarness& h) { h.record("5", std::nullopt, QString("Rock & Roll")); },
         "REAPER detected", "Rock & Roll \u2014 Recording: 5"},
    };
    for (const Case& c : cases) {
        WatcherHarness harness;
        MenuBarMenu menu(harness.watcher());
        c.arrange(harness);
        EXPECT_EQ(MenuBarMenu::dawLineText(harness.watcher()), c.dawLine) << c.name;
        EXPECT_EQ(MenuBarMenu::takeLineText(harness.watcher()), c.takeLine) << c.name;
        // The menu shows the same lines ("&&" is how a menu writes a plain ampersand).
        EXPECT_EQ(menu.dawLineAction()->text().replace("&&", "&"), c.dawLine) << c.name;
        EXPECT_EQ(menu.takeLineAction()->text().replace("&&", "&"), c.takeLine) << c.name;
    }
}

TEST(MenuBarMenuTest, ItemsAskForTheirWindows)
{
    WatcherHarness harness;
    MenuBarMenu menu(harness.watcher());
    QSignalSpy floating(&menu, &MenuBarMenu::showFloatingWindowRequested);
    QSignalSpy preferences(&menu, &MenuBarMenu::preferencesRequested);
    QSignalSpy about(&menu, &MenuBarMenu::aboutRequested);
    QSignalSpy help(&menu, &MenuBarMenu::helpRequested);
    QSignalSpy quit(&menu, &MenuBarMenu::quitRequested);
    menu.showFloatingWindowAction()->trigger();
    menu.preferencesAction()->trigger();
    menu.aboutAction()->trigger();
    menu.helpAction()->trigger();
    menu.quitAction()->trigger();
    EXPECT_EQ(floating.count(), 1);
    EXPECT_EQ(preferences.count(), 1);
    EXPECT_EQ(about.count(), 1);
    EXPECT_EQ(help.count(), 1);
    EXPECT_EQ(quit.count(), 1);
}

TEST(MenuBarIconTest, RingWhenIdleRedDotWhileRecording)
{
    const QImage idle = MenuBarIcon::render(QStringLiteral("42"), false, 64);
    const QImage recording = MenuBarIcon::render(QStringLiteral("42"), true, 64);
    EXPECT_EQ(redPixels(idle), 0);
    EXPECT_GT(redPixels(recording), 64 * 64 / 3);
    EXPECT_EQ(qAlpha(idle.pixel(1, 1)), 0);
    // The number is drawn in white in both.
    EXPECT_EQ(QColor(recording.pixel(32, 32)).alpha(), 255);
    const QImage dash = MenuBarIcon::render(std::nullopt, false, 64);
    EXPECT_NE(dash, idle);
}

TEST(MenuBarExtraTest, IconFollowsNumberAndRecording)
{
    WatcherHarness harness;
    MenuBarMenu menu(harness.watcher());
    MenuBarExtra extra(harness.watcher(), menu);
    EXPECT_EQ(extra.shownNumber(), std::nullopt);
    harness.record("042");
    EXPECT_EQ(extra.shownNumber(), QString("42"));
    EXPECT_TRUE(extra.shownRecording());
    EXPECT_EQ(extra.trayIcon()->contextMenu(), &menu);
    EXPECT_TRUE(extra.trayIcon()->toolTip().contains("Recording: 42"));
}
