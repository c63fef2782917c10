#pragma once

#include <unicode/regex.h>

#include <memory>

namespace quorvel {

// A compiled ICU pattern, immutable once built and therefore safe to share between threads;
// every use makes its own matcher. Null means "no pattern".
using CompiledPattern = std::shared_ptr<const icu::RegexPattern>;

} // namespace quorvel
