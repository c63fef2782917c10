#include "ui/SettingsWindow.h"

#include "QtPrinters.h"
#include "WatcherHarness.h"
#include "model/FilenamePattern.h"
#include "support/Poll.h"
#include "ui/ElidedLabel.h"
#include "ui/SegmentedControl.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

class SettingsWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_window = std::make_unique<SettingsWindow>(m_harness.watcher(), m_harness.settings());
    }

    template <typename T = QWidget> T* find(const char* name) const
    {
        T* widget = m_window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    QString text(const char* name) const { return find<QLabel>(name)->text(); }
    bool shown(const char* name) const { return find(name)->isVisibleTo(m_window.get()); }

    WatcherHarness m_harness;
    std::unique_ptr<SettingsWindow> m_window;
};

TEST_F(SettingsWindowTest, IsFourHundredSixtyWide)
{
    EXPECT_EQ(m_window->width(), 460);
}

TEST_F(SettingsWindowTest, ThemeNoteFollowsTheStoredTheme)
{
    const QString paper = QStringLiteral(
        "Warm light window; recording is shown with a red take number and record dot.");
    const QString poster = QStringLiteral("Dark window; while recording, the whole window turns "
                                          "red \u2014 an on-air light readable across the room.");
    EXPECT_EQ(text("themeNote"), paper);
    EXPECT_EQ(find<SegmentedControl>("windowStyle")->options(), (QStringList{"Paper", "Poster"}));
    EXPECT_EQ(find<SegmentedControl>("windowStyle")->currentIndex(), 0);

    Q_EMIT find<SegmentedControl>("windowStyle")->activated(1);
    EXPECT_EQ(m_harness.settings().windowTheme(), "poster");
    EXPECT_EQ(text("themeNote"), poster);

    m_harness.settings().setWindowTheme(QStringLiteral("sepia"));
    EXPECT_EQ(text("themeNote"), paper);
    EXPECT_EQ(find<SegmentedControl>("windowStyle")->currentIndex(), 0);
}

TEST_F(SettingsWindowTest, DockAndStartupToggles)
{
    auto* dock = find<QCheckBox>("showInDock");
    EXPECT_EQ(dock->text(), "Show Dock icon (full app)");
    EXPECT_TRUE(dock->isChecked());
    EXPECT_EQ(text("dockNote"), "Runs as a regular app with a Dock icon and menu bar. Clicking the "
                                "Dock icon reopens the floating window. Takes effect immediately.");
    dock->click();
    EXPECT_FALSE(m_harness.settings().showInDock());
    EXPECT_EQ(text("dockNote"),
              "Runs as a menu bar accessory only, with no Dock icon. Takes effect immediately.");

    auto* startup = find<QCheckBox>("openOnStartup");
    EXPECT_EQ(startup->text(), "Open floating window on startup");
    EXPECT_TRUE(startup->isChecked());
    startup->click();
    EXPECT_FALSE(m_harness.settings().openFloatingWindowOnStartup());
    EXPECT_EQ(text("startupNote"),
              "The menu bar item is always shown. The floating window stays on top of other apps; "
              "you can close it and reopen it from the menu bar or the Window menu.");
}

TEST_F(SettingsWindowTest, NextTakeToggleGoesThroughTheWatcher)
{
    auto* toggle = find<QCheckBox>("showNextTake");
    EXPECT_EQ(toggle->text(), "Show upcoming take number between takes");
    EXPECT_TRUE(toggle->isChecked());
    EXPECT_EQ(text("nextTakeNote"),
              "When not recording, shows the next take number (\"Next take\").");
    toggle->click();
    EXPECT_FALSE(m_harness.watcher().showNextTakeWhenIdle());
    EXPECT_FALSE(m_harness.settings().showNextTakeWhenIdle());
    EXPECT_EQ(text("nextTakeNote"),
              "When not recording, shows the just-recorded take number (\"Last take\").");
}

