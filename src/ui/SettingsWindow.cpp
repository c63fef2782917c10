#include "ui/SettingsWindow.h"

#include "model/DiagnosticsReport.h"
#include "model/FilenamePattern.h"
#include "model/SettingsKey.h"
#include "model/UserDefaults.h"
#include "platform/LoginItem.h"
#include "remote/NetworkInfo.h"
#include "takes/TakeSheet.h"
#include "ui/ElidedLabel.h"
#include "ui/PlatformTexts.h"
#include "ui/QrCode.h"
#include "ui/SegmentedControl.h"
#include "ui/WindowTheme.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QTextBlock>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace quorvel {

namespace {

constexpr int qrModuleSize = 3;

// A pattern is one line: Return does nothing, and pasted line breaks are dropped.
class PatternEditor : public QPlainTextEdit
{
public:
    using QPlainTextEdit::QPlainTextEdit;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            event->accept();
            return;
        }
        QPlainTextEdit::keyPressEvent(event);
    }

    void insertFromMimeData(const QMimeData* source) override
    {
        QString text = source->text();
        text.remove(u'\r');
        text.remove(u'\n');
        insertPlainText(text);
    }
};

QFont scaledFont(const QFont& base, qreal factor)
{
    QFont font = base;
    font.setPointSizeF(base.pointSizeF() * factor);
    return font;
}

void setTextAlpha(QWidget* widget, float alpha)
{
    QPalette palette = widget->palette();
    QColor color = palette.color(QPalette::WindowText);
    color.setAlphaF(alpha);
    palette.setColor(QPalette::WindowText, color);
    widget->setPalette(palette);
}

QLabel* makeNote(const QString& name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    // The caption size (12 of 13) in the secondary colour.
    label->setFont(scaledFont(label->font(), 12.0 / 13.0));
    setTextAlpha(label, 0.6f);
    return label;
}

QLabel* makeFinePrint(const QString& name, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    // The second caption size (11 of 13) in the tertiary colour.
    label->setFont(scaledFont(label->font(), 11.0 / 13.0));
    setTextAlpha(label, 0.4f);
    return label;
}

// A red caption with a warning sign, for errors the user must act on.
QWidget* makeWarning(const QString& name, QLabel*& text, QWidget* parent)
{
    auto* row = new QWidget(parent);
    row->setObjectName(name);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    auto* icon = new QLabel(row);
    icon->setPixmap(row->style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(14, 14));
    icon->setAlignment(Qt::AlignTop);
    text = new QLabel(row);
    text->setWordWrap(true);
    text->setTextFormat(Qt::PlainText);
    text->setFont(scaledFont(text->font(), 12.0 / 13.0));
    QPalette palette = text->palette();
    palette.setColor(QPalette::WindowText, QColor(255, 59, 48));
    text->setPalette(palette);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(icon);
    layout->addWidget(text, 1);
    return row;
}

QWidget* makeRow(const QString& title, QWidget* control, QWidget* parent)
{
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    layout->addWidget(new QLabel(title, row));
    layout->addWidget(control, 1);
    return row;
}

// Two overlapping sheets: the copy symbol.
QIcon copyIcon(const QColor& color)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(color, 2.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(11, 4, 16, 19), 3, 3);
    // The front sheet hides the back one where they overlap.
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.fillRect(QRectF(4, 9, 18, 21), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawRoundedRect(QRectF(5, 10, 16, 19), 3, 3);
    return QIcon(pixmap);
}

QGroupBox* makeSection(const QString& title, QWidget* parent, QVBoxLayout*& layout)
{
    auto* box = new QGroupBox(title, parent);
    layout = new QVBoxLayout(box);
    layout->setSpacing(6);
    return box;
}

} // namespace

