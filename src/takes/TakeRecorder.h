#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

namespace quorvel {

class FolderWatcher;
class TakeSheet;
class UserDefaults;

// Writes every recording pass the watcher sees onto the take sheet while "Keep a take sheet" is
// on, and hands the sheet's newest entries to the remote display. A pass left open when Quorvel
// quits is closed by the sheet on the next start, from its files' modification times. All three
// must outlive the recorder. Main thread only.
class TakeRecorder : public QObject
{
    Q_OBJECT

public:
    static constexpr int remoteListLength = 50;

    TakeRecorder(FolderWatcher& watcher, TakeSheet& sheet, UserDefaults& settings,
                 QObject* parent = nullptr);

private:
    void follow();
    void publish();

    FolderWatcher& m_watcher;
    TakeSheet& m_sheet;
    UserDefaults& m_settings;
    std::optional<qint64> m_open; // the entry of the pass recording now
    QString m_openTake;
    QStringList m_openFiles;
};

} // namespace quorvel
