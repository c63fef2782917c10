#pragma once

#include <cstdio>
#include <cstdlib>

namespace quorvel::fuzz {

// A property a harness holds the code to, beyond not crashing. A broken one aborts, which
// libFuzzer reports as a crash and saves the input for.
inline void check(bool holds, const char* property)
{
    if (holds)
        return;
    std::fprintf(stderr, "Property broken: %s\n", property);
    std::abort();
}

} // namespace quorvel::fuzz
