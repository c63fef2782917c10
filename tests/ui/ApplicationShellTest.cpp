#include "ui/ApplicationShell.h"

#include "QtPrinters.h"
#include "WatcherHarness.h"
#include "platform/AppPresence.h"
#include "support/Poll.h"
#include "ui/ApplicationMenu.h"
#include "ui/DockTileUpdater.h"
#include "ui/FloatingWindow.h"
#include "ui/HelpWindow.h"
#include "ui/MenuBarExtra.h"
#include "ui/MenuBarMenu.h"
#include "ui/SettingsWindow.h"

#include <QAction>
#include <QApplication>
#include <QMenu>

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

class ApplicationShellTest : public ::testing::Test
{
protected:
    void makeShell()
    {
        m_shell = std::make_unique<ApplicationShell>(m_harness.watcher(), m_harness.settings());
        m_shell->setQuitHandler([this] { ++m_quits; });
    }

    WatcherHarness m_harness;
    std::unique_ptr<ApplicationShell> m_shell;
    int m_quits = 0;
};

TEST_F(ApplicationShellTest, FloatingWindowOpensAtStartByDefault)
{
    makeShell();
    m_shell->start();
    EXPECT_TRUE(m_shell->floatingWindow()->isVisible());
    EXPECT_EQ(m_shell->floatingWindow()->windowTitle(), "Quorvel");
    EXPECT_TRUE(m_harness.watcher().didHandleStartupWindow());
    EXPECT_NE(m_shell->dockTileUpdater(), nullptr);
}

TEST_F(ApplicationShellTest, FloatingWindowStaysHiddenWhenAsked)
{
    m_harness.settings().setOpenFloatingWindowOnStartup(false);
    makeShell();
    m_shell->start();
    EXPECT_FALSE(m_shell->floatingWindow()->isVisible());
    // The rest runs all the same: the menu follows the watcher, and the window opens on request.
    m_harness.record("3");
    EXPECT_EQ(m_shell->menu()->takeLineAction()->text(), "Recording: 3");
    m_shell->menu()->showFloatingWindowAction()->trigger();
    EXPECT_TRUE(m_shell->floatingWindow()->isVisible());
}

TEST_F(ApplicationShellTest, StartupDecisionIsTakenOncePerRun)
{
    makeShell();
    m_shell->start();
    m_shell->floatingWindow()->close();
    m_shell->start();
    EXPECT_FALSE(m_shell->floatingWindow()->isVisible());
}

TEST_F(ApplicationShellTest, ContextMenuHoldsTheTrayItems)
{
    makeShell();
    QMenu* context = m_shell->contextMenu();
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(m_shell->floatingWindow()->contextMenu(), context);
    QList<QAction*> expected = m_shell->menu()->actions();
    if (!m_shell->applicationMenu()->hasNativeMenuBar()) {
        // Without a global menu bar, the application commands go just above Quit.
        const qsizetype quit = expected.indexOf(m_shell->menu()->quitSeparator());
        expected.insert(quit, m_shell->applicationMenu()->showUpcomingTakeAction());
        expected.insert(quit, m_shell->applicationMenu()->showMediaFolderAction());
        QList<QAction*> actual = context->actions();
        ASSERT_EQ(actual.size(), expected.size() + 1);
        // The extra separator sits between the tray's Help item and the commands.
        EXPECT_TRUE(actual[8]->isSeparator());
        actual.removeAt(8);
        EXPECT_EQ(actual, expected);
    } else {
        EXPECT_EQ(context->actions(), expected);
    }
}

