#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace quorvel {

// Numbers as they appear in file names, configuration keys and displayed take texts.
namespace DecimalText {

// A whole text that is an optional "+" or "-" and one or more ASCII digits, fitting 64 bits.
std::optional<qint64> parseInteger(QStringView text);

// True when the text is non-empty and every character is numeric in Unicode's sense (digits of
// any script, fractions, Roman numerals).
bool isAllNumeric(QStringView text);

} // namespace DecimalText
} // namespace quorvel
