#pragma once

#include "model/DAWProvider.h"

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace quorvel::test {

// A provider whose answers the test scripts: whether it runs, and the snapshots its scans return
// (the last one repeats once the script runs out). It records every call and context it gets.
class FakeProvider : public DAWProvider
{
public:
    FakeProvider(DAWId id, QString displayName, QString pattern = QStringLiteral("(\\d+)"));

    DAWId id() const override { return m_id; }
    QString displayName() const override { return m_displayName; }
    QString defaultFilenamePattern() const override { return m_pattern; }
    bool isRunning() const override;
    DAWSnapshot scan(const DAWScanContext& context) const override;

    void setRunning(bool running) { m_running = running; }
    void queueSnapshots(std::vector<DAWSnapshot> snapshots);
    // Makes every scan block until release() is called.
    void holdScans();
    void release();

    int isRunningCalls() const { return m_isRunningCalls; }
    int scanCalls() const { return m_scanCalls; }
    // Scans that have begun, including one held at the gate.
    int scansStarted() const { return m_scansStarted; }
    std::vector<DAWScanContext> contexts() const;

private:
    DAWId m_id;
    QString m_displayName;
    QString m_pattern;
    std::atomic<bool> m_running{true};
    mutable std::atomic<int> m_isRunningCalls{0};
    mutable std::atomic<int> m_scanCalls{0};
    mutable std::atomic<int> m_scansStarted{0};
    mutable std::mutex m_mutex;
    mutable std::deque<DAWSnapshot> m_snapshots;
    mutable DAWSnapshot m_lastSnapshot;
    mutable std::vector<DAWScanContext> m_contexts;
    struct Gate;
    std::shared_ptr<Gate> m_gate;
};

// A snapshot holding one take; recording as given.
DAWSnapshot snapshotWithTake(const QString& recPass, bool recording,
                             std::optional<QString> piece = std::nullopt,
                             std::optional<QString> folder = std::nullopt);

} // namespace quorvel::test
