#include "app/StandardProviders.h"

#include "providers/AbletonProvider.h"
#include "providers/ArdourProvider.h"
#include "providers/PerTrackProvider.h"
#include "providers/ReaperProvider.h"

#include <gtest/gtest.h>

using namespace quorvel;

// Which running applications make each shipped provider count as running. The name is what the
// kernel shows (cut at 15 bytes on Linux); the full name, where given, is the program's whole file
// name, which is what matches. The names the end-to-end runs start (REAPER and Live, natively and
// under Wine, Pro Tools, Debian's Ardour) are left to them.
TEST(StandardProvidersTest, RunningApplicationsThatSelectEachProvider)
{
    const auto providers = standardProviders();
    auto runs = [](const DAWProvider& p, const std::vector<RunningApplication>& apps) {
        if (const auto* reaper = dynamic_cast<const ReaperProvider*>(&p))
            return reaper->isRunningAmong(apps);
        if (const auto* perTrack = dynamic_cast<const PerTrackProvider*>(&p))
            return perTrack->isRunningAmong(apps);
        if (dynamic_cast<const ArdourProvider*>(&p))
            return ArdourProvider::isRunningAmong(apps);
        return AbletonProvider::isRunningAmong(apps);
    };
    struct Case
    {
        size_t provider; // in the list above
        const char *name, *bundle;
        bool regular, running;
        const char* full = nullptr;
    } cases[] = {
        {0, "REAPER", nullptr, true, true},
        {0, "Reaper", nullptr, true, false},
        {0, "REAPER.EXE", nullptr, true, true}, // the Windows build under Wine
        {1, "Logic Pro X", nullptr, true, true}, // a prefix
        {1, "Logic Pro", nullptr, false, false}, // not regular
        {1, nullptr, "com.apple.logic10.beta", false, true},
        {4, "Cubase13.exe", nullptr, true, true},
        {5, "Ableton Live 12", nullptr, true, false}, // the cut name alone is not the program
        {5, "Ableton Live.ex", nullptr, true, false, "Ableton Live.exe"},
        {6, "ardour-vst-scan", nullptr, true, false, "ardour-vst-scanner"},
        {6, "hardour-7.3.0~d", nullptr, true, false, "hardour-7.3.0~ds0"},
        {6, "ardour7-lua", nullptr, true, false},
    };
    for (const auto& c : cases) {
        RunningApplication app;
        app.localizedName = c.name ? std::optional<QString>(c.name) : std::nullopt;
        app.bundleIdentifier = c.bundle ? std::optional<QString>(c.bundle) : std::nullopt;
        app.isRegular = c.regular;
        app.executableName = c.full ? std::optional<QString>(c.full) : std::nullopt;
        const std::string label = rawValue(providers[c.provider]->id()).toStdString() + " with " +
                                  (c.name ? c.name : "-") + " / " + (c.full ? c.full : "-") +
                                  " / " + (c.bundle ? c.bundle : "-");
        RunningApplication shell;
        shell.localizedName = QStringLiteral("bash");
        shell.isRegular = true;
        EXPECT_EQ(runs(*providers[c.provider], {shell, app}), c.running) << label;
    }
}
