// No per-entry change log on macOS yet: FSEvents reports changes late and per folder unless asked
// for file events, which needs a run loop of its own. Every watch fails, and listings are read in
// full, as they were before change logs existed.

#include "platform/FolderChanges.h"

namespace quorvel {

FolderChanges::FolderChanges() : m_failure("no per-file change notification on this system") {}

FolderChanges::~FolderChanges() = default;

std::optional<int> FolderChanges::watch(const QByteArray&)
{
    return std::nullopt;
}

void FolderChanges::unwatch(int) {}

FolderChanges::Report FolderChanges::take()
{
    return {};
}

} // namespace quorvel
