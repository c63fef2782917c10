#include "model/TakeDerivation.h"

namespace quorvel {

QString rawValue(TakeDerivation derivation)
{
    return derivation == TakeDerivation::max ? QStringLiteral("max") : QStringLiteral("mode");
}

TakeDerivation takeDerivationFromPersistedText(const std::optional<QString>& text)
{
    return text && *text == QLatin1String("max") ? TakeDerivation::max : TakeDerivation::mode;
}

} // namespace quorvel
