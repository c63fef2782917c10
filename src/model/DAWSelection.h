#pragma once

#include "model/DAWId.h"

#include <QString>

#include <optional>

namespace quorvel {

// Which DAW the watcher scans: every running one (automatic), or only the one the user pinned.
class DAWSelection
{
public:
    DAWSelection() = default; // automatic
    static DAWSelection automatic() { return DAWSelection(); }
    static DAWSelection manual(DAWId id) { return DAWSelection(id); }

    bool isAutomatic() const { return !m_manual.has_value(); }
    // The pinned DAW; no value for the automatic selection.
    std::optional<DAWId> manualId() const { return m_manual; }

    // Persisted text: "auto", or the pinned DAW's raw value.
    QString persistedText() const;
    // A missing text, "auto", or anything that is no DAW raw value reads as automatic.
    static DAWSelection fromPersistedText(const std::optional<QString>& text);

    friend bool operator==(const DAWSelection&, const DAWSelection&) = default;

private:
    explicit DAWSelection(DAWId id) : m_manual(id) {}

    std::optional<DAWId> m_manual;
};

inline size_t qHash(const DAWSelection& selection, size_t seed = 0) noexcept
{
    return qHash(selection.persistedText(), seed);
}

} // namespace quorvel
