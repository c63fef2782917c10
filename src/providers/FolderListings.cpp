#include "providers/FolderListings.h"

#include <QFile>
#include <QSet>

namespace quorvel {

FolderListings::FolderListings(Options options) : m_options(options) {}

FolderListings::~FolderListings() = default;

FolderListings& FolderListings::shared()
{
    // QUORVEL_POLL_ONLY=1 reads every folder in full on every scan, as before change reports
    // were used: for measuring the difference, and a way out should reports ever mislead.
    static FolderListings listings(
        Options{.maxWatches = qEnvironmentVariableIntValue("QUORVEL_POLL_ONLY") == 1 ? 0 : 64});
    return listings;
}

int FolderListings::watchCount() const
{
    QSet<int> ids;
    for (const auto& [folder, listing] : m_listings) {
        if (listing.watchId)
            ids.insert(*listing.watchId);
    }
    return static_cast<int>(ids.size());
}

void FolderListings::tryWatch(Listing& listing)
{
    if (watchCount() >= m_options.maxWatches) {
        listing.unwatchedReason =
            QStringLiteral("more than %1 folders are listed").arg(m_options.maxWatches);
        return;
    }
    listing.watchId = m_changes.watch(listing.path);
    listing.unwatchedReason =
        listing.watchId ? QString() : QString::fromUtf8(m_changes.failure());
}

void FolderListings::release(Listing& listing)
{
    if (!listing.watchId)
        return;
    const int id = *listing.watchId;
    listing.watchId.reset();
    // Two paths to one folder share the system's watch.
    for (const auto& [folder, other] : m_listings) {
        if (other.watchId == id)
            return;
    }
    m_changes.unwatch(id);
}

void FolderListings::applyChanges()
{
    const FolderChanges::Report report = m_changes.take();
    if (report.overflowed) {
        for (auto& [folder, listing] : m_listings)
            listing.complete = false;
    }
    for (const FolderChanges::Change& change : report.changes) {
        for (auto& [folder, listing] : m_listings) {
            if (listing.watchId != change.watchId)
                continue;
            if (!change.name) {
                // Whatever the path names now gets a watch of its own at the next listing.
                listing.complete = false;
                listing.watchId.reset();
                continue;
            }
            // Unknown names are added unread; reading them finds out whether they still exist.
            Slot& slot = listing.slots[*change.name];
            slot.entry.name = *change.name;
            slot.read = false;
            ++listing.generation;
        }
    }
    for (const FolderChanges::Change& change : report.changes) {
        if (!change.name)
            m_changes.unwatch(change.watchId);
    }
}

void FolderListings::forget(Clock::time_point now)
{
    for (auto it = m_listings.begin(); it != m_listings.end();) {
        if (now - it->second.usedAt < m_options.forgetAfter) {
            ++it;
            continue;
        }
        Listing gone = std::move(it->second);
        it = m_listings.erase(it);
        release(gone);
    }
}

FolderListings::Listing* FolderListings::refresh(const QString& folder,
                                                 const SystemProbe::NameFilter& keep)
{
    const Clock::time_point now = Clock::now();
    applyChanges();
    forget(now);

    auto drop = [this](const QString& folder) {
        if (auto it = m_listings.find(folder); it != m_listings.end()) {
            Listing gone = std::move(it->second);
            m_listings.erase(it);
            release(gone);
        }
    };
    const QByteArray path = QFile::encodeName(folder);
    const std::optional<SystemProbe::FolderIdentity> identity = SystemProbe::folderIdentity(path);
    if (!identity) {
        drop(folder);
        return nullptr;
    }

    Listing& listing = m_listings[folder];
    listing.path = path;
    listing.usedAt = now;
    if (listing.identity != *identity) {
        // Replaced (or new): the watch, if any, follows the folder that was there before.
        release(listing);
        listing.identity = *identity;
        listing.complete = false;
    }
    // Watched before the names are read, so that a change made while they are read is reported.
    if (!listing.watchId)
        tryWatch(listing);
    if (!listing.watchId || now - listing.readAt >= m_options.refreshEvery)
        listing.complete = false;

    if (!listing.complete) {
        const auto names = SystemProbe::readEntryNames(path);
        if (!names) {
            drop(folder);
            return nullptr;
        }
        QHash<QByteArray, Slot> slots;
        slots.reserve(static_cast<qsizetype>(names->size()));
        listing.linkCount = 0;
        for (const SystemProbe::EntryName& name : *names) {
            slots.insert(name.name, Slot{{name.name}, false, name.mayBeLink});
            listing.linkCount += name.mayBeLink ? 1 : 0;
        }
        listing.slots = std::move(slots);
        listing.complete = true;
        listing.readAt = now;
        ++listing.generation;
    }

    std::vector<Slot*> unread;
    std::vector<SystemProbe::FolderEntry*> unreadEntries;
    for (Slot& slot : listing.slots) {
        if (slot.read && !slot.mayBeLink)
            continue;
        const QByteArray& name = slot.entry.name;
        if (keep && !keep(std::string_view(name.constData(), static_cast<size_t>(name.size()))))
            continue;
        unread.push_back(&slot);
        unreadEntries.push_back(&slot.entry);
    }
    if (unread.empty())
        return &listing;
    std::vector<bool> gone;
    if (!SystemProbe::readAttributes(path, unreadEntries, gone)) {
        drop(folder);
        return nullptr;
    }
    std::vector<QByteArray> goneNames;
    for (size_t i = 0; i < unread.size(); ++i) {
        unread[i]->read = !gone[i];
        if (gone[i])
            goneNames.push_back(unread[i]->entry.name);
    }
    for (const QByteArray& name : goneNames)
        listing.slots.remove(name);
    ++listing.generation;
    return &listing;
}

std::vector<SystemProbe::FolderEntry> FolderListings::kept(const Listing& listing,
                                                           const SystemProbe::NameFilter& keep)
{
    std::vector<SystemProbe::FolderEntry> entries;
    entries.reserve(static_cast<size_t>(listing.slots.size()));
    for (const Slot& slot : listing.slots) {
        const QByteArray& name = slot.entry.name;
        if (slot.read &&
            (!keep || keep(std::string_view(name.constData(), static_cast<size_t>(name.size())))))
            entries.push_back(slot.entry);
    }
    return entries;
}

std::optional<std::vector<SystemProbe::FolderEntry>>
FolderListings::list(const QString& folder, const SystemProbe::NameFilter& keep)
{
    std::lock_guard lock(m_mutex);
    const Listing* listing = refresh(folder, keep);
    if (!listing)
        return std::nullopt;
    return kept(*listing, keep);
}

FolderListings::SharedEntries FolderListings::sharedList(const QString& folder,
                                                         bool (*keep)(std::string_view name))
{
    std::lock_guard lock(m_mutex);
    const SystemProbe::NameFilter filter = keep ? SystemProbe::NameFilter(keep) : nullptr;
    // Unchanged since the list was built, and no link whose target may have changed unseen: the
    // list stands as it is.
    applyChanges();
    if (auto it = m_listings.find(folder); it != m_listings.end()) {
        const Listing& known = it->second;
        const bool quiet = known.watchId && known.complete && known.linkCount == 0 &&
                           Clock::now() - known.readAt < m_options.refreshEvery;
        if (quiet && known.shared && known.sharedKeep == keep &&
            known.sharedGeneration == known.generation &&
            SystemProbe::folderIdentity(known.path) == known.identity) {
            it->second.usedAt = Clock::now();
            return known.shared;
        }
    }
    Listing* listing = refresh(folder, filter);
    if (!listing)
        return nullptr;
    listing->shared =
        std::make_shared<const std::vector<SystemProbe::FolderEntry>>(kept(*listing, filter));
    listing->sharedKeep = keep;
    listing->sharedGeneration = listing->generation;
    return listing->shared;
}

QString FolderListings::status(const QString& folder) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_listings.find(folder);
    if (it == m_listings.end())
        return QStringLiteral("not listed yet");
    if (it->second.watchId)
        return QStringLiteral("watched for changes");
    return QStringLiteral("listed in full on every scan (%1)").arg(it->second.unwatchedReason);
}

QStringList FolderListings::recentFolders(std::chrono::milliseconds within) const
{
    std::lock_guard lock(m_mutex);
    const Clock::time_point now = Clock::now();
    QStringList folders;
    for (const auto& [folder, listing] : m_listings) {
        if (now - listing.usedAt <= within)
            folders << folder;
    }
    return folders;
}

namespace SystemProbe {

std::optional<std::vector<FolderEntry>> listFolder(const QString& folder, const NameFilter& keep)
{
    return FolderListings::shared().list(folder, keep);
}

QString folderListingStatus(const QString& folder)
{
    return FolderListings::shared().status(folder);
}

} // namespace SystemProbe

} // namespace quorvel