TEST_F(SettingsWindowTest, DAWPickerAndNote)
{
    auto* picker = find<QComboBox>("dawPicker");
    QStringList items;
    for (int i = 0; i < picker->count(); ++i)
        items << picker->itemText(i);
    EXPECT_EQ(items, (QStringList{"Auto-detect", "REAPER", "Ableton Live"}));
    EXPECT_EQ(text("dawNote"), "No supported DAW detected. Auto-detect watches whichever "
                               "supported DAW is running.");
    Q_EMIT picker->activated(2);
    EXPECT_EQ(m_harness.watcher().dawSelection(), DAWSelection::manual(DAWId::ableton));
    m_harness.apply(DAWSnapshot{}, DAWId::ableton);
    EXPECT_EQ(text("dawNote"), "Currently watching Ableton Live.");
    EXPECT_EQ(picker->currentIndex(), 2);
}

TEST_F(SettingsWindowTest, MediaFolderInEachState)
{
    // Automatic, nothing detected.
    EXPECT_EQ(find<SegmentedControl>("folderSource")->currentIndex(), 0);
    EXPECT_TRUE(shown("noProjectNote"));
    EXPECT_EQ(text("noProjectNote"), "No project detected yet.");
    EXPECT_FALSE(shown("detectedFolderRow"));
    EXPECT_FALSE(shown("projectNote"));
    EXPECT_FALSE(shown("chooseFolder"));
    EXPECT_FALSE(shown("manualFolderRow"));

    // Automatic, detected.
    DAWSnapshot detected;
    detected.detectedFolder = QStringLiteral("/music/Album/Media");
    detected.projectName = QStringLiteral("Album");
    m_harness.apply(detected);
    EXPECT_TRUE(shown("detectedFolderRow"));
    EXPECT_EQ(find<ElidedLabel>("detectedFolderPath")->fullText(), "/music/Album/Media");
    EXPECT_TRUE(shown("projectNote"));
    EXPECT_EQ(text("projectNote"), "Project: Album");
    EXPECT_FALSE(shown("noProjectNote"));

    // Manual with no folder yet: only the button.
    Q_EMIT find<SegmentedControl>("folderSource")->activated(1);
    EXPECT_EQ(m_harness.watcher().folderMode(), FolderMode::manual);
    EXPECT_TRUE(shown("chooseFolder"));
    EXPECT_EQ(find<QPushButton>("chooseFolder")->text(), "Choose Folder…");
    EXPECT_FALSE(shown("manualFolderRow"));
    EXPECT_FALSE(shown("detectedFolderRow"));
    EXPECT_FALSE(shown("noProjectNote"));
    EXPECT_FALSE(shown("projectNote"));

    // Cancelling the chooser changes nothing; choosing shows the folder.
    QString askedWith;
    m_window->setFolderChooser([&](const QString& message) -> std::optional<QString> {
        askedWith = message;
        return std::nullopt;
    });
    find<QPushButton>("chooseFolder")->click();
    EXPECT_EQ(askedWith, "Select the folder the DAW writes take files into");
    EXPECT_FALSE(m_harness.watcher().manualFolderURL());
    m_window->setFolderChooser(
        [](const QString&) { return std::optional<QString>("/music/takes"); });
    find<QPushButton>("chooseFolder")->click();
    EXPECT_TRUE(shown("manualFolderRow"));
    EXPECT_EQ(find<ElidedLabel>("manualFolderPath")->fullText(), "/music/takes");
    EXPECT_EQ(m_harness.settings().manualFolderPath(), QString("/music/takes"));

    // Back to automatic keeps the manual folder for later.
    Q_EMIT find<SegmentedControl>("folderSource")->activated(0);
    EXPECT_FALSE(shown("manualFolderRow"));
    EXPECT_TRUE(shown("detectedFolderRow"));
    EXPECT_EQ(m_harness.watcher().manualFolderURL(), QString("/music/takes"));
}

TEST_F(SettingsWindowTest, TakeNumberingNotesAndTheMendedFinePrint)
{
    EXPECT_EQ(text("derivationNote"),
              "Most common: the take number shared by the most tracks. Robust when one track ran "
              "ahead (a discarded take) or was added late. Recommended.");
    Q_EMIT find<SegmentedControl>("derivation")->activated(1);
    EXPECT_EQ(m_harness.watcher().takeDerivation(), TakeDerivation::max);
    EXPECT_EQ(text("derivationNote"), "Highest: the largest take number across all tracks. Best "
                                      "when tracks are only ever added later in a session.");
    EXPECT_EQ(text("derivationFinePrint"),
              "Applies to DAWs that number takes per track (Logic Pro, Pro Tools). REAPER uses "
              "its own global rec-pass counter.");
}

