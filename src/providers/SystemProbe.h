#pragma once

#include "platform/RunningApplications.h"
#include "providers/FileTime.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace quorvel {

// The providers' view of the operating system: which files a running process has open, which
// folder a set of files shares, and folder listings with the dates and sizes detection needs.
// No state and no instances; every operation may be called from any thread and never fails, a
// problem giving a smaller (usually empty) result instead.
//
// The portable parts (parsing, common folders) live in SystemProbe.cpp; the lsof runner, folder
// listings and file dates, plain POSIX, in platform/posix/; the open-file reader of each system in
// platform/<system>/SystemProbe*.cpp, chosen by CMake.
namespace SystemProbe {

// The names of all files open in the processes whose command name commandFilter selects (lsof's
// -c rules, see CommandFilter), processes in ascending id order, each process's files in the
// order of its descriptors. Duplicates stay. Names that are not valid UTF-8 are skipped one by one.
// Uses the fastest reader of the system (on Linux the native one). Blocks for at most the lsof
// watchdog's seven seconds; usually a millisecond or so.
QStringList openFilePaths(const QString& commandFilter);

// The same for the processes given by id: the providers select a DAW's processes by their full
// program names (see RunningApplication::fullName), which a command filter cannot see where the
// kernel cut the name. Processes that have ended, or are not ours to read, add nothing.
QStringList openFilePaths(const std::vector<qint64>& processIds);

// The open files of the running applications that selects accepts (in their list's order).
QStringList
openFilePathsOfApplications(const std::function<bool(const RunningApplication&)>& selects);

// The deepest folder containing the parent folder of every path. No value for an empty list, or
// when the parents share nothing but the root folder (a single parent, "/" included, is itself
// the answer).
std::optional<QString> commonParentFolder(const QStringList& paths);

// --- The native reader: reads the kernel's tables directly, without starting a process.

// The same list as openFilePaths. Processes or descriptors that vanish mid-read are skipped.
QStringList nativeOpenFilePaths(const QString& commandFilter);

// --- The lsof reader.

struct LsofOptions
{
    QString toolPath; // empty: defaultLsofPath()
    // Asked to terminate (SIGTERM) this long after launch, if still running...
    std::chrono::milliseconds terminateAfter{5000};
    // ...and killed (SIGKILL) this long after that, if still running.
    std::chrono::milliseconds killAfter{2000};
};

// How one lsof run went, for callers that care (tests); openFilePathsWithLsof keeps the paths.
struct LsofRun
{
    QStringList paths;
    bool launched = false;
    bool terminateSent = false;
    bool killSent = false;
    std::optional<int> endingSignal; // the signal that ended the tool, when one did
};

// "/usr/sbin/lsof" when it exists, else "/usr/bin/lsof" (where Debian installs it).
QString defaultLsofPath();

// Runs lsof -c commandFilter -a -w -Fn0 with separate output and error pipes (the error output is
// drained and discarded, so a chatty tool can never block on a full pipe). Whatever the tool wrote
// before the watchdog ended it is used. The tool and everything it started run in a process group
// of their own, and the watchdog signals the whole group. Returns within terminateAfter +
// killAfter plus half a second even when the tool cannot be killed.
LsofRun runLsof(const QString& commandFilter, const LsofOptions& options = {});
// The same for the processes given by id (lsof -p); nothing is run for an empty list.
LsofRun runLsof(const std::vector<qint64>& processIds, const LsofOptions& options = {});
QStringList openFilePathsWithLsof(const QString& commandFilter, const LsofOptions& options = {});

// The file-name fields of lsof's -F...0 output, in order: the text is split at NUL bytes, leading
// line feeds are dropped from each piece, and the pieces beginning with "n" are kept without that
// letter. Pieces that are not valid UTF-8 are skipped one by one.
QStringList parseNameFields(const QByteArray& output);

// --- Files and folders.

struct FolderEntry
{
    QByteArray name; // the entry's name as the file system holds it; may not be UTF-8
    FileTime modified = distantPast;
    qint64 size = 0; // regular files only; 0 for anything else
    bool isRegularFile = false;
};

// Decides from a raw entry name whether an entry is wanted, before its attributes are read.
using NameFilter = std::function<bool(std::string_view name)>;

// The folder's direct entries (no recursion; hidden entries included; "." and ".." not), in no
// particular order, with their attributes; symbolic links are followed, and an entry whose
// attributes cannot be read (a dangling link, a link loop) keeps distantPast and size 0. No value
// when the folder cannot be listed. Kept current from the system's change reports where it has
// them (see FolderListings), so that listing an unchanged folder again costs next to nothing.
std::optional<std::vector<FolderEntry>> listFolder(const QString& folder,
                                                   const NameFilter& keep = {});

// How listFolder keeps the folder current, for the diagnostics report: "watched for changes", or
// "listed in full on every scan (REASON)".
QString folderListingStatus(const QString& folder);

// --- The plain reads beneath the listings.

// What a folder path names now: two reads of one path that differ mean it was replaced.
struct FolderIdentity
{
    quint64 device = 0;
    quint64 inode = 0;
    friend bool operator==(const FolderIdentity&, const FolderIdentity&) = default;
};
// No value when the path (links followed) is not a folder that can be read.
std::optional<FolderIdentity> folderIdentity(const QByteArray& folder);

struct EntryName
{
    QByteArray name;
    // A symbolic link, or of a type the file system did not say: its attributes can change
    // without any change in this folder.
    bool mayBeLink = false;
};
// The folder's entry names, without their attributes; no value when it cannot be listed.
std::optional<std::vector<EntryName>> readEntryNames(const QByteArray& folder);

// Reads the attributes of entries (by name) in folder; gone[i] is set for an entry that no
// longer exists. False when the folder cannot be opened (nothing read).
bool readAttributes(const QByteArray& folder, const std::vector<FolderEntry*>& entries,
                    std::vector<bool>& gone);

// The content-modification time of path (links followed), or distantPast when it cannot be read.
FileTime modificationTime(const QString& path);

} // namespace SystemProbe
} // namespace quorvel
