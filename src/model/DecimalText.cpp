#include "model/DecimalText.h"

#include <QList>

#include <limits>

namespace quorvel::DecimalText {

std::optional<qint64> parseInteger(QStringView text)
{
    qsizetype index = 0;
    bool negative = false;
    if (index < text.size() && (text[index] == u'+' || text[index] == u'-')) {
        negative = text[index] == u'-';
        ++index;
    }
    if (index == text.size())
        return std::nullopt;
    // Accumulate on the negative side, which has room for every value.
    qint64 value = 0;
    for (; index < text.size(); ++index) {
        const char16_t c = text[index].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const int digit = c - u'0';
        if (value < (std::numeric_limits<qint64>::min() + digit) / 10)
            return std::nullopt;
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value == std::numeric_limits<qint64>::min())
            return std::nullopt;
        value = -value;
    }
    return value;
}

bool isAllNumeric(QStringView text)
{
    if (text.isEmpty())
        return false;
    for (const char32_t c : text.toUcs4()) {
        if (!QChar::isNumber(c))
            return false;
    }
    return true;
}

} // namespace quorvel::DecimalText
