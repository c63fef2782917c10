#include "ui/SettingsWindow.h"

#include "QtPrinters.h"
#include "WatcherHarness.h"
#include "model/FilenamePattern.h"
#include "model/SettingsKey.h"
#include "support/Poll.h"
#include "takes/TakeSheet.h"
#include "ui/ElidedLabel.h"
#include "ui/SegmentedControl.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

// A settings window over a fresh watcher, with its parts found by object name.
struct Window
{
    template <typename T = QWidget> T* find(const char* name) const
    {
        T* widget = window.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void click(const char* name) { find<QAbstractButton>(name)->click(); }

    // Which of the parts that come and go are shown in state, and what labels (by name) say.
    void expect(const char* state, const QStringList& shown,
                const std::vector<std::pair<const char*, QString>>& texts = {}) const
    {
        SCOPED_TRACE(state);
        for (const char* part :
             {"noProjectNote", "detectedFolderRow", "projectNote", "chooseFolder",
              "manualFolderRow", "remoteDetails", "startingNote", "remoteError",
              "remoteInstructions", "noAddressNote", "regexError"})
            EXPECT_EQ(find(part)->isVisibleTo(&window), shown.contains(part)) << part;
        for (const auto& [name, text] : texts) {
            const auto* elided = dynamic_cast<ElidedLabel*>(find(name));
            EXPECT_EQ(elided ? elided->fullText() : find<QLabel>(name)->text(), text) << name;
        }
    }

    WatcherHarness harness;
    FolderWatcher& watcher = harness.watcher();
    TakeSheet takeSheet{harness.dir().filePath(QStringLiteral("take-sheet.sqlite"))};
    SettingsWindow window{harness.watcher(), harness.settings(), takeSheet};
};

} // namespace

// One window through a run of states: the parts shown, and notes that follow the choices.
TEST(SettingsWindowTest, NotesAndPartsInEachState)
{
    Window w;
    w.expect("fresh start", {"noProjectNote"});
    for (const char* name : {"showInDock", "openOnStartup", "showNextTake"})
        w.click(name);
    Q_EMIT w.find<SegmentedControl>("windowStyle")->activated(1);
    Q_EMIT w.find<SegmentedControl>("derivation")->activated(1);
    Q_EMIT w.find<QComboBox>("dawPicker")->activated(2);
    w.harness.apply({}, DAWId::ableton);
    EXPECT_FALSE(w.harness.settings().openFloatingWindowOnStartup());
    EXPECT_EQ(w.watcher.dawSelection(), DAWSelection::manual(DAWId::ableton));
    w.expect("every choice flipped", {"noProjectNote"},
             {{"themeNote", SettingsWindow::themeNote("poster")},
              {"dockNote", SettingsWindow::dockNote(false)},
              {"nextTakeNote", SettingsWindow::nextTakeNote(false)},
              {"derivationNote", SettingsWindow::derivationNote(TakeDerivation::max)},
              {"dawNote", SettingsWindow::dawNote(QString("Ableton Live"))}});

    w.click("remoteEnabled");
    const QStringList addresses{"http://a-long-host-name-for-the-studio-machine.local:8787",
                                "http://192.168.1.20:8787"};
    w.window.setAddressSource([&] { return addresses; });
    w.watcher.setRemoteDisplayStatus(true, std::nullopt);
    w.expect("remote display running", {"noProjectNote", "remoteDetails", "remoteInstructions"});
    // Each address with a QR code of its own (what the rows show and copy is the next test's).
    const auto codes = w.window.findChildren<QLabel*>(QStringLiteral("remoteAddressCode"));
    ASSERT_EQ(codes.size(), addresses.size());
    for (const QLabel* code : codes)
        EXPECT_GT(code->pixmap().width(), 60);
    EXPECT_EQ(w.window.width(), 460) << "a long address must not widen the window";
    w.watcher.setRemoteDisplayStatus(false, QStringLiteral("Port 8787 is in use."));
    w.expect("remote display failed", {"noProjectNote", "remoteDetails", "remoteError"});
    EXPECT_EQ(w.find("remoteError")->findChildren<QLabel*>().last()->text(),
              "Port 8787 is in use.");
    w.click("remoteEnabled");

    w.harness.project("Album", "/music/Album/Media");
    w.expect("a detected folder and project", {"detectedFolderRow", "projectNote"},
             {{"detectedFolderPath", "/music/Album/Media"}, {"projectNote", "Project: Album"}});
    Q_EMIT w.find<SegmentedControl>("folderSource")->activated(1);
    w.window.setFolderChooser([](const QString&) { return std::optional<QString>("/takes"); });
    w.click("chooseFolder");
    w.expect("manual folder chosen", {"chooseFolder", "manualFolderRow"},
             {{"manualFolderPath", "/takes"}});
    Q_EMIT w.find<SegmentedControl>("folderSource")->activated(0);
    w.expect("automatic again", {"detectedFolderRow", "projectNote"});
    EXPECT_EQ(w.harness.settings().manualFolderPath(), QString("/takes")) << "kept for later";

    auto* editor = w.find<QPlainTextEdit>("regexEditor");
    EXPECT_FALSE(w.find("resetRegex")->isEnabled()) << "the default pattern";
    editor->setPlainText("(unclosed");
    w.expect("a broken pattern", {"detectedFolderRow", "projectNote", "regexError"});
    EXPECT_EQ(w.watcher.filenamePattern(), "(unclosed");
    w.click("resetRegex");
    w.expect("the pattern reset", {"detectedFolderRow", "projectNote"});
    EXPECT_EQ(editor->toPlainText(), FilenamePattern::defaultPattern());
}

