#pragma once

#include "platform/FolderChanges.h"
#include "providers/SystemProbe.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace quorvel {

// The folder listings a scan reads every second, kept from one scan to the next and brought up
// to date from the system's change reports, so that listing a folder where nothing changed reads
// nothing but the folder's own identity. A folder is read in full again when it is new here,
// was replaced or moved, when reports were lost, when no watch can be had for it (then on every
// listing, as before), and once a minute in any case, for the changes no report covers (a file
// written through a hard link elsewhere, a network share changed from another machine).
// Thread-safe.
class FolderListings
{
public:
    struct Options
    {
        // Watches held at most; folders beyond are listed in full every time.
        int maxWatches = 64;
        // A listing is read in full again at least this often.
        std::chrono::milliseconds refreshEvery = std::chrono::minutes(1);
        // A listing not asked for in this long is dropped with its watch.
        std::chrono::milliseconds forgetAfter = std::chrono::seconds(30);
    };

    FolderListings() : FolderListings(Options{}) {}
    explicit FolderListings(Options options);
    ~FolderListings();

    // As SystemProbe::listFolder describes it.
    std::optional<std::vector<SystemProbe::FolderEntry>>
    list(const QString& folder, const SystemProbe::NameFilter& keep = {});

    // The same list, shared: while nothing in the folder changes and keep stays the same, every
    // call returns the list the first one built, without reading or copying anything. keep is a
    // plain function so that calls can tell it is the same one. Null when the folder cannot be
    // listed.
    using SharedEntries = std::shared_ptr<const std::vector<SystemProbe::FolderEntry>>;
    SharedEntries sharedList(const QString& folder, bool (*keep)(std::string_view name));

    // As SystemProbe::folderListingStatus describes it.
    QString status(const QString& folder) const;

    // The folders listed within the given time, as they were asked for.
    QStringList recentFolders(std::chrono::milliseconds within) const;

    // The one the providers share.
    static FolderListings& shared();

private:
    using Clock = std::chrono::steady_clock;
    struct Slot
    {
        SystemProbe::FolderEntry entry;
        bool read = false; // attributes read since the entry last changed
        bool mayBeLink = false;
    };
    struct Listing
    {
        QByteArray path;
        SystemProbe::FolderIdentity identity;
        std::optional<int> watchId;
        QString unwatchedReason;
        QHash<QByteArray, Slot> slots;
        bool complete = false; // false: the names must be read again
        // Moves on with every change to the slots; what was built at one generation holds until
        // the next.
        quint64 generation = 0;
        int linkCount = 0; // slots that may be links, read again on every listing
        bool (*sharedKeep)(std::string_view) = nullptr;
        quint64 sharedGeneration = 0;
        SharedEntries shared;
        Clock::time_point readAt;
        Clock::time_point usedAt;
    };

    // Brings the listing of folder up to date for the entries keep accepts (all when it is
    // empty): their attributes are read where they changed. Null when the folder cannot be
    // listed (then it is forgotten).
    Listing* refresh(const QString& folder, const SystemProbe::NameFilter& keep);
    static std::vector<SystemProbe::FolderEntry> kept(const Listing& listing,
                                                      const SystemProbe::NameFilter& keep);
    void applyChanges();
    void forget(Clock::time_point now);
    void release(Listing& listing);
    void tryWatch(Listing& listing);
    int watchCount() const;

    const Options m_options;
    mutable std::mutex m_mutex;
    FolderChanges m_changes;
    std::map<QString, Listing> m_listings;
};

} // namespace quorvel
