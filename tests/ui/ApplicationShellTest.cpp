#include "ui/ApplicationShell.h"

#include "QtPrinters.h"
#include "WatcherHarness.h"
#include "support/Poll.h"
#include "takes/TakeSheet.h"
#include "ui/ApplicationMenu.h"
#include "ui/FloatingWindow.h"
#include "ui/HelpWindow.h"
#include "ui/MenuBarExtra.h"
#include "ui/MenuBarMenu.h"
#include "ui/SettingsButton.h"
#include "ui/SettingsWindow.h"
#include "ui/TakeSheetWindow.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

// A shell over a fresh watcher that counts its quits instead of quitting.
struct Shell
{
    Shell()
    {
        shell.setQuitHandler([this] { ++quits; });
    }

    WatcherHarness harness;
    TakeSheet takeSheet{harness.dir().path() + QStringLiteral("/take-sheet.sqlite")};
    ApplicationShell shell{harness.watcher(), harness.settings(), takeSheet};
    ApplicationMenu& commands = *shell.applicationMenu();
    int quits = 0;
};

} // namespace

TEST(ApplicationShellTest, FloatingWindowOpensAtStartAsSetOncePerRun)
{
    for (const bool open : {true, false}) {
        Shell s;
        s.harness.settings().setOpenFloatingWindowOnStartup(open);
        s.shell.start();
        EXPECT_EQ(s.shell.floatingWindow()->isVisible(), open) << open;
        s.shell.floatingWindow()->close();
        s.shell.start();
        EXPECT_FALSE(s.shell.floatingWindow()->isVisible()) << open << ": decided again";
    }
}

TEST(ApplicationShellTest, EveryWayToAWindowOpensIt)
{
    Shell s;
    ApplicationShell& a = s.shell;
    const std::tuple<const char*, QAction*, QWidget*> cases[] = {
        {"tray: Show Floating Window", a.menu()->showFloatingWindowAction(), a.floatingWindow()},
        {"tray: Preferences", a.menu()->preferencesAction(), a.settingsWindow()},
        {"tray: Take Sheet", a.menu()->takeSheetAction(), a.takeSheetWindow()},
        {"Help command", s.commands.helpAction(), a.helpWindow()}};
    for (const auto& [name, action, window] : cases) {
        window->hide();
        action->trigger();
        EXPECT_TRUE(window->isVisible()) << name;
    }
    a.settingsWindow()->hide();
    a.floatingWindow()->settingsButton()->click();
    EXPECT_TRUE(a.settingsWindow()->isVisible()) << "the gear";
    a.menu()->quitAction()->trigger();
    EXPECT_EQ(s.quits, 1);
}

// Without a global menu bar the application commands go into the window's menu, just above Quit
// after a separator of their own.
TEST(ApplicationShellTest, ContextMenuHoldsTheTrayItems)
{
    Shell s;
    EXPECT_EQ(s.shell.floatingWindow()->contextMenu(), s.shell.contextMenu());
    QList<QAction*> expected = s.shell.menu()->actions();
    QList<QAction*> actual = s.shell.contextMenu()->actions();
    if (!s.commands.hasNativeMenuBar()) {
        const qsizetype quit = expected.indexOf(s.shell.menu()->quitSeparator());
        expected.insert(quit, s.commands.showUpcomingTakeAction());
        expected.insert(quit, s.commands.showMediaFolderAction());
        ASSERT_EQ(actual.size(), expected.size() + 1);
        EXPECT_TRUE(actual.takeAt(quit)->isSeparator());
    }
    EXPECT_EQ(actual, expected);
}

TEST(ApplicationShellTest, ApplicationCommandsFollowTheWatcher)
{
    Shell s;
    // Show Media Folder: the effective folder, or the nearest part of one that has gone.
    QAction* show = s.commands.showMediaFolderAction();
    EXPECT_FALSE(show->isEnabled());
    QStringList opened;
    s.commands.setFolderOpener([&](const QString& path) { return (opened << path), true; });
    const QString folder = s.harness.dir().makeFolder(QStringLiteral("Media"));
    s.harness.apply(snapshotWithTake("9", false, std::nullopt, folder));
    show->trigger();
    s.harness.manualFolder(folder + "/gone/deeper");
    show->trigger();
    EXPECT_EQ(opened, (QStringList{folder, folder}));

    QAction* upcoming = s.commands.showUpcomingTakeAction();
    EXPECT_TRUE(upcoming->isChecked());
    upcoming->trigger();
    EXPECT_FALSE(s.harness.watcher().showNextTakeWhenIdle());
    s.harness.watcher().setShowNextTakeWhenIdle(true);
    EXPECT_TRUE(upcoming->isChecked());
}

TEST(ApplicationShellTest, DockIconOffTakesTheWindowsOutOfTheTaskbarAndEnablesQuit)
{
    Shell s;
    s.shell.start();
    FloatingWindow* window = s.shell.floatingWindow();
    for (const bool dock : {false, true}) {
        s.harness.settings().setShowInDock(dock);
        EXPECT_EQ(window->windowType(), dock ? Qt::Window : Qt::Tool) << dock;
        EXPECT_EQ(s.shell.settingsWindow()->windowType(), dock ? Qt::Window : Qt::Tool) << dock;
        EXPECT_TRUE(window->isVisible()) << dock;
        EXPECT_EQ(window->quitAction()->isEnabled(), !dock) << dock;
    }
    s.harness.settings().setShowInDock(false);
    window->quitAction()->trigger();
    EXPECT_EQ(s.quits, 1);
}

TEST(ApplicationShellTest, WithoutATrayClosingTheLastWindowQuits)
{
    if (MenuBarExtra::isAvailable())
        GTEST_SKIP() << "this platform has a tray";
    Shell s;
    s.shell.start();
    s.shell.showSettings();
    // A close looks for windows left in a queued call; a call queued after it runs after it.
    const auto close = [](QWidget* window) {
        window->close();
        bool settled = false;
        QMetaObject::invokeMethod(
            qApp, [&] { settled = true; }, Qt::QueuedConnection);
        EXPECT_TRUE(pollUntil([&] { return settled; }));
    };
    close(s.shell.floatingWindow());
    EXPECT_EQ(s.quits, 0) << "the settings window is still open";
    close(s.shell.settingsWindow());
    EXPECT_EQ(s.quits, 1);
}

TEST(ApplicationShellTest, ADamagedTakeSheetIsReportedOnceAtStart)
{
    WatcherHarness harness;
    const QString path = harness.dir().write("take-sheet.sqlite", QByteArray(4096, 'x'));
    TakeSheet takeSheet(path);
    ASSERT_TRUE(takeSheet.problem().has_value());
    ApplicationShell shell(harness.watcher(), harness.settings(), takeSheet);
    const auto reports = [] {
        QList<QMessageBox*> shown;
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->isVisible() && window->objectName() == "takeSheetProblem")
                shown << qobject_cast<QMessageBox*>(window);
        return shown;
    };
    shell.start();
    shell.start();
    const QList<QMessageBox*> shown = reports();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown.first()->text(), *takeSheet.problem());
    shown.first()->close();
}
