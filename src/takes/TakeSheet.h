#pragma once

#include "takes/TakeEntry.h"

#include <QObject>
#include <QString>

#include <optional>
#include <vector>

class QThread;

namespace quorvel {

// Every recording pass, kept in an SQLite file: the take sheet engineers otherwise keep by hand.
//
// Writes go to a thread of their own, each in its own transaction, so the main thread never
// waits on the disk; the file is in write-ahead-log mode with full syncs, so a kill or a power
// cut loses at most the change being written and never damages what was committed. Reads (the
// window, the page's list, the export) use a connection of the main thread's own.
//
// A file that cannot be opened or read is moved aside, never deleted, and a new one started;
// problem() then says so. Main thread only.
class TakeSheet : public QObject
{
    Q_OBJECT

public:
    static constexpr int schemaVersion = 1;

    // Opens (or creates) the sheet at path. Passes left without an end (Quorvel or the DAW quit
    // mid-take) are closed from their files' modification times.
    explicit TakeSheet(const QString& path, QObject* parent = nullptr);
    ~TakeSheet() override;

    // Where the sheet is kept by default: take-sheet.sqlite in the per-user data folder.
    static QString defaultPath();

    // The entries of the sheet at path as entries() gives them, read without changing anything
    // (a running Quorvel may be writing it). A sheet never made yet has none; one that cannot be
    // read gives none and says why in error.
    static std::vector<TakeEntry> read(const QString& path, const std::optional<QString>& project,
                                       QString* error);

    // The diagnostics report's line: "Take sheet: PATH (N entries)", or why it cannot be read.
    // Reads the file: not on the main thread.
    static QString summaryLine(const QString& path);

    QString path() const { return m_path; }
    bool isOpen() const { return m_open; }
    // Why the sheet at path was moved aside or cannot be kept, in a sentence for the user.
    std::optional<QString> problem() const { return m_problem; }

    // Starts an entry; its id is returned at once, the write follows on the writer thread. The
    // entry starts at its first file's creation time where that is known and earlier.
    qint64 begin(const TakeEntry& entry);
    void addFiles(qint64 id, const QStringList& files);
    // Ends the entry at the newest modification time of its files (now, when none can be read).
    void end(qint64 id);
    void setMark(qint64 id, const QString& mark);
    void setNote(qint64 id, const QString& note);
    void clear();
    // Returns once every change asked for so far is written.
    void flush();

    // Newest first; only project's entries when one is given; at most limit (all when < 0).
    std::vector<TakeEntry> entries(const std::optional<QString>& project = std::nullopt,
                                   int limit = -1) const;
    std::optional<TakeEntry> entry(qint64 id) const;
    qint64 count() const;
    QStringList projects() const;

Q_SIGNALS:
    // After each written change.
    void changed();

private:
    bool openReadConnection();
    bool prepareSchema(QString* error);
    void closeUnendedEntries();
    void moveAside(const QString& reason);
    template <typename Work> void write(Work&& work);

    QString m_path;
    QString m_readConnection;
    QString m_writeConnection;
    bool m_open = false;
    std::optional<QString> m_problem;
    qint64 m_nextId = 1;
    QThread* m_writerThread = nullptr;
    QObject* m_writer = nullptr; // lives on m_writerThread
};

} // namespace quorvel
