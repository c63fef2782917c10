#include "ui/SettingsWindow.h"

#include "QtPrinters.h"
#include "WatcherHarness.h"
#include "model/FilenamePattern.h"
#include "model/SettingsKey.h"
#include "support/Poll.h"
#include "support/TempDir.h"
#include "takes/TakeSheet.h"
#include "ui/ElidedLabel.h"
#include "ui/PlatformTexts.h"
#include "ui/SegmentedControl.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>

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

// On Linux every text the window shows uses the desktop's own words; each text names the Mac's.
TEST(SettingsWindowTest, LinuxWordsEverywhereAndTheMacWordsKept)
{
    const QStringList appleWords{"Dock", "menu bar", "Finder", "macOS"};
    for (int i = 0; i <= static_cast<int>(PlatformText::helpRequirements); ++i) {
        const auto text = static_cast<PlatformText>(i);
        const QString mac = platformText(text, HostSystem::macOS);
        const QString linux = platformText(text, HostSystem::linuxDesktop);
        EXPECT_TRUE(std::any_of(appleWords.begin(), appleWords.end(),
                                [&](const QString& word) { return mac.contains(word); }))
            << mac.toStdString();
        for (const QString& word : appleWords)
            EXPECT_FALSE(linux.contains(word)) << linux.toStdString();
    }

    if (hostSystem() != HostSystem::linuxDesktop)
        GTEST_SKIP() << "the window shows the Mac's words here";
    Window w;
    w.window.show();
    for (const bool dock : {true, false}) {
        w.harness.settings().setShowInDock(dock);
        for (const auto* widget : w.window.findChildren<QWidget*>()) {
            QString shown;
            if (const auto* label = qobject_cast<const QLabel*>(widget))
                shown = label->text();
            else if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
                shown = button->text();
            for (const QString& word : appleWords)
                EXPECT_FALSE(widget->isVisibleTo(&w.window) && shown.contains(word))
                    << shown.toStdString();
        }
    }
}

// "Open at login" writes and removes a real autostart entry, and reads back what the user did
// to it meanwhile.
TEST(SettingsWindowTest, OpenAtLoginFollowsTheAutostartEntry)
{
    if (hostSystem() != HostSystem::linuxDesktop)
        GTEST_SKIP() << "a launch agent on the Mac";
    TempDir config;
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    const QString entry = config.filePath("autostart/com.quorvel.Quorvel.desktop");
    {
        Window w;
        auto* box = w.find<QCheckBox>("openAtLogin");
        EXPECT_FALSE(box->isChecked());
        w.click("openAtLogin");
        EXPECT_TRUE(box->isChecked());
        ASSERT_TRUE(QFile::exists(entry));
        QProcess validate;
        validate.start("desktop-file-validate", {entry});
        ASSERT_TRUE(validate.waitForFinished(60000));
        EXPECT_EQ(validate.exitCode(), 0) << validate.readAll().toStdString();

        // Switched off in the desktop's startup settings, which keep the file.
        config.write("autostart/com.quorvel.Quorvel.desktop",
                     "[Desktop Entry]\nType=Application\nName=Quorvel\nExec=quorvel\nHidden=true\n");
        w.harness.settings().setShowInDock(false); // any change refreshes the window
        EXPECT_FALSE(box->isChecked());
        w.click("openAtLogin");
        EXPECT_TRUE(box->isChecked());
        w.click("openAtLogin");
        EXPECT_FALSE(QFile::exists(entry));
        EXPECT_FALSE(box->isChecked());
        EXPECT_FALSE(w.find("loginError")->isVisibleTo(&w.window));
    }
    {
        // A config folder that cannot hold the entry: said in the window, nothing claimed.
        config.write("not-a-folder", "x");
        qputenv("XDG_CONFIG_HOME", config.filePath("not-a-folder").toUtf8());
        Window w;
        w.window.show();
        w.click("openAtLogin");
        EXPECT_FALSE(w.find<QCheckBox>("openAtLogin")->isChecked());
        EXPECT_TRUE(w.find("loginError")->isVisible());
        EXPECT_TRUE(w.find<QLabel>("loginError")->text().startsWith("Could not create"));
    }
    if (saved.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", saved);
}
