#include "ui/FloatingWindow.h"

#include "QtPrinters.h"
#include "WatcherHarness.h"
#include "support/Poll.h"
#include "ui/SettingsButton.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

const QColor paper(242, 239, 230), night(20, 20, 18), red(229, 52, 42);

// A shown window over a fresh watcher, arranged, with any recording transition run to its end.
struct ShownWindow
{
    explicit ShownWindow(const std::function<void(WatcherHarness&)>& arrange)
    {
        window.show();
        arrange(harness);
        eased = window.isTransitioning() && window.recordingProgress() < 1;
        EXPECT_TRUE(pollUntil([&] { return !window.isTransitioning(); }));
    }
    QImage image() { return window.grab().toImage().convertToFormat(QImage::Format_RGB32); }

    WatcherHarness harness;
    FloatingWindow window{harness.watcher(), harness.settings()};
    bool eased = false; // the change to recording eased in rather than jumped
};

int count(const QImage& image, const QRect& rect, const QColor& colour)
{
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            n += QColor(image.pixel(x, y)) == colour;
    return n;
}

} // namespace

TEST(FloatingWindowTextTest, DerivesEveryLineFromTheWatcher)
{
    const QString hint = "open a project in your daw, or set a folder in settings", dash = "\u2014";
    using H = WatcherHarness;
    // Recording; heading; context and its opacity; label; folder line; number and its opacity.
    using Text = FloatingWindowText;
    const struct Case
    {
        const char* name;
        std::function<void(H&)> arrange;
        Text expected;
    } cases[] = {
        {"nothing known", [](H&) {},
         Text(false, "quorvel", "no daw", 0.4, hint, std::nullopt, dash, 0.3)},
        {"project remembered after the DAW quit", [](H& h) { h.project("Intro").applyNothing(); },
         Text(false, "Intro", "no daw", 0.4, hint, std::nullopt, dash, 0.3)},
        {"manual folder without a take", [](H& h) { h.manualFolder("/f"); },
         Text(false, "quorvel", "no daw", 0.4, hint, QString("/f"), dash, 0.3)},
        {"DAW without a take", [](H& h) { h.apply({}, DAWId::ableton); },
         Text(false, "quorvel", "ableton live", 0.6, "waiting for takes", std::nullopt, dash, 0.3)},
        {"piece and project differ", [](H& h) { h.record("042", "Verse", "Album"); },
         Text(true, "Verse", "Album", 0.6, "recording", std::nullopt, "42", 1.0)},
        {"piece equals project", [](H& h) { h.record("042", "Album", "Album"); },
         Text(true, "Album", "reaper", 0.6, "recording", std::nullopt, "42", 1.0)},
        {"idle: the next take", [](H& h) { h.stop("042", "Verse"); },
         Text(false, "Verse", "reaper", 0.6, "next take", std::nullopt, "43", 1.0)},
        {"a take hides the folder line", [](H& h) { h.manualFolder("/f").stop("12a"); },
         Text(false, "quorvel", "reaper", 0.6, "next take", std::nullopt, "12a", 1.0)},
    };
    for (const Case& c : cases) {
        WatcherHarness harness;
        c.arrange(harness);
        EXPECT_EQ(FloatingWindowText::from(harness.watcher()), c.expected) << c.name;
    }
}

// The record dot takes the gear's place, whose hole shows the background; a theme the window
// does not know draws as paper.
TEST(FloatingWindowPixelsTest, BackgroundNumeralAndRecordDotOfBothThemes)
{
    const struct Case
    {
        const char* theme;
        bool recording;
        QColor background, numeral, buttonCentre;
    } cases[] = {{"poster", false, night, paper, night}, {"sepia", true, paper, red, red}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.theme) + (c.recording ? " recording" : " idle"));
        ShownWindow shown([&](WatcherHarness& h) {
            h.settings().setWindowTheme(c.theme);
            c.recording ? h.record("42") : h.stop("41");
        });
        EXPECT_EQ(shown.eased, c.recording);
        const QImage shot = shown.image();
        EXPECT_EQ(QColor(shot.pixel(2, 2)), c.background);
        EXPECT_GT(count(shot, QRect(18, 200, 200, 148), c.numeral), 2000);
        const QRect button = shown.window.settingsButton()->geometry();
        EXPECT_EQ(QColor(shot.pixel(button.center())), c.buttonCentre);
    }
}

TEST(FloatingWindowPixelsTest, AtItsMinimumSizeALongNumberStaysInsideTheInsets)
{
    ShownWindow shown([](WatcherHarness& h) { h.stop(QStringLiteral("1234567890123456789")); });
    shown.window.resize(200, 200);
    ASSERT_EQ(shown.window.size(), QSize(300, 260));
    const QImage shot = shown.image();
    EXPECT_EQ(count(shot, QRect(300 - 18, 120, 18, 130), paper), 18 * 130);
}
