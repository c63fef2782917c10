#include "model/DAWSelection.h"

namespace quorvel {

QString DAWSelection::persistedText() const
{
    return m_manual ? rawValue(*m_manual) : QStringLiteral("auto");
}

DAWSelection DAWSelection::fromPersistedText(const std::optional<QString>& text)
{
    if (!text)
        return automatic();
    if (auto id = dawIdFromRawValue(*text))
        return manual(*id);
    return automatic();
}

} // namespace quorvel
