#include "providers/PathText.h"

#include <gtest/gtest.h>

using namespace quorvel;

// Splitting, containment and trimming are covered where the providers resolve folders, names and
// tracks; the UTF-8 rules only here.
TEST(PathTextTest, AcceptsOnlyWellFormedUtf8)
{
    const std::pair<QByteArray, bool> cases[] = {
        {"plain.wav", true},         {"Caf\xc3\xa9", true}, {"\xf0\x9f\x8e\xb5", true}, {"", true},
        {"bad\xff", false},          {"Caf\xe9", false}, // Latin-1
        {"\xc0\xaf", false},                             // overlong
        {"\xe0\x80\xaf", false},                         // overlong
        {"\xf0\x8f\xbf\xbf", false},                     // overlong
        {"\xed\xa0\x80", false},                         // a surrogate
        {"\xf4\x90\x80\x80", false},                     // beyond U+10FFFF
        {"\xf0\x9f\x8e", false},                         // cut short
        {"\xc3\x28", false},                             // cut short
    };
    for (const auto& [bytes, valid] : cases) {
        EXPECT_EQ(PathText::decodeUtf8(bytes).has_value(), valid) << bytes.toHex().constData();
        EXPECT_EQ(PathText::isValidUtf8(bytes), valid) << bytes.toHex().constData();
    }
    EXPECT_EQ(PathText::decodeUtf8("Caf\xc3\xa9"), QStringLiteral("Café"));
}