TEST_F(SettingsWindowTest, RemoteDisplayInEachState)
{
    // Off: only the toggle.
    EXPECT_FALSE(find<QCheckBox>("remoteEnabled")->isChecked());
    EXPECT_FALSE(shown("remoteDetails"));

    // On, not ready yet, no error: "Starting…" and the fine print only.
    m_harness.watcher().setRemoteDisplayEnabled(true);
    m_harness.watcher().setRemoteDisplayStatus(false, std::nullopt);
    EXPECT_TRUE(shown("remoteDetails"));
    EXPECT_TRUE(shown("startingNote"));
    EXPECT_EQ(text("startingNote"), "Starting…");
    EXPECT_FALSE(shown("remoteError"));
    EXPECT_FALSE(shown("remoteInstructions"));
    EXPECT_FALSE(shown("noAddressNote"));
    EXPECT_TRUE(shown("remoteFinePrint"));
    EXPECT_EQ(text("remoteFinePrint"),
              "The first connection may prompt macOS to allow incoming connections \u2014 click "
              "Allow.");

    // Running: the instructions, and the address rows or the no-address note.
    m_harness.watcher().setRemoteDisplayStatus(true, std::nullopt);
    EXPECT_TRUE(shown("remoteInstructions"));
    EXPECT_EQ(text("remoteInstructions"),
              "Open one of these in a browser on an iPad or iPhone on the same Wi-Fi. On iOS, use "
              "Share \u2192 Add to Home Screen for a full-screen display.");
    EXPECT_FALSE(shown("startingNote"));
    const QStringList urls = m_harness.watcher().remoteDisplayURLs();
    const auto rows = m_window->findChildren<QWidget*>(QStringLiteral("remoteAddressRow"));
    EXPECT_EQ(rows.size(), urls.size());
    EXPECT_EQ(shown("noAddressNote"), urls.isEmpty());
    EXPECT_EQ(text("noAddressNote"),
              "No network address found \u2014 check that Wi-Fi or Ethernet is connected.");

    // Failed: the error alone, then the fine print.
    m_harness.watcher().setRemoteDisplayStatus(false, QStringLiteral("Port 8787 is in use."));
    EXPECT_TRUE(shown("remoteError"));
    bool errorShown = false;
    for (QLabel* label : find("remoteError")->findChildren<QLabel*>())
        errorShown |= label->text() == "Port 8787 is in use.";
    EXPECT_TRUE(errorShown);
    EXPECT_FALSE(shown("remoteInstructions"));
    EXPECT_FALSE(shown("startingNote"));
    EXPECT_FALSE(shown("noAddressNote"));

    m_harness.watcher().setRemoteDisplayEnabled(false);
    EXPECT_FALSE(shown("remoteDetails"));
}

TEST_F(SettingsWindowTest, RegexEditorErrorAndReset)
{
    auto* editor = find<QPlainTextEdit>("regexEditor");
    auto* reset = find<QPushButton>("resetRegex");
    EXPECT_EQ(editor->toPlainText(), FilenamePattern::defaultPattern());
    EXPECT_FALSE(reset->isEnabled());
    EXPECT_FALSE(shown("regexError"));
    EXPECT_EQ(text("regexNote"),
              "Two capture groups \u2014 the first is the piece name, the second the rec-pass "
              "(take) value; the rest of the pattern only anchors them. The default matches REAPER "
              "Preferences \u2192 Audio \u2192 Recording \u2192 \u201cRecorded filenames:\u201d "
              "set to $rectag-$tracknumber-$recpass000.");

    // One extra character enables the reset.
    editor->moveCursor(QTextCursor::End);
    editor->insertPlainText(QStringLiteral("x"));
    EXPECT_EQ(m_harness.watcher().filenamePattern(), FilenamePattern::defaultPattern() + "x");
    EXPECT_TRUE(reset->isEnabled());
    EXPECT_FALSE(shown("regexError"));

    // A broken pattern shows its error live.
    editor->setPlainText(QStringLiteral("(unclosed"));
    EXPECT_TRUE(m_harness.watcher().filenamePatternError().has_value());
    EXPECT_TRUE(shown("regexError"));

    reset->click();
    EXPECT_EQ(editor->toPlainText(), FilenamePattern::defaultPattern());
    EXPECT_EQ(m_harness.watcher().filenamePattern(), FilenamePattern::defaultPattern());
    EXPECT_FALSE(shown("regexError"));
    EXPECT_FALSE(reset->isEnabled());
}

