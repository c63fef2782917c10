#include "model/SerialExecutor.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace quorvel {

struct SerialExecutor::State
{
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> tasks;
    bool stopping = false;
};

SerialExecutor::SerialExecutor() : m_state(std::make_shared<State>())
{
    std::thread([state = m_state] {
        for (;;) {
            std::function<void()> task;
            {
                std::unique_lock lock(state->mutex);
                state->wake.wait(lock, [&] { return state->stopping || !state->tasks.empty(); });
                if (state->stopping)
                    return;
                task = std::move(state->tasks.front());
                state->tasks.pop_front();
            }
            task();
        }
    }).detach();
}

SerialExecutor::~SerialExecutor()
{
    std::deque<std::function<void()>> dropped;
    {
        std::lock_guard lock(m_state->mutex);
        m_state->stopping = true;
        dropped.swap(m_state->tasks);
    }
    m_state->wake.notify_all();
    // dropped is destroyed here, outside the lock, releasing what the tasks held.
}

void SerialExecutor::submit(std::function<void()> task)
{
    {
        std::lock_guard lock(m_state->mutex);
        if (m_state->stopping)
            return;
        m_state->tasks.push_back(std::move(task));
    }
    m_state->wake.notify_one();
}

} // namespace quorvel
