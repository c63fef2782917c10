#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace quorvel {

// How a DAW that numbers takes per track collapses its many numbers into one: the number most
// tracks share, or the highest.
enum class TakeDerivation { mode, max };

inline constexpr std::array<TakeDerivation, 2> allTakeDerivations{TakeDerivation::mode,
                                                                  TakeDerivation::max};

// "mode" or "max".
QString rawValue(TakeDerivation derivation);
// "max" (exactly) reads as max; anything else, a missing text included, reads as mode.
TakeDerivation takeDerivationFromPersistedText(const std::optional<QString>& text);

} // namespace quorvel