SettingsWindow::SettingsWindow(FolderWatcher& watcher, UserDefaults& settings, TakeSheet& takeSheet,
                               QWidget* parent)
    : QWidget(parent, Qt::Window), m_watcher(watcher), m_settings(settings), m_takeSheet(takeSheet)
{
    setWindowTitle(QStringLiteral("Settings"));
    setFolderChooser({});
    setClearConfirmation({});
    setAddressSource({});

    m_content = new QWidget;
    auto* column = new QVBoxLayout(m_content);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(12);
    column->addWidget(buildDisplaySection());
    column->addWidget(buildDAWSection());
    column->addWidget(buildFolderSection());
    column->addWidget(buildTakeNumberingSection());
    column->addWidget(buildTakeSheetSection());
    column->addWidget(buildRemoteSection());
    column->addWidget(buildRegexSection());
    column->addWidget(buildDiagnosticsSection());
    column->addStretch(1);

    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setWidget(m_content);
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_scrollArea);
    setFixedWidth(windowWidth);

    connect(&m_watcher, &FolderWatcher::changed, this, &SettingsWindow::refresh);
    connect(&m_watcher, &FolderWatcher::scanApplied, this, [this] {
        // Addresses come and go with the network; look again while someone can see them.
        if (isVisible() && m_watcher.remoteDisplayEnabled() && m_watcher.remoteDisplayRunning())
            refreshRemoteAddresses();
    });
    connect(&m_settings, &UserDefaults::changed, this, &SettingsWindow::refresh);
    // Only the sheet's own changes move its count; a query per watcher change would be waste.
    connect(&m_takeSheet, &TakeSheet::changed, this, &SettingsWindow::refreshTakeSheet);
    refresh();
    refreshTakeSheet();
    fitHeightToContent();
}

SettingsWindow::~SettingsWindow() = default;

void SettingsWindow::setFolderChooser(FolderWatcher::FolderChooser chooser)
{
    if (chooser) {
        m_folderChooser = std::move(chooser);
        return;
    }
    m_folderChooser = [this](const QString& message) -> std::optional<QString> {
        QFileDialog dialog(this, message);
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Choose"));
        if (const auto current = m_watcher.effectiveFolderURL())
            dialog.setDirectory(*current);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return dialog.selectedFiles().constFirst();
    };
}

void SettingsWindow::setClearConfirmation(ClearConfirmation confirmation)
{
    if (confirmation) {
        m_clearConfirmation = std::move(confirmation);
        return;
    }
    m_clearConfirmation = [this](qint64 takeCount) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Clear Take Sheet"),
                        QStringLiteral("Clear the take sheet?"), QMessageBox::NoButton, this);
        box.setInformativeText(clearTakeSheetDetail(takeCount));
        QPushButton* clear = box.addButton(QStringLiteral("Clear"), QMessageBox::DestructiveRole);
        QPushButton* cancel = box.addButton(QMessageBox::Cancel);
        // Return must not be the way a sheet of takes is lost.
        box.setDefaultButton(cancel);
        box.setEscapeButton(cancel);
        box.exec();
        return box.clickedButton() == clear;
    };
}

void SettingsWindow::setAddressSource(std::function<QStringList()> source)
{
    if (source)
        m_addressSource = std::move(source);
    else
        m_addressSource = [this] { return m_watcher.remoteDisplayURLs(); };
    if (m_remoteAddressLayout)
        refresh();
}

// --- texts ---

QString SettingsWindow::themeNote(const QString& themeRaw)
{
    if (windowThemeFromRawValue(themeRaw) == WindowTheme::poster)
        return QStringLiteral("Dark window; while recording, the whole window turns red \u2014 an "
                              "on-air light readable across the room.");
    return QStringLiteral(
        "Warm light window; recording is shown with a red take number and record dot.");
}

QString SettingsWindow::dockNote(bool showInDock)
{
    return platformText(showInDock ? PlatformText::dockNoteShown : PlatformText::dockNoteHidden) +
           QStringLiteral(" Takes effect immediately.");
}

QString SettingsWindow::startupNote()
{
    return platformText(PlatformText::startupNote);
}

QString SettingsWindow::nextTakeNote(bool showNextTakeWhenIdle)
{
    return showNextTakeWhenIdle
               ? QStringLiteral("When not recording, shows the next take number (\"Next take\").")
               : QStringLiteral(
                     "When not recording, shows the just-recorded take number (\"Last take\").");
}

QString SettingsWindow::dawNote(const std::optional<QString>& detectedDAWName)
{
    if (detectedDAWName)
        return QStringLiteral("Currently watching ") + *detectedDAWName + u'.';
    return QStringLiteral(
        "No supported DAW detected. Auto-detect watches whichever supported DAW is running.");
}

QString SettingsWindow::derivationNote(TakeDerivation derivation)
{
    if (derivation == TakeDerivation::max)
        return QStringLiteral("Highest: the largest take number across all tracks. Best when "
                              "tracks are only ever added later in a session.");
    return QStringLiteral("Most common: the take number shared by the most tracks. Robust when "
                          "one track ran ahead (a discarded take) or was added late. Recommended.");
}

