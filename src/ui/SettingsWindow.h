#pragma once

#include "model/FolderWatcher.h"
#include "model/TakeDerivation.h"

#include <QStringList>
#include <QWidget>

#include <chrono>
#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace quorvel {

class ElidedLabel;
class SegmentedControl;
class TakeSheet;
class UserDefaults;

// Where the user chooses the floating window's look and presence, the DAW to watch, the media
// folder, the per-track take rule, whether a take sheet is kept (and clears it), the remote
// display, REAPER's filename pattern, and copies the diagnostics report. Every control writes
// straight to the watcher or the settings, and every explanatory line is recomputed from them, so
// the window can be closed and reopened at any time. Main thread only.
class SettingsWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int windowWidth = 460;
    static constexpr std::chrono::milliseconds copiedFeedbackDuration{2000};

    // Asked before the take sheet is cleared, with the number of takes that would go; true
    // clears.
    using ClearConfirmation = std::function<bool(qint64 takeCount)>;

    // watcher, settings and takeSheet must outlive the window.
    SettingsWindow(FolderWatcher& watcher, UserDefaults& settings, TakeSheet& takeSheet,
                   QWidget* parent = nullptr);
    ~SettingsWindow() override;

    // The folder picker "Choose Folder…" runs; a directory dialog unless a test replaces it.
    void setFolderChooser(FolderWatcher::FolderChooser chooser);
    // The question "Clear…" asks; a message box unless a test replaces it.
    void setClearConfirmation(ClearConfirmation confirmation);
    // Where the remote display's addresses come from (the watcher by default); for tests.
    void setAddressSource(std::function<QStringList()> source);
    // How long the diagnostics button says "Copied"; tests shorten it.
    void setCopiedDuration(std::chrono::milliseconds duration) { m_copiedDuration = duration; }
    bool copiedDiagnostics() const { return m_copiedDiagnostics; }

    // The explanatory texts, each a function of the values it explains.
    static QString themeNote(const QString& themeRaw);
    static QString dockNote(bool showInDock);
    static QString startupNote();
    static QString nextTakeNote(bool showNextTakeWhenIdle);
    static QString dawNote(const std::optional<QString>& detectedDAWName);
    static QString derivationNote(TakeDerivation derivation);
    static QString derivationFinePrint();
    static QString takeSheetNote(bool keepTakeSheet);
    static QString clearTakeSheetDetail(qint64 takeCount);
    static QString remoteInstructions();
    static QString noAddressNote();
    static QString remoteFinePrint();
    static QString regexNote();
    static QString diagnosticsNote();

    // Follows every value the window shows; connected to the watcher and the settings.
    void refresh();

Q_SIGNALS:
    void diagnosticsCopied();

private:
    QWidget* buildDisplaySection();
    QWidget* buildDAWSection();
    QWidget* buildFolderSection();
    QWidget* buildTakeNumberingSection();
    QWidget* buildTakeSheetSection();
    QWidget* buildRemoteSection();
    QWidget* buildRegexSection();
    QWidget* buildDiagnosticsSection();
    void refreshRemoteAddresses();
    void refreshRegexEditor();
    void copyDiagnostics();
    void chooseFolder();
    void clearTakeSheet();
    void refreshTakeSheet();
    void fitHeightToContent();

    FolderWatcher& m_watcher;
    UserDefaults& m_settings;
    TakeSheet& m_takeSheet;
    FolderWatcher::FolderChooser m_folderChooser;
    ClearConfirmation m_clearConfirmation;
    std::function<QStringList()> m_addressSource;
    std::chrono::milliseconds m_copiedDuration = copiedFeedbackDuration;
    bool m_copiedDiagnostics = false;
    QStringList m_shownAddresses;

    QScrollArea* m_scrollArea = nullptr;
    QWidget* m_content = nullptr;

    SegmentedControl* m_windowStyle = nullptr;
    QLabel* m_themeNote = nullptr;
    QCheckBox* m_showInDock = nullptr;
    QCheckBox* m_openAtLogin = nullptr;
    QLabel* m_loginError = nullptr;
    QLabel* m_dockNote = nullptr;
    QCheckBox* m_openOnStartup = nullptr;
    QCheckBox* m_showNextTake = nullptr;
    QLabel* m_nextTakeNote = nullptr;

    QComboBox* m_dawPicker = nullptr;
    QLabel* m_dawNote = nullptr;

    SegmentedControl* m_folderSource = nullptr;
    QWidget* m_manualFolderRow = nullptr;
    ElidedLabel* m_manualFolderPath = nullptr;
    QPushButton* m_chooseFolder = nullptr;
    QWidget* m_detectedFolderRow = nullptr;
    ElidedLabel* m_detectedFolderPath = nullptr;
    QLabel* m_noProjectNote = nullptr;
    QLabel* m_projectNote = nullptr;

    SegmentedControl* m_derivation = nullptr;
    QLabel* m_derivationNote = nullptr;

    QCheckBox* m_keepTakeSheet = nullptr;
    QLabel* m_takeSheetNote = nullptr;
    QPushButton* m_clearTakeSheet = nullptr;

    QCheckBox* m_remoteEnabled = nullptr;
    QWidget* m_remoteDetails = nullptr;
    QCheckBox* m_remoteKeyRequired = nullptr;
    QPushButton* m_newRemoteKey = nullptr;
    QWidget* m_remoteError = nullptr;
    QLabel* m_remoteErrorText = nullptr;
    QLabel* m_remoteInstructions = nullptr;
    QWidget* m_remoteAddresses = nullptr;
    QVBoxLayout* m_remoteAddressLayout = nullptr;
    QLabel* m_announcementNote = nullptr;
    QLabel* m_noAddressNote = nullptr;
    QLabel* m_startingNote = nullptr;

    QPlainTextEdit* m_regexEditor = nullptr;
    QWidget* m_regexError = nullptr;
    QLabel* m_regexErrorText = nullptr;
    QPushButton* m_resetRegex = nullptr;

    QPushButton* m_copyDiagnostics = nullptr;
};

} // namespace quorvel
