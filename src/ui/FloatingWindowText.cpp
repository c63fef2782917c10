#include "ui/FloatingWindowText.h"

#include "model/FolderWatcher.h"

namespace quorvel {

FloatingWindowText FloatingWindowText::from(const FolderWatcher& watcher)
{
    FloatingWindowText text;
    const std::optional<RecordingPass> take = watcher.lastTake();
    const std::optional<QString> daw = watcher.detectedDAWName();
    const std::optional<QString> project = watcher.detectedProjectName();
    const std::optional<QString> piece = take ? take->pieceName : std::nullopt;

    text.recording = watcher.isRecording();
    text.heading = piece ? *piece : project.value_or(QStringLiteral("quorvel"));

    // The project is worth a second mention only beside a piece of another name.
    if (piece && project && *project != *piece)
        text.context = *project;
    else
        text.context = daw ? daw->toLower() : QStringLiteral("no daw");
    text.contextOpacity = daw ? 0.6 : 0.4;

    if (take)
        text.label = watcher.takeStatusLabel().toLower();
    else if (daw)
        text.label = QStringLiteral("waiting for takes");
    else
        text.label = QStringLiteral("open a project in your daw, or set a folder in settings");

    if (!take)
        text.folderLine = watcher.effectiveFolderURL();

    text.number = take ? watcher.displayedRecPass().value_or(QString()) : QStringLiteral("\u2014");
    text.numberOpacity = take ? 1.0 : 0.3;
    return text;
}

} // namespace quorvel