QString SettingsWindow::derivationFinePrint()
{
    return QStringLiteral("Applies to DAWs that number takes per track (Logic Pro, Pro Tools). "
                          "REAPER uses its own global rec-pass counter.");
}

QString SettingsWindow::takeSheetNote(bool keepTakeSheet)
{
    if (keepTakeSheet)
        return QStringLiteral("Every recording pass is written down: take number, piece, project, "
                              "when it started and how long it ran. Open Take Sheet… from the "
                              "menu to mark takes, add notes and export them as CSV.");
    return QStringLiteral("Recording passes are not written down. Takes already on the sheet "
                          "stay there.");
}

QString SettingsWindow::clearTakeSheetDetail(qint64 takeCount)
{
    const QString takes = takeCount == 1 ? QStringLiteral("1 take")
                                         : QLocale().toString(takeCount) + QStringLiteral(" takes");
    return takes + QStringLiteral(" will be removed, with their marks and notes. This cannot be "
                                  "undone.");
}

QString SettingsWindow::remoteInstructions()
{
    return QStringLiteral("Open one of these in a browser on an iPad or iPhone on the same Wi-Fi. "
                          "On iOS, use Share \u2192 Add to Home Screen for a full-screen display.");
}

QString SettingsWindow::noAddressNote()
{
    return QStringLiteral(
        "No network address found \u2014 check that Wi-Fi or Ethernet is connected.");
}

QString SettingsWindow::remoteFinePrint()
{
    return platformText(PlatformText::remoteFinePrint);
}

QString SettingsWindow::regexNote()
{
    return QStringLiteral(
        "Two capture groups \u2014 the first is the piece name, the second the rec-pass (take) "
        "value; the rest of the pattern only anchors them. The default matches REAPER Preferences "
        "\u2192 Audio \u2192 Recording \u2192 \u201cRecorded filenames:\u201d set to "
        "$rectag-$tracknumber-$recpass000.");
}

QString SettingsWindow::diagnosticsNote()
{
    return QStringLiteral(
        "Copies a plain-text summary of what the app currently sees \u2014 detected DAW, media "
        "folder, regex, and the newest take filenames \u2014 for pasting into a bug report. "
        "Nothing is sent anywhere.");
}

// --- sections ---

QWidget* SettingsWindow::buildDisplaySection()
{
    QVBoxLayout* layout = nullptr;
    QGroupBox* box = makeSection(QStringLiteral("Display"), m_content, layout);

    m_windowStyle = new SegmentedControl({QStringLiteral("Paper"), QStringLiteral("Poster")}, box);
    m_windowStyle->setObjectName(QStringLiteral("windowStyle"));
    connect(m_windowStyle, &SegmentedControl::activated, this, [this](int index) {
        m_settings.setWindowTheme(rawValue(allWindowThemes[static_cast<size_t>(index)]));
    });
    layout->addWidget(makeRow(QStringLiteral("Window style"), m_windowStyle, box));
    m_themeNote = makeNote(QStringLiteral("themeNote"), box);
    layout->addWidget(m_themeNote);

    m_showInDock = new QCheckBox(platformText(PlatformText::showDockIconToggle), box);
    m_showInDock->setObjectName(QStringLiteral("showInDock"));
    connect(m_showInDock, &QCheckBox::clicked, this,
            [this](bool checked) { m_settings.setShowInDock(checked); });
    layout->addWidget(m_showInDock);
    m_dockNote = makeNote(QStringLiteral("dockNote"), box);
    layout->addWidget(m_dockNote);

    m_openOnStartup = new QCheckBox(QStringLiteral("Open floating window on startup"), box);
    m_openOnStartup->setObjectName(QStringLiteral("openOnStartup"));
    connect(m_openOnStartup, &QCheckBox::clicked, this,
            [this](bool checked) { m_settings.setOpenFloatingWindowOnStartup(checked); });
    layout->addWidget(m_openOnStartup);
    QLabel* startup = makeNote(QStringLiteral("startupNote"), box);
    startup->setText(startupNote());
    layout->addWidget(startup);

    m_openAtLogin = new QCheckBox(QStringLiteral("Open at login"), box);
    m_openAtLogin->setObjectName(QStringLiteral("openAtLogin"));
    connect(m_openAtLogin, &QCheckBox::clicked, this, [this](bool checked) {
        m_loginError->setText(LoginItem::setEnabled(checked));
        m_loginError->setVisible(!m_loginError->text().isEmpty());
        m_openAtLogin->setChecked(LoginItem::isEnabled());
    });
    layout->addWidget(m_openAtLogin);
    m_loginError = makeNote(QStringLiteral("loginError"), box);
    m_loginError->hide();
    layout->addWidget(m_loginError);

    m_showNextTake = new QCheckBox(QStringLiteral("Show upcoming take number between takes"), box);
    m_showNextTake->setObjectName(QStringLiteral("showNextTake"));
    connect(m_showNextTake, &QCheckBox::clicked, this,
            [this](bool checked) { m_watcher.setShowNextTakeWhenIdle(checked); });
    layout->addWidget(m_showNextTake);
    m_nextTakeNote = makeNote(QStringLiteral("nextTakeNote"), box);
    layout->addWidget(m_nextTakeNote);
    return box;
}

