#pragma once

#include "ui/FloatingWindowText.h"
#include "ui/WindowPalette.h"
#include "ui/WindowTheme.h"

#include <QMenu>
#include <QPoint>
#include <QPointer>
#include <QWidget>

class QAction;
class QVariantAnimation;

namespace quorvel {

class FolderWatcher;
class SettingsButton;
class UserDefaults;

// The main display: a small frameless window above all others with the take number in type large
// enough to read across the room, a status line above it and a header naming the piece, the
// project or the DAW. It draws everything from the watcher and the theme setting on each paint
// and keeps no state beyond the recording transition in flight.
//
// Closing it only hides it; the shell shows it again. Main thread only.
class FloatingWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int transitionMilliseconds = 200;

    FloatingWindow(FolderWatcher& watcher, UserDefaults& settings, QWidget* parent = nullptr);
    ~FloatingWindow() override;

    // The menu offered on a right click; not owned. May be null.
    void setContextMenu(QMenu* menu);
    QMenu* contextMenu() const { return m_contextMenu; }

    WindowTheme theme() const;
    FloatingWindowText currentText() const;
    // The palette the next paint uses, part way through a recording transition if one runs.
    WindowPalette currentPalette() const;
    // 0 idle, 1 recording; between while the 0.2 s ease-out runs.
    qreal recordingProgress() const { return m_progress; }
    bool isTransitioning() const;

    SettingsButton* settingsButton() const { return m_settingsButton; }
    // Ctrl/Cmd-Q; enabled only while the application has no Dock icon to quit from.
    QAction* quitAction() const { return m_quitAction; }

    QSize sizeHint() const override;

Q_SIGNALS:
    void preferencesRequested();
    void quitRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void onRecordingChanged();
    void onSettingChanged(const QString& key);
    void layoutSettingsButton();
    void applyPaletteToButton();
    Qt::Edges edgesAt(const QPoint& position) const;

    FolderWatcher& m_watcher;
    UserDefaults& m_settings;
    SettingsButton* m_settingsButton = nullptr;
    QAction* m_quitAction = nullptr;
    QAction* m_preferencesAction = nullptr;
    QPointer<QMenu> m_contextMenu;
    QVariantAnimation* m_transition = nullptr;
    qreal m_progress = 0;
    bool m_manualDrag = false;
    QPoint m_dragOffset;
};

} // namespace quorvel
