#include "providers/CommandFilter.h"

#include <gtest/gtest.h>

using namespace quorvel;

// lsof's -c rules as measured against lsof 4.95 on Linux (15-byte command names).
TEST(CommandFilterTest, FollowsLsofCommandRules)
{
    struct Case
    {
        const char* filter;
        const char* command;
        bool selected;
    } cases[] = {
        {"/^REAPER$/", "REAPER", true},
        {"/^REAPER$/", "reaper", false},
        {"/^REAPER$/", "REAPER2", false},
        {"/^(REAPER|reaper)$/", "reaper", true},
        {"/^(REAPER|reaper)$/", "REAPER", true},
        {"/^(REAPER|reaper)$/", "reaper-host", false},
        {"/^Logic Pro$/", "Logic Pro", true},
        {"/^Logic Pro$/", "Logic Pro X", false},
        {"/^Nuendo/", "Nuendo 13", true},
        {"/^Nuendo/", "MyNuendo", false},
        {"/^Live$/", "Live", true},
        {"/^Live$/", "Live Helper", false},
        {"/^live$/i", "LIVE", true},
        {"/^li\\(ve\\)$/b", "live", true}, // basic syntax: \( \) group
        {"/^li(ve)$/b", "live", false},    // basic syntax: parentheses are literal
        {"/^li(ve)$/bx", "live", false},   // b and x conflict: refused
        {"/^live$/xb", "live", false},
        {"/^live$/ii", "live", false}, // a repeated modifier: refused
        {"/^LIVE$/ib", "live", true},
        {"/^live$/x", "live", true},
        {"/ghi/", "abcdefghijklmno", true},
        {"//", "anything", true},
        {"REA", "REAPER", true}, // a plain word is a prefix
        {"REA", "xREAPER", false},
        {"", "anything", true},
        {"abcdefghijklmno", "abcdefghijklmno", true},
        {"abcdefghijklmnop", "abcdefghijklmno", false}, // longer than a command name: refused
        {"^REAPER", "REAPER", false},                   // exclusion only: selects nothing
        {"^REAPER", "other", false},
        {"/", "REAPER", false}, // no closing slash
        {"/REAPER", "REAPER", false},
        {"/(/", "(", false},              // invalid expression
        {"/^REAPER$/q", "REAPER", false}, // unknown modifier
        {"REAPER/", "REAPER", false},     // a word with a slash in it
    };
    for (const auto& c : cases) {
        const CommandFilter filter(QString::fromUtf8(c.filter), 15);
        EXPECT_EQ(filter.matches(c.command), c.selected)
            << "filter " << c.filter << " command " << c.command;
    }
}

TEST(CommandFilterTest, RefusedFiltersSayTheySelectNothing)
{
    for (const char* text : {"^x", "/", "/(/", "/x/z", "/x/bx", "/x/ii", "0123456789abcdef"})
        EXPECT_TRUE(CommandFilter(QString::fromUtf8(text), 15).selectsNothing()) << text;
    for (const char* text : {"x", "/x/", "/x/i", ""})
        EXPECT_FALSE(CommandFilter(QString::fromUtf8(text), 15).selectsNothing()) << text;
}