QWidget* SettingsWindow::buildDAWSection()
{
    QVBoxLayout* layout = nullptr;
    QGroupBox* box = makeSection(QStringLiteral("DAW"), m_content, layout);

    m_dawPicker = new QComboBox(box);
    m_dawPicker->setObjectName(QStringLiteral("dawPicker"));
    m_dawPicker->addItem(QStringLiteral("Auto-detect"), QStringLiteral("auto"));
    for (const auto& option : m_watcher.dawOptions())
        m_dawPicker->addItem(option.name, rawValue(option.id));
    connect(m_dawPicker, &QComboBox::activated, this, [this](int index) {
        m_watcher.setDawSelection(
            DAWSelection::fromPersistedText(m_dawPicker->itemData(index).toString()));
    });
    layout->addWidget(makeRow(QStringLiteral("Watch"), m_dawPicker, box));
    m_dawNote = makeNote(QStringLiteral("dawNote"), box);
    layout->addWidget(m_dawNote);
    return box;
}

QWidget* SettingsWindow::buildFolderSection()
{
    QVBoxLayout* layout = nullptr;
    QGroupBox* box = makeSection(QStringLiteral("Media Folder"), m_content, layout);

    m_folderSource =
        new SegmentedControl({QStringLiteral("Automatic"), QStringLiteral("Manual")}, box);
    m_folderSource->setObjectName(QStringLiteral("folderSource"));
    connect(m_folderSource, &SegmentedControl::activated, this, [this](int index) {
        m_watcher.setFolderMode(allFolderModes[static_cast<size_t>(index)]);
    });
    layout->addWidget(makeRow(QStringLiteral("Source"), m_folderSource, box));

    m_manualFolderPath = new ElidedLabel(box);
    m_manualFolderPath->setObjectName(QStringLiteral("manualFolderPath"));
    m_manualFolderPath->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_manualFolderRow = makeRow(QStringLiteral("Folder"), m_manualFolderPath, box);
    m_manualFolderRow->setObjectName(QStringLiteral("manualFolderRow"));
    layout->addWidget(m_manualFolderRow);

    m_chooseFolder = new QPushButton(QStringLiteral("Choose Folder…"), box);
    m_chooseFolder->setObjectName(QStringLiteral("chooseFolder"));
    m_chooseFolder->setAutoDefault(false);
    connect(m_chooseFolder, &QPushButton::clicked, this, &SettingsWindow::chooseFolder);
    auto* chooseRow = new QHBoxLayout;
    chooseRow->addWidget(m_chooseFolder);
    chooseRow->addStretch(1);
    layout->addLayout(chooseRow);

    m_detectedFolderPath = new ElidedLabel(box);
    m_detectedFolderPath->setObjectName(QStringLiteral("detectedFolderPath"));
    m_detectedFolderPath->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_detectedFolderRow = makeRow(QStringLiteral("Detected folder"), m_detectedFolderPath, box);
    m_detectedFolderRow->setObjectName(QStringLiteral("detectedFolderRow"));
    layout->addWidget(m_detectedFolderRow);

    m_noProjectNote = new QLabel(QStringLiteral("No project detected yet."), box);
    m_noProjectNote->setObjectName(QStringLiteral("noProjectNote"));
    setTextAlpha(m_noProjectNote, 0.6f);
    layout->addWidget(m_noProjectNote);

    m_projectNote = makeNote(QStringLiteral("projectNote"), box);
    layout->addWidget(m_projectNote);
    return box;
}

