#include "app/StandardProviders.h"

#include "model/FilenamePattern.h"
#include "providers/AbletonProvider.h"
#include "providers/PerTrackProvider.h"
#include "providers/ReaperProvider.h"

#include <gtest/gtest.h>

using namespace quorvel;

TEST(StandardProvidersTest, SixProvidersInTieBreakOrder)
{
    const auto providers = standardProviders();
    ASSERT_EQ(providers.size(), 6u);
    const std::pair<DAWId, const char*> expected[] = {
        {DAWId::reaper, "REAPER"}, {DAWId::logic, "Logic Pro"}, {DAWId::protools, "Pro Tools"},
        {DAWId::nuendo, "Nuendo"}, {DAWId::cubase, "Cubase"},   {DAWId::ableton, "Ableton Live"},
    };
    for (size_t i = 0; i < providers.size(); ++i) {
        EXPECT_EQ(providers[i]->id(), expected[i].first) << i;
        EXPECT_EQ(providers[i]->displayName(), QString::fromUtf8(expected[i].second)) << i;
        // Every built-in pattern compiles the way the watcher compiles it.
        EXPECT_TRUE(FilenamePattern::compile(providers[i]->defaultFilenamePattern()).pattern)
            << expected[i].second;
    }
    EXPECT_NE(dynamic_cast<const ReaperProvider*>(providers[0].get()), nullptr);
    EXPECT_NE(dynamic_cast<const AbletonProvider*>(providers[5].get()), nullptr);
}

TEST(StandardProvidersTest, PerTrackConfigurationsAsTabulated)
{
    const auto providers = standardProviders();
    ASSERT_EQ(providers.size(), 6u);
    struct Row
    {
        DAWId id;
        const char* pattern;
        const char* bundle;
        const char* process;
        const char* filter;
        const char* media;
    } rows[] = {
        {DAWId::logic, R"(#(\d+)\.(?:wav|aif|aiff|caf)$)", "com.apple.logic10", "Logic Pro",
         "/^Logic Pro$/", "Audio Files"},
        {DAWId::protools, R"(_(\d+)(?:\.[LR])?\.(?:wav|aif|aiff|caf)$)", "com.avid.ProTools",
         "Pro Tools", "/^Pro Tools$/", "Audio Files"},
        {DAWId::nuendo, R"(_(\d+)(?:\.[LR])?\.(?:wav|aif|aiff|caf|w64)$)", "com.steinberg.nuendo",
         "Nuendo", "/^Nuendo/", "Audio"},
        {DAWId::cubase, R"(_(\d+)(?:\.[LR])?\.(?:wav|aif|aiff|caf|w64)$)", "com.steinberg.cubase",
         "Cubase", "/^Cubase/", "Audio"},
    };
    for (size_t i = 0; i < 4; ++i) {
        const auto* provider = dynamic_cast<const PerTrackProvider*>(providers[i + 1].get());
        ASSERT_NE(provider, nullptr) << i;
        const auto& config = provider->configuration();
        const Row& row = rows[i];
        const std::string label = rawValue(row.id).toStdString();
        EXPECT_EQ(config.id, row.id) << label;
        EXPECT_EQ(config.defaultFilenamePattern, QString::fromUtf8(row.pattern)) << label;
        EXPECT_EQ(provider->defaultFilenamePattern(), QString::fromUtf8(row.pattern)) << label;
        EXPECT_EQ(config.bundleIdentifiers, QStringList{QString::fromUtf8(row.bundle)}) << label;
        EXPECT_EQ(config.processNames, QStringList{QString::fromUtf8(row.process)}) << label;
        EXPECT_EQ(config.lsofCommandFilter, QString::fromUtf8(row.filter)) << label;
        EXPECT_EQ(config.mediaSubfolderName, QString::fromUtf8(row.media)) << label;
    }
}
