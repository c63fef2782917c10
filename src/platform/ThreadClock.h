#pragma once

#include <chrono>

namespace quorvel::ThreadClock {

// The processor time the calling thread has used. It stands still while the thread waits or is
// preempted, so a budget measured with it counts work done, however loaded the machine is.
std::chrono::nanoseconds now();

} // namespace quorvel::ThreadClock