QWidget* SettingsWindow::buildTakeNumberingSection()
{
    QVBoxLayout* layout = nullptr;
    QGroupBox* box = makeSection(QStringLiteral("Take Numbering"), m_content, layout);

    m_derivation =
        new SegmentedControl({QStringLiteral("Most common"), QStringLiteral("Highest")}, box);
    m_derivation->setObjectName(QStringLiteral("derivation"));
    connect(m_derivation, &SegmentedControl::activated, this, [this](int index) {
        m_watcher.setTakeDerivation(allTakeDerivations[static_cast<size_t>(index)]);
    });
    layout->addWidget(makeRow(QStringLiteral("From multiple tracks"), m_derivation, box));
    m_derivationNote = makeNote(QStringLiteral("derivationNote"), box);
    layout->addWidget(m_derivationNote);
    layout->addWidget(
        makeFinePrint(QStringLiteral("derivationFinePrint"), derivationFinePrint(), box));
    return box;
}

QWidget* SettingsWindow::buildTakeSheetSection()
{
    QVBoxLayout* layout = nullptr;
    QGroupBox* box = makeSection(QStringLiteral("Take Sheet"), m_content, layout);

    auto* row = new QHBoxLayout;
    m_keepTakeSheet = new QCheckBox(QStringLiteral("Keep a take sheet"), box);
    m_keepTakeSheet->setObjectName(QStringLiteral("keepTakeSheet"));
    connect(m_keepTakeSheet, &QCheckBox::clicked, this,
            [this](bool checked) { m_settings.setBoolean(SettingsKey::keepTakeSheet, checked); });
    row->addWidget(m_keepTakeSheet, 1);
    m_clearTakeSheet = new QPushButton(QStringLiteral("Clear…"), box);
    m_clearTakeSheet->setObjectName(QStringLiteral("clearTakeSheet"));
    m_clearTakeSheet->setAutoDefault(false);
    m_clearTakeSheet->setToolTip(QStringLiteral("Remove every take from the take sheet"));
    connect(m_clearTakeSheet, &QPushButton::clicked, this, &SettingsWindow::clearTakeSheet);
    row->addWidget(m_clearTakeSheet);
    layout->addLayout(row);
    m_takeSheetNote = makeNote(QStringLiteral("takeSheetNote"), box);
    layout->addWidget(m_takeSheetNote);
    return box;
}

