#pragma once

#include <functional>
#include <memory>

namespace quorvel {

// Runs tasks one after another, in submission order, on one thread of its own. Destroying the
// executor drops the tasks that have not started and does not wait for the running one: that one
// finishes on its own, holding whatever its closure keeps alive.
class SerialExecutor
{
public:
    SerialExecutor();
    ~SerialExecutor();
    SerialExecutor(const SerialExecutor&) = delete;
    SerialExecutor& operator=(const SerialExecutor&) = delete;

    void submit(std::function<void()> task);

private:
    struct State;
    std::shared_ptr<State> m_state;
};

} // namespace quorvel
