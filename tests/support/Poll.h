#pragma once

#include <chrono>
#include <functional>

namespace quorvel::test {

// Processes events until condition() holds or the deadline passes; returns the final condition.
// Deadlines are generous on purpose: tests wait for conditions, never for the machine's speed.
bool pollUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds deadline = std::chrono::seconds(20));

// Processes events for the given time, for tests that must show something does NOT happen.
void processEventsFor(std::chrono::milliseconds duration);

} // namespace quorvel::test
