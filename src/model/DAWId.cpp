#include "model/DAWId.h"

namespace quorvel {

QString rawValue(DAWId id)
{
    switch (id) {
    case DAWId::reaper:
        return QStringLiteral("reaper");
    case DAWId::logic:
        return QStringLiteral("logic");
    case DAWId::protools:
        return QStringLiteral("protools");
    case DAWId::nuendo:
        return QStringLiteral("nuendo");
    case DAWId::cubase:
        return QStringLiteral("cubase");
    case DAWId::ableton:
        return QStringLiteral("ableton");
    case DAWId::ardour:
        return QStringLiteral("ardour");
    }
    return {};
}

std::optional<DAWId> dawIdFromRawValue(QStringView text)
{
    for (DAWId id : allDAWIds) {
        if (text == rawValue(id))
            return id;
    }
    return std::nullopt;
}

} // namespace quorvel
