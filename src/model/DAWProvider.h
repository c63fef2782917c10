#pragma once

#include "model/DAWId.h"
#include "model/DAWScanContext.h"
#include "model/DAWSnapshot.h"

#include <QString>

namespace quorvel {

// Detects one DAW. Abstract so the watcher can be driven by fakes in tests.
//
// id(), displayName() and defaultFilenamePattern() are constant and may be read on any thread.
// isRunning() is called on the main thread, at most once per tick, and must not block.
// scan() is called on the scan thread, never concurrently with another scan; it may block, reads
// only its context and the file system, and keeps no state between calls.
class DAWProvider
{
public:
    virtual ~DAWProvider() = default;

    virtual DAWId id() const = 0;
    virtual QString displayName() const = 0;
    virtual QString defaultFilenamePattern() const = 0;
    virtual bool isRunning() const = 0;
    virtual DAWSnapshot scan(const DAWScanContext& context) const = 0;
};

} // namespace quorvel