TEST_F(ApplicationShellTest, ShowMediaFolderFollowsTheEffectiveFolder)
{
    makeShell();
    ApplicationMenu* menu = m_shell->applicationMenu();
    QAction* show = menu->showMediaFolderAction();
    EXPECT_EQ(show->text(), "Show Media Folder");
    EXPECT_FALSE(show->isEnabled());

    QStringList opened;
    menu->setFolderOpener([&](const QString& path) {
        opened << path;
        return true;
    });
    const QString folder = m_harness.dir().makeFolder(QStringLiteral("Media"));
    m_harness.apply(snapshotWithTake("1", false, std::nullopt, folder));
    EXPECT_TRUE(show->isEnabled());
    show->trigger();
    EXPECT_EQ(opened, QStringList{folder});

    // A manual folder that has since gone opens at what is left of it.
    m_harness.watcher().selectManualFolder(
        [&](const QString&) { return std::optional<QString>(folder + "/gone/deeper"); });
    show->trigger();
    EXPECT_EQ(opened.last(), folder);
}

TEST_F(ApplicationShellTest, UpcomingTakeToggleIsBoundToTheWatcher)
{
    makeShell();
    QAction* toggle = m_shell->applicationMenu()->showUpcomingTakeAction();
    EXPECT_EQ(toggle->text(), "Show Upcoming Take Between Takes");
    EXPECT_TRUE(toggle->isCheckable());
    EXPECT_TRUE(toggle->isChecked());
    m_harness.stop("9");
    EXPECT_EQ(m_harness.watcher().displayedRecPass(), QString("10"));
    toggle->trigger();
    EXPECT_FALSE(m_harness.watcher().showNextTakeWhenIdle());
    EXPECT_FALSE(m_harness.settings().showNextTakeWhenIdle());
    EXPECT_EQ(m_harness.watcher().displayedRecPass(), QString("9"));
    m_harness.watcher().setShowNextTakeWhenIdle(true);
    EXPECT_TRUE(toggle->isChecked());
}

TEST_F(ApplicationShellTest, HelpCommandHasItsShortcutAndOpensTheHelpWindow)
{
    makeShell();
    QAction* help = m_shell->applicationMenu()->helpAction();
    EXPECT_EQ(help->text(), "Quorvel Help");
    EXPECT_EQ(help->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Question));
    EXPECT_EQ(m_shell->applicationMenu()->aboutAction()->text(), "About Quorvel");
    help->trigger();
    EXPECT_TRUE(m_shell->helpWindow()->isVisible());
    EXPECT_EQ(m_shell->helpWindow()->windowTitle(), "Quorvel Help");
}

TEST_F(ApplicationShellTest, MenuOpensSettingsAndTheGearToo)
{
    makeShell();
    m_shell->menu()->preferencesAction()->trigger();
    EXPECT_TRUE(m_shell->settingsWindow()->isVisible());
    m_shell->settingsWindow()->hide();
    Q_EMIT m_shell->floatingWindow()->preferencesRequested();
    EXPECT_TRUE(m_shell->settingsWindow()->isVisible());
    m_shell->menu()->quitAction()->trigger();
    EXPECT_EQ(m_quits, 1);
}

TEST_F(ApplicationShellTest, DockIconOffTakesTheWindowsOutOfTheTaskbar)
{
    makeShell();
    m_shell->start();
    FloatingWindow* window = m_shell->floatingWindow();
    EXPECT_NE(window->windowType(), Qt::Tool);
    EXPECT_FALSE(window->quitAction()->isEnabled());

    m_harness.settings().setShowInDock(false);
    EXPECT_FALSE(m_shell->presence()->showsDockIcon());
    EXPECT_EQ(window->windowType(), Qt::Tool);
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->quitAction()->isEnabled());
    EXPECT_EQ(m_shell->settingsWindow()->windowType(), Qt::Tool);

    m_harness.settings().setShowInDock(true);
    EXPECT_EQ(window->windowType(), Qt::Window);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(ApplicationShellTest, WithoutATrayClosingTheLastWindowQuits)
{
    if (MenuBarExtra::isAvailable())
        GTEST_SKIP() << "this platform has a tray";
    makeShell();
    m_shell->start();
    m_shell->showSettings();
    m_shell->floatingWindow()->close();
    processEventsFor(std::chrono::milliseconds(50));
    EXPECT_EQ(m_quits, 0) << "the settings window is still open";
    m_shell->settingsWindow()->close();
    EXPECT_TRUE(pollUntil([&] { return m_quits == 1; }));
}
