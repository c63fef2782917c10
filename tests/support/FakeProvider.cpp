#include "support/FakeProvider.h"

#include <condition_variable>

namespace quorvel::test {

struct FakeProvider::Gate
{
    std::mutex mutex;
    std::condition_variable opened;
    bool holding = false;
};

FakeProvider::FakeProvider(DAWId id, QString displayName, QString pattern)
    : m_id(id), m_displayName(std::move(displayName)), m_pattern(std::move(pattern)),
      m_gate(std::make_shared<Gate>())
{
}

bool FakeProvider::isRunning() const
{
    ++m_isRunningCalls;
    return m_running;
}

DAWSnapshot FakeProvider::scan(const DAWScanContext& context) const
{
    ++m_scansStarted;
    {
        std::unique_lock lock(m_gate->mutex);
        m_gate->opened.wait(lock, [this] { return !m_gate->holding; });
    }
    ++m_scanCalls;
    std::lock_guard lock(m_mutex);
    m_contexts.push_back(context);
    if (!m_snapshots.empty()) {
        m_lastSnapshot = m_snapshots.front();
        m_snapshots.pop_front();
    }
    return m_lastSnapshot;
}

void FakeProvider::queueSnapshots(std::vector<DAWSnapshot> snapshots)
{
    std::lock_guard lock(m_mutex);
    for (auto& snapshot : snapshots)
        m_snapshots.push_back(std::move(snapshot));
}

void FakeProvider::holdScans()
{
    std::lock_guard lock(m_gate->mutex);
    m_gate->holding = true;
}

void FakeProvider::release()
{
    {
        std::lock_guard lock(m_gate->mutex);
        m_gate->holding = false;
    }
    m_gate->opened.notify_all();
}

std::vector<DAWScanContext> FakeProvider::contexts() const
{
    std::lock_guard lock(m_mutex);
    return m_contexts;
}

DAWSnapshot snapshotWithTake(const QString& recPass, bool recording, std::optional<QString> piece,
                             std::optional<QString> folder)
{
    DAWSnapshot snapshot;
    snapshot.currentTake =
        RecordingPass{QStringLiteral("take-%1.wav").arg(recPass), recPass, std::move(piece)};
    snapshot.isRecording = recording;
    snapshot.detectedFolder = std::move(folder);
    return snapshot;
}

} // namespace quorvel::test