QWidget* SettingsWindow::buildRemoteSection()
{
    QVBoxLayout* layout = nullptr;
    QGroupBox* box = makeSection(QStringLiteral("Remote Display"), m_content, layout);

    m_remoteEnabled = new QCheckBox(QStringLiteral("Enable remote display"), box);
    m_remoteEnabled->setObjectName(QStringLiteral("remoteEnabled"));
    connect(m_remoteEnabled, &QCheckBox::clicked, this,
            [this](bool checked) { m_watcher.setRemoteDisplayEnabled(checked); });
    layout->addWidget(m_remoteEnabled);

    m_remoteDetails = new QWidget(box);
    m_remoteDetails->setObjectName(QStringLiteral("remoteDetails"));
    auto* details = new QVBoxLayout(m_remoteDetails);
    details->setContentsMargins(0, 0, 0, 0);
    details->setSpacing(6);

    // The key keeps other devices on the network from reading the session's names; the addresses
    // below carry it, so a tablet opened from them needs nothing else.
    auto* keyRow = new QHBoxLayout;
    keyRow->setContentsMargins(0, 0, 0, 0);
    m_remoteKeyRequired = new QCheckBox(QStringLiteral("Require an access key"), m_remoteDetails);
    m_remoteKeyRequired->setObjectName(QStringLiteral("remoteKeyRequired"));
    connect(m_remoteKeyRequired, &QCheckBox::clicked, this,
            [this](bool checked) { m_watcher.setRemoteDisplayKeyRequired(checked); });
    keyRow->addWidget(m_remoteKeyRequired, 1);
    m_newRemoteKey = new QPushButton(QStringLiteral("New key"), m_remoteDetails);
    m_newRemoteKey->setObjectName(QStringLiteral("newRemoteKey"));
    m_newRemoteKey->setToolTip(
        QStringLiteral("Replace the key; devices opened with the old address must scan again"));
    connect(m_newRemoteKey, &QPushButton::clicked, this,
            [this] { m_watcher.newRemoteDisplayKey(); });
    keyRow->addWidget(m_newRemoteKey);
    details->addLayout(keyRow);

    m_remoteError = makeWarning(QStringLiteral("remoteError"), m_remoteErrorText, m_remoteDetails);
    details->addWidget(m_remoteError);

    m_remoteInstructions = makeNote(QStringLiteral("remoteInstructions"), m_remoteDetails);
    m_remoteInstructions->setText(remoteInstructions());
    details->addWidget(m_remoteInstructions);

    m_remoteAddresses = new QWidget(m_remoteDetails);
    m_remoteAddresses->setObjectName(QStringLiteral("remoteAddresses"));
    m_remoteAddressLayout = new QVBoxLayout(m_remoteAddresses);
    m_remoteAddressLayout->setContentsMargins(0, 0, 0, 0);
    m_remoteAddressLayout->setSpacing(8);
    details->addWidget(m_remoteAddresses);

    // Why NAME.local leads the addresses or trails them.
    m_announcementNote = makeNote(QStringLiteral("announcementNote"), m_remoteDetails);
    details->addWidget(m_announcementNote);

    m_noAddressNote = makeNote(QStringLiteral("noAddressNote"), m_remoteDetails);
    m_noAddressNote->setText(noAddressNote());
    details->addWidget(m_noAddressNote);

    m_startingNote = makeNote(QStringLiteral("startingNote"), m_remoteDetails);
    m_startingNote->setText(QStringLiteral("Starting…"));
    details->addWidget(m_startingNote);

    details->addWidget(
        makeFinePrint(QStringLiteral("remoteFinePrint"), remoteFinePrint(), m_remoteDetails));
    layout->addWidget(m_remoteDetails);
    return box;
}

QWidget* SettingsWindow::buildRegexSection()
{
    QVBoxLayout* layout = nullptr;
    QGroupBox* box = makeSection(QStringLiteral("REAPER Regex"), m_content, layout);

    auto* field = new QVBoxLayout;
    field->setSpacing(4);
    field->addWidget(new QLabel(QStringLiteral("Regex"), box));
    m_regexEditor = new PatternEditor(box);
    m_regexEditor->setObjectName(QStringLiteral("regexEditor"));
    m_regexEditor->setAccessibleName(QStringLiteral("Regex"));
    m_regexEditor->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_regexEditor->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_regexEditor->setWordWrapMode(QTextOption::WrapAnywhere);
    m_regexEditor->setTabChangesFocus(true);
    m_regexEditor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_regexEditor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_regexEditor->setPlainText(m_watcher.filenamePattern());
    connect(m_regexEditor, &QPlainTextEdit::textChanged, this, [this] {
        refreshRegexEditor();
        const QString text = m_regexEditor->toPlainText();
        if (text != m_watcher.filenamePattern())
            m_watcher.setFilenamePattern(text);
    });
    field->addWidget(m_regexEditor);
    layout->addLayout(field);

    m_regexError = makeWarning(QStringLiteral("regexError"), m_regexErrorText, box);
    layout->addWidget(m_regexError);

    QLabel* note = makeNote(QStringLiteral("regexNote"), box);
    note->setText(regexNote());
    layout->addWidget(note);

    m_resetRegex = new QPushButton(QStringLiteral("Reset to Default"), box);
    m_resetRegex->setObjectName(QStringLiteral("resetRegex"));
    m_resetRegex->setAutoDefault(false);
    connect(m_resetRegex, &QPushButton::clicked, this,
            [this] { m_watcher.setFilenamePattern(FilenamePattern::defaultPattern()); });
    auto* resetRow = new QHBoxLayout;
    resetRow->addWidget(m_resetRegex);
    resetRow->addStretch(1);
    layout->addLayout(resetRow);
    refreshRegexEditor();
    return box;
}