// The key's checkbox and "New key" act on the watcher's setting, and the shown addresses (and so
// their QR codes and what is copied) follow the key.
TEST(SettingsWindowTest, TheAccessKeyControlsChangeTheAddressesShown)
{
    Window w;
    w.click("remoteEnabled");
    w.watcher.setRemoteDisplayStatus(true, std::nullopt);
    const auto shownAddresses = [&] {
        QStringList shown;
        for (const auto* label :
             w.window.findChildren<ElidedLabel*>(QStringLiteral("remoteAddress")))
            shown << label->fullText();
        return shown;
    };
    ASSERT_FALSE(shownAddresses().isEmpty()) << "the machine has a name or an address";
    EXPECT_FALSE(w.find("newRemoteKey")->isEnabled()) << "no key to replace yet";

    w.click("remoteKeyRequired");
    const QString first = w.watcher.remoteDisplayKey();
    w.click("newRemoteKey");
    const QString key = w.watcher.remoteDisplayKey();
    EXPECT_NE(key, first);
    EXPECT_EQ(w.harness.settings().remoteDisplayKey(), key);
    EXPECT_EQ(shownAddresses(), w.watcher.remoteDisplayURLs());
    for (const QString& address : shownAddresses())
        EXPECT_TRUE(address.endsWith("/?key=" + key)) << address.toStdString();
    // Each row's button copies its own address.
    const auto copies = w.window.findChildren<QAbstractButton*>(QStringLiteral("copyAddress"));
    ASSERT_EQ(copies.size(), shownAddresses().size());
    for (qsizetype i = 0; i < copies.size(); ++i) {
        QGuiApplication::clipboard()->clear();
        copies[i]->click();
        EXPECT_EQ(QGuiApplication::clipboard()->text(), shownAddresses()[i]);
    }
    w.click("remoteKeyRequired");
    EXPECT_FALSE(w.harness.settings().remoteDisplayKeyRequired());
    for (const QString& address : shownAddresses())
        EXPECT_FALSE(address.contains("key=")) << address.toStdString();
}

TEST(SettingsWindowTest, KeepsTheTakeSheetAsSetAndClearsItOnlyWhenConfirmed)
{
    Window w;
    w.click("keepTakeSheet");
    EXPECT_FALSE(w.harness.settings().boolean(SettingsKey::keepTakeSheet));
    w.expect("no take sheet", {"noProjectNote"},
             {{"takeSheetNote", SettingsWindow::takeSheetNote(false)}});
    EXPECT_FALSE(w.find("clearTakeSheet")->isEnabled()) << "nothing to clear";

    TakeEntry entry;
    entry.started = QDateTime::currentDateTime();
    for (int take = 1; take <= 3; ++take)
        w.takeSheet.begin(entry);
    w.takeSheet.flush();
    ASSERT_TRUE(pollUntil([&] { return w.find("clearTakeSheet")->isEnabled(); }));
    for (const bool confirm : {false, true}) {
        std::vector<qint64> asked;
        w.window.setClearConfirmation(
            [&](qint64 takes) { return asked.push_back(takes), confirm; });
        w.click("clearTakeSheet");
        w.takeSheet.flush();
        EXPECT_EQ(asked, std::vector<qint64>{3}) << confirm;
        EXPECT_EQ(w.takeSheet.count(), confirm ? 0 : 3) << confirm;
    }
    EXPECT_TRUE(pollUntil([&] { return !w.find("clearTakeSheet")->isEnabled(); }));
}

TEST(SettingsWindowTest, CopyDiagnosticsSaysCopiedThenReturns)
{
    Window w;
    QGuiApplication::clipboard()->setText(QStringLiteral("something else"));
    w.window.setCopiedDuration(std::chrono::milliseconds(300));
    w.click("copyDiagnostics");
    ASSERT_TRUE(pollUntil([&] { return w.window.copiedDiagnostics(); }));
    EXPECT_EQ(w.find<QPushButton>("copyDiagnostics")->text(), "Copied");
    EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith("Quorvel diagnostics\n"));
    EXPECT_TRUE(pollUntil([&] { return !w.window.copiedDiagnostics(); })) << "never returned";
}
