#include "providers/PathText.h"

#include "providers/DecimalText.h"

#include <gtest/gtest.h>

using namespace quorvel;

TEST(PathTextTest, SplitsPathsLikeTheFileSystem)
{
    struct Case
    {
        const char* path;
        const char* last;
        const char* parent;
    } cases[] = {
        {"/a/b/c.wav", "c.wav", "/a/b"},
        {"/a/b/", "b", "/a"},
        {"/a", "a", "/"},
        {"/", "/", "/"},
        {"c.wav", "c.wav", ""},
        {"", "", ""},
        {"/P/Media/My Take [1] 🎵.wav", "My Take [1] 🎵.wav", "/P/Media"},
        {"//a", "a", "/"},
    };
    for (const auto& c : cases) {
        const QString path = QString::fromUtf8(c.path);
        EXPECT_EQ(PathText::lastComponent(path), QString::fromUtf8(c.last)) << c.path;
        EXPECT_EQ(PathText::deletingLastComponent(path), QString::fromUtf8(c.parent)) << c.path;
    }
}

TEST(PathTextTest, PathsLieInAFolderOnlyBelowAWholeComponent)
{
    struct Case
    {
        const char* path;
        const char* folder;
        bool inside;
    } cases[] = {
        {"/P/Media/a.wav", "/P/Media", true},
        {"/P/Media/a.wav", "/P/Media/", true},
        {"/P/Media/sub/a.wav", "/P", true},
        {"/P/Media2/a.wav", "/P/Media", false},
        {"/P/Media", "/P/Media", false},
        {"/a.wav", "/", true},
        {"/P/a.wav", "", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PathText::liesIn(QString::fromUtf8(c.path), QString::fromUtf8(c.folder)),
                  c.inside)
            << c.path << " in " << c.folder;
    }
}

TEST(PathTextTest, TrimsOnlyHorizontalSpace)
{
    struct Case
    {
        const char* text;
        const char* trimmed;
    } cases[] = {
        {"  Lead Vox ", "Lead Vox"},
        {"\tBass\t", "Bass"},
        {"\u00a0Keys\u2003", "Keys"},
        {"\nLine\n", "\nLine\n"},
        {"", ""},
        {"   ", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PathText::trimmedHorizontally(QString::fromUtf8(c.text)),
                  QString::fromUtf8(c.trimmed))
            << c.text;
    }
}

TEST(PathTextTest, AcceptsOnlyWellFormedUtf8)
{
    struct Case
    {
        QByteArray bytes;
        bool valid;
    } cases[] = {
        {"plain.wav", true},
        {"Caf\xc3\xa9.wav", true},
        {"\xf0\x9f\x8e\xb5.wav", true},
        {"", true},
        {"bad\xff.wav", false},
        {"Caf\xe9.wav", false},      // Latin-1
        {"\xc0\xaf", false},         // overlong "/"
        {"\xe0\x80\xaf", false},     // overlong "/"
        {"\xed\xa0\x80", false},     // a surrogate
        {"\xf4\x90\x80\x80", false}, // above U+10FFFF
        {"\xf0\x9f\x8e", false},     // cut short
        {"\xc3", false},             // cut short
        {"\xe2\x82\xac", true},      // the euro sign
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PathText::isValidUtf8(c.bytes), c.valid) << c.bytes.toHex().constData();
        EXPECT_EQ(PathText::decodeUtf8(c.bytes).has_value(), c.valid)
            << c.bytes.toHex().constData();
    }
    EXPECT_EQ(PathText::decodeUtf8("Caf\xc3\xa9"), QStringLiteral("Café"));
}

TEST(DecimalTextTest, ParsesWholeSignedDecimals)
{
    struct Case
    {
        const char* text;
        std::optional<qint64> value;
    } cases[] = {
        {"01", 1},
        {"+5", 5},
        {"-3", -3},
        {"9223372036854775807", std::numeric_limits<qint64>::max()},
        {"-9223372036854775808", std::numeric_limits<qint64>::min()},
        {"9223372036854775808", std::nullopt},
        {"", std::nullopt},
        {"+", std::nullopt},
        {" 1", std::nullopt},
        {"1 ", std::nullopt},
        {"1a", std::nullopt},
        {"\u0661", std::nullopt}, // an Arabic-Indic digit: numeric, but not a decimal we read
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecimalText::parseInteger(QString::fromUtf8(c.text)), c.value) << c.text;
}

TEST(DecimalTextTest, NumericMeansAnyScriptsDigits)
{
    struct Case
    {
        const char* text;
        bool numeric;
    } cases[] = {
        {"2024", true},       {"\u0663\u0664", true}, {"\u00bd", true},
        {"\U0001D7D9", true}, {"12a", false},         {"", false},
        {"Take", false},      {"1 2", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecimalText::isAllNumeric(QString::fromUtf8(c.text)), c.numeric) << c.text;
}
