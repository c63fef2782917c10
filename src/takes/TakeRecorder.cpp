#include "takes/TakeRecorder.h"

#include "model/FolderWatcher.h"
#include "model/SettingsKey.h"
#include "model/UserDefaults.h"
#include "takes/TakeSheet.h"
#include "takes/TakeSheetText.h"

namespace quorvel {

TakeRecorder::TakeRecorder(FolderWatcher& watcher, TakeSheet& sheet, UserDefaults& settings,
                           QObject* parent)
    : QObject(parent), m_watcher(watcher), m_sheet(sheet), m_settings(settings)
{
    connect(&watcher, &FolderWatcher::changed, this, &TakeRecorder::follow);
    connect(&sheet, &TakeSheet::changed, this, &TakeRecorder::publish);
    follow();
    publish();
}

void TakeRecorder::follow()
{
    const std::optional<RecordingPass> take = m_watcher.lastTake();
    const bool recording = m_watcher.isRecording() && take.has_value();
    const QString shown = recording ? m_watcher.displayedRecPass().value_or(take->recPass) : QString();

    // A pass ends when recording stops, or when the next take starts before the display had
    // time to say so.
    if (m_open && (!recording || shown != m_openTake)) {
        m_sheet.end(*m_open);
        m_open.reset();
    }
    if (!recording)
        return;
    if (!m_open) {
        if (!m_settings.boolean(SettingsKey::keepTakeSheet))
            return;
        TakeEntry entry;
        entry.daw = m_watcher.detectedDAWName().value_or(QString());
        entry.project = m_watcher.detectedProjectName().value_or(QString());
        entry.projectPath = m_watcher.detectedProjectPath().value_or(QString());
        entry.piece = take->pieceName.value_or(QString());
        entry.take = shown;
        entry.started = QDateTime::currentDateTime();
        entry.folder = m_watcher.detectedTakeFolder()
                           .value_or(m_watcher.effectiveFolderURL().value_or(QString()));
        entry.files = {take->filename};
        m_open = m_sheet.begin(entry);
        m_openTake = shown;
        m_openFiles = entry.files;
    } else if (!m_openFiles.contains(take->filename)) {
        // Tracks recording side by side each show up as the newest file in turn.
        m_openFiles << take->filename;
        m_sheet.addFiles(*m_open, {take->filename});
    }
}

void TakeRecorder::publish()
{
    m_watcher.setRemoteTakeList(TakeSheetText::json(m_sheet.entries(std::nullopt, remoteListLength)));
}

} // namespace quorvel
