#pragma once

#include <QHashFunctions>
#include <QString>
#include <QStringView>

#include <array>
#include <functional>
#include <optional>

namespace quorvel {

// The DAWs Quorvel knows. The declaration order is also the provider order, which breaks ties
// when several DAWs run at once. A DAW has no display text of its own: names come from its
// provider. New DAWs go last, so that the raw values and ties of the others never move.
enum class DAWId { reaper, logic, protools, nuendo, cubase, ableton, ardour };

inline constexpr std::array<DAWId, 7> allDAWIds{DAWId::reaper, DAWId::logic,  DAWId::protools,
                                                DAWId::nuendo, DAWId::cubase, DAWId::ableton,
                                                DAWId::ardour};

// The raw value: "reaper", "logic", ... It is the DAW's identity and its persisted form.
QString rawValue(DAWId id);

// Exact, case-sensitive conversion; any other text gives no value.
std::optional<DAWId> dawIdFromRawValue(QStringView text);

inline size_t qHash(DAWId id, size_t seed = 0) noexcept
{
    return qHash(rawValue(id), seed);
}

} // namespace quorvel

template <> struct std::hash<quorvel::DAWId>
{
    size_t operator()(quorvel::DAWId id) const noexcept { return quorvel::qHash(id); }
};