QWidget* SettingsWindow::buildDiagnosticsSection()
{
    QVBoxLayout* layout = nullptr;
    QGroupBox* box = makeSection(QStringLiteral("Diagnostics"), m_content, layout);

    m_copyDiagnostics = new QPushButton(QStringLiteral("Copy Diagnostics Info"), box);
    m_copyDiagnostics->setObjectName(QStringLiteral("copyDiagnostics"));
    m_copyDiagnostics->setAutoDefault(false);
    connect(m_copyDiagnostics, &QPushButton::clicked, this, &SettingsWindow::copyDiagnostics);
    auto* row = new QHBoxLayout;
    row->addWidget(m_copyDiagnostics);
    row->addStretch(1);
    layout->addLayout(row);
    QLabel* note = makeNote(QStringLiteral("diagnosticsNote"), box);
    note->setText(diagnosticsNote());
    layout->addWidget(note);
    return box;
}

// --- following the model ---

void SettingsWindow::refresh()
{
    const QString theme = m_settings.windowTheme();
    m_windowStyle->setCurrentIndex(windowThemeFromRawValue(theme) == WindowTheme::poster ? 1 : 0);
    m_themeNote->setText(themeNote(theme));
    m_showInDock->setChecked(m_settings.showInDock());
    m_dockNote->setText(dockNote(m_settings.showInDock()));
    m_openOnStartup->setChecked(m_settings.openFloatingWindowOnStartup());
    // Read back every time: the user may have removed the entry by hand meanwhile.
    m_openAtLogin->setChecked(LoginItem::isEnabled());
    m_showNextTake->setChecked(m_watcher.showNextTakeWhenIdle());
    m_nextTakeNote->setText(nextTakeNote(m_watcher.showNextTakeWhenIdle()));

    const int dawIndex = m_dawPicker->findData(m_watcher.dawSelection().persistedText());
    m_dawPicker->setCurrentIndex(std::max(dawIndex, 0));
    m_dawNote->setText(dawNote(m_watcher.detectedDAWName()));

    const bool manual = m_watcher.folderMode() == FolderMode::manual;
    m_folderSource->setCurrentIndex(manual ? 1 : 0);
    const auto manualFolder = m_watcher.manualFolderURL();
    m_manualFolderRow->setVisible(manual && manualFolder.has_value());
    m_manualFolderPath->setFullText(manualFolder.value_or(QString()));
    m_chooseFolder->setVisible(manual);
    const auto detectedFolder = m_watcher.detectedFolderURL();
    m_detectedFolderRow->setVisible(!manual && detectedFolder.has_value());
    m_detectedFolderPath->setFullText(detectedFolder.value_or(QString()));
    m_noProjectNote->setVisible(!manual && !detectedFolder);
    const auto project = m_watcher.detectedProjectName();
    m_projectNote->setVisible(!manual && project.has_value());
    m_projectNote->setText(QStringLiteral("Project: ") + project.value_or(QString()));

    m_derivation->setCurrentIndex(m_watcher.takeDerivation() == TakeDerivation::max ? 1 : 0);
    m_derivationNote->setText(derivationNote(m_watcher.takeDerivation()));

    const bool keep = m_settings.boolean(SettingsKey::keepTakeSheet);
    m_keepTakeSheet->setChecked(keep);
    m_takeSheetNote->setText(takeSheetNote(keep));

    const bool remoteOn = m_watcher.remoteDisplayEnabled();
    const auto remoteError = m_watcher.remoteDisplayError();
    const bool running = !remoteError && m_watcher.remoteDisplayRunning();
    m_remoteEnabled->setChecked(remoteOn);
    m_remoteDetails->setVisible(remoteOn);
    m_remoteKeyRequired->setChecked(m_watcher.remoteDisplayKeyRequired());
    m_newRemoteKey->setEnabled(m_watcher.remoteDisplayKeyRequired());
    m_remoteError->setVisible(remoteError.has_value());
    m_remoteErrorText->setText(remoteError.value_or(QString()));
    m_remoteInstructions->setVisible(running);
    m_remoteAddresses->setVisible(running);
    m_announcementNote->setText(
        NetworkInfo::announcementNote(m_watcher.remoteDisplayAnnouncement()));
    m_announcementNote->setVisible(running && !m_announcementNote->text().isEmpty());
    m_startingNote->setVisible(remoteOn && !remoteError && !running);
    if (remoteOn && running)
        refreshRemoteAddresses();
    else
        m_noAddressNote->setVisible(false);

    if (m_regexEditor->toPlainText() != m_watcher.filenamePattern()) {
        const QSignalBlocker blocker(m_regexEditor);
        m_regexEditor->setPlainText(m_watcher.filenamePattern());
        refreshRegexEditor();
    }
    const auto patternError = m_watcher.filenamePatternError();
    m_regexError->setVisible(patternError.has_value());
    m_regexErrorText->setText(patternError.value_or(QString()));
    m_resetRegex->setEnabled(m_watcher.filenamePattern() != FilenamePattern::defaultPattern());

    m_copyDiagnostics->setText(m_copiedDiagnostics ? QStringLiteral("Copied")
                                                   : QStringLiteral("Copy Diagnostics Info"));
    fitHeightToContent();
}

