#pragma once

#include <QMetaObject>
#include <QObject>

#include <future>
#include <mutex>
#include <utility>

namespace quorvel {

// Every call one thread makes on another goes through here. Qt as the distributions ship it takes
// the lock a queued call passes through with raw futexes, which race detectors cannot see, so all
// a call carries would look raced. So each hand-over also passes one ordinary mutex: held while
// the call is posted, taken by the receiver before the work runs. It is never held for longer
// than a post, and the receiver only touches the work after taking it.
std::mutex& handOverGate();

// Runs work on receiver's thread, later, as a queued call; never at once, even on the same
// thread. Work still queued when the receiver is destroyed is dropped.
template <typename Work>
void handOver(QObject* receiver, Work&& work)
{
    std::lock_guard posting(handOverGate());
    QMetaObject::invokeMethod(
        receiver,
        [work = std::forward<Work>(work)]() mutable {
            { std::lock_guard received(handOverGate()); }
            work();
        },
        Qt::QueuedConnection);
}

// As handOver, and waits until the work has run, or has been dropped with its receiver. The
// receiver must live on another thread whose event loop runs.
template <typename Work>
void handOverAndWait(QObject* receiver, Work&& work)
{
    std::promise<void> done;
    std::future<void> finished = done.get_future();
    handOver(receiver, [&work, done = std::move(done)]() mutable {
        work();
        done.set_value();
    });
    finished.wait();
}

} // namespace quorvel