TEST_F(SettingsWindowTest, CopyDiagnosticsSaysCopiedThenReturns)
{
    auto* button = find<QPushButton>("copyDiagnostics");
    EXPECT_EQ(button->text(), "Copy Diagnostics Info");
    EXPECT_EQ(text("diagnosticsNote"),
              "Copies a plain-text summary of what the app currently sees \u2014 detected DAW, "
              "media folder, regex, and the newest take filenames \u2014 for pasting into a bug "
              "report. Nothing is sent anywhere.");
    QGuiApplication::clipboard()->setText(QStringLiteral("something else"));
    m_window->setCopiedDuration(std::chrono::milliseconds(300));
    button->click();
    ASSERT_TRUE(pollUntil([&] { return m_window->copiedDiagnostics(); }));
    EXPECT_EQ(button->text(), "Copied");
    EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith("Quorvel diagnostics\n"));
    ASSERT_TRUE(pollUntil([&] { return !m_window->copiedDiagnostics(); }));
    EXPECT_EQ(button->text(), "Copy Diagnostics Info");
}

TEST_F(SettingsWindowTest, CopiedFeedbackLastsTwoSecondsByDefault)
{
    EXPECT_EQ(SettingsWindow::copiedFeedbackDuration, std::chrono::milliseconds(2000));
}

TEST_F(SettingsWindowTest, EveryAddressGetsARowWithItsQRCodeAndACopyButton)
{
    const QStringList addresses{"http://studio.local:8787", "http://192.168.1.20:8787"};
    m_window->setAddressSource([&] { return addresses; });
    m_harness.watcher().setRemoteDisplayEnabled(true);
    m_harness.watcher().setRemoteDisplayStatus(true, std::nullopt);

    const auto rows = m_window->findChildren<QWidget*>(QStringLiteral("remoteAddressRow"));
    ASSERT_EQ(rows.size(), 2);
    EXPECT_FALSE(shown("noAddressNote"));
    for (qsizetype i = 0; i < rows.size(); ++i) {
        auto* label = rows[i]->findChild<ElidedLabel*>(QStringLiteral("remoteAddress"));
        auto* code = rows[i]->findChild<QLabel*>(QStringLiteral("remoteAddressCode"));
        auto* copy = rows[i]->findChild<QAbstractButton*>(QStringLiteral("copyAddress"));
        ASSERT_TRUE(label && code && copy) << i;
        EXPECT_EQ(label->fullText(), addresses[i]);
        EXPECT_TRUE(label->textInteractionFlags() & Qt::TextSelectableByMouse);
        EXPECT_FALSE(code->pixmap().isNull());
        EXPECT_GT(code->pixmap().width(), 60);
        EXPECT_EQ(copy->toolTip(), "Copy address");
        QGuiApplication::clipboard()->clear();
        copy->click();
        EXPECT_EQ(QGuiApplication::clipboard()->text(), addresses[i]);
    }
}

TEST_F(SettingsWindowTest, RunningWithoutAddressesSaysSo)
{
    m_window->setAddressSource([] { return QStringList(); });
    m_harness.watcher().setRemoteDisplayEnabled(true);
    m_harness.watcher().setRemoteDisplayStatus(true, std::nullopt);
    EXPECT_TRUE(shown("remoteInstructions"));
    EXPECT_TRUE(shown("noAddressNote"));
    EXPECT_TRUE(m_window->findChildren<QWidget*>(QStringLiteral("remoteAddressRow")).isEmpty());
}