void SettingsWindow::refreshRemoteAddresses()
{
    const QStringList addresses = m_addressSource();
    m_noAddressNote->setVisible(addresses.isEmpty());
    if (addresses == m_shownAddresses && m_remoteAddressLayout->count() == addresses.size())
        return;
    m_shownAddresses = addresses;
    while (QLayoutItem* item = m_remoteAddressLayout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    for (const QString& address : addresses) {
        auto* row = new QWidget(m_remoteAddresses);
        row->setObjectName(QStringLiteral("remoteAddressRow"));
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(8);

        auto* code = new QLabel(row);
        code->setObjectName(QStringLiteral("remoteAddressCode"));
        code->setPixmap(QPixmap::fromImage(QrCode::render(address, qrModuleSize)));
        code->setToolTip(QStringLiteral("Point an iPad's camera here to open ") + address);
        layout->addWidget(code);

        auto* label = new ElidedLabel(row);
        label->setObjectName(QStringLiteral("remoteAddress"));
        label->setFont(mono);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        label->setFullText(address);
        layout->addWidget(label, 1);

        auto* copy = new QToolButton(row);
        copy->setObjectName(QStringLiteral("copyAddress"));
        copy->setAutoRaise(true);
        copy->setIcon(copyIcon(palette().color(QPalette::WindowText)));
        copy->setToolTip(QStringLiteral("Copy address"));
        copy->setAccessibleName(QStringLiteral("Copy address"));
        connect(copy, &QToolButton::clicked, this, [address] {
            QClipboard* clipboard = QGuiApplication::clipboard();
            clipboard->clear();
            clipboard->setText(address);
        });
        layout->addWidget(copy);
        m_remoteAddressLayout->addWidget(row);
    }
    fitHeightToContent();
}

void SettingsWindow::refreshRegexEditor()
{
    // One to three lines tall, following the wrapped pattern.
    const QFontMetrics metrics(m_regexEditor->font());
    int lines = 0;
    for (QTextBlock block = m_regexEditor->document()->begin(); block.isValid();
         block = block.next())
        lines += std::max(block.layout() ? block.layout()->lineCount() : 1, 1);
    lines = std::clamp(lines, 1, 3);
    const int frame = 2 * m_regexEditor->frameWidth() +
                      static_cast<int>(2 * m_regexEditor->document()->documentMargin());
    m_regexEditor->setFixedHeight(lines * metrics.lineSpacing() + frame);
}

void SettingsWindow::refreshTakeSheet()
{
    m_clearTakeSheet->setEnabled(m_takeSheet.count() > 0);
}

void SettingsWindow::clearTakeSheet()
{
    const qint64 takes = m_takeSheet.count();
    if (takes > 0 && m_clearConfirmation(takes))
        m_takeSheet.clear();
}

void SettingsWindow::chooseFolder()
{
    m_watcher.selectManualFolder(m_folderChooser);
}

void SettingsWindow::copyDiagnostics()
{
    DiagnosticsReport::generate(m_watcher, this, [this](const QString& report) {
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        clipboard->setText(report);
        m_copiedDiagnostics = true;
        m_copyDiagnostics->setText(QStringLiteral("Copied"));
        // Each copy schedules its own reset, so the first one's reset ends the feedback even if
        // a second copy finished later.
        QTimer::singleShot(m_copiedDuration, this, [this] {
            m_copiedDiagnostics = false;
            m_copyDiagnostics->setText(QStringLiteral("Copy Diagnostics Info"));
        });
        Q_EMIT diagnosticsCopied();
    });
}

void SettingsWindow::fitHeightToContent()
{
    m_content->adjustSize();
    int available = 800;
    if (const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen())
        available = screen->availableGeometry().height() - 60;
    const int wanted = m_content->sizeHint().height();
    const int target = std::clamp(wanted, 200, std::max(available, 200));
    if (height() != target)
        resize(windowWidth, target);
}

} // namespace quorvel
