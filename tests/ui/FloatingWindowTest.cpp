#include "ui/FloatingWindow.h"

#include "QtPrinters.h"
#include "WatcherHarness.h"
#include "support/Poll.h"
#include "ui/DisplayFont.h"
#include "ui/FloatingLayout.h"
#include "ui/FloatingWindowText.h"
#include "ui/SettingsButton.h"
#include "ui/TightNumeral.h"
#include "ui/WindowPalette.h"

#include <QAction>
#include <QImage>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

const QString emDash = QStringLiteral("\u2014");

struct TextCase
{
    const char* name;
    std::function<void(WatcherHarness&)> arrange;
    FloatingWindowText expected;
};

FloatingWindowText expectText(bool recording, QString heading, QString context,
                              qreal contextOpacity, QString label,
                              std::optional<QString> folderLine, QString number,
                              qreal numberOpacity)
{
    return {recording, heading, context, contextOpacity, label, folderLine, number, numberOpacity};
}

std::string describe(const FloatingWindowText& text)
{
    return QStringLiteral("recording=%1 heading='%2' context='%3'@%4 label='%5' folder='%6' "
                          "number='%7'@%8")
        .arg(text.recording)
        .arg(text.heading, text.context)
        .arg(text.contextOpacity)
        .arg(text.label, text.folderLine.value_or(QStringLiteral("<none>")), text.number)
        .arg(text.numberOpacity)
        .toStdString();
}

DAWSnapshot projectOnly(const QString& project)
{
    DAWSnapshot snapshot;
    snapshot.projectName = project;
    return snapshot;
}

} // namespace

TEST(FloatingWindowTextTest, DerivesEveryLineFromTheWatcher)
{
    const QString noTakeHint =
        QStringLiteral("open a project in your daw, or set a folder in settings");
    const std::vector<TextCase> cases{
        {"nothing known", [](WatcherHarness&) {},
         expectText(false, "quorvel", "no daw", 0.4, noTakeHint, std::nullopt, emDash, 0.3)},
        {"project remembered after the DAW quit",
         [](WatcherHarness& h) {
             h.apply(projectOnly("Intro"));
             h.applyNothing();
         },
         expectText(false, "Intro", "no daw", 0.4, noTakeHint, std::nullopt, emDash, 0.3)},
        {"manual folder without a take",
         [](WatcherHarness& h) {
             h.watcher().selectManualFolder(
                 [](const QString&) { return std::optional<QString>("/media/takes"); });
         },
         expectText(false, "quorvel", "no daw", 0.4, noTakeHint, QString("/media/takes"), emDash,
                    0.3)},
        {"DAW without a take", [](WatcherHarness& h) { h.apply(DAWSnapshot{}); },
         expectText(false, "quorvel", "reaper", 0.6, "waiting for takes", std::nullopt, emDash,
                    0.3)},
        {"DAW without a take, Ableton",
         [](WatcherHarness& h) { h.apply(DAWSnapshot{}, DAWId::ableton); },
         expectText(false, "quorvel", "ableton live", 0.6, "waiting for takes", std::nullopt,
                    emDash, 0.3)},
        {"recording, piece and project differ",
         [](WatcherHarness& h) { h.record("042", QString("Verse"), QString("Album")); },
         expectText(true, "Verse", "Album", 0.6, "recording", std::nullopt, "42", 1.0)},
        {"recording, piece equals project",
         [](WatcherHarness& h) { h.record("042", QString("Album"), QString("Album")); },
         expectText(true, "Album", "reaper", 0.6, "recording", std::nullopt, "42", 1.0)},
        {"take without piece shows the project",
         [](WatcherHarness& h) { h.record("7", std::nullopt, QString("Album")); },
         expectText(true, "Album", "reaper", 0.6, "recording", std::nullopt, "7", 1.0)},
        {"idle shows the next take", [](WatcherHarness& h) { h.stop("042", QString("Verse")); },
         expectText(false, "Verse", "reaper", 0.6, "next take", std::nullopt, "43", 1.0)},
        {"idle shows the last take without the option",
         [](WatcherHarness& h) {
             h.watcher().setShowNextTakeWhenIdle(false);
             h.stop("042", QString("Verse"));
         },
         expectText(false, "Verse", "reaper", 0.6, "last take", std::nullopt, "42", 1.0)},
        {"a take hides the folder line",
         [](WatcherHarness& h) {
             h.watcher().selectManualFolder(
                 [](const QString&) { return std::optional<QString>("/media/takes"); });
             h.stop("12a");
         },
         expectText(false, "quorvel", "reaper", 0.6, "next take", std::nullopt, "12a", 1.0)},
        {"the take stays after the DAW quits",
         [](WatcherHarness& h) {
             h.stop("5");
             h.applyNothing();
         },
         expectText(false, "quorvel", "no daw", 0.4, "next take", std::nullopt, "6", 1.0)},
    };
    for (const TextCase& c : cases) {
        WatcherHarness harness;
        c.arrange(harness);
        const FloatingWindowText actual = FloatingWindowText::from(harness.watcher());
        EXPECT_EQ(actual, c.expected) << c.name << "\n  actual:   " << describe(actual)
                                      << "\n  expected: " << describe(c.expected);
    }
}

TEST(TightNumeralTest, TightensEveryCharacterButTheLast)
{
    struct Case
    {
        const char* text;
        std::vector<qreal> expected;
    } cases[] = {
        {"", {}}, {"7", {0.0}}, {"12", {-4.0, 0.0}}, {"123", {-4.0, -4.0, 0.0}}, {"\u2014", {0.0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TightNumeral::kerning(QString::fromUtf8(c.text), 100), c.expected) << c.text;
}

TEST(TightNumeralTest, TightWidthIsShorterByTheKerning)
{
    const QFont font = DisplayFont::sans(200, true);
    const QFontMetricsF metrics(font);
    EXPECT_DOUBLE_EQ(TightNumeral::width(QStringLiteral("7"), font),
                     metrics.horizontalAdvance(QStringLiteral("7")));
    // Two gaps of 0.04 × 200 = 8 pixels each, give or take the font's own pair kerning.
    const qreal loose = metrics.horizontalAdvance(QStringLiteral("123"));
    const qreal tight = TightNumeral::width(QStringLiteral("123"), font);
    EXPECT_NEAR(loose - tight, 16.0, 1.5) << loose << " " << tight;
}

TEST(FloatingLayoutTest, SizesFollowTheHeightWithFloors)
{
    struct Case
    {
        qreal height, textSize, numeralSize, ruleHeight;
    } cases[] = {
        {260, 15.6, 150.8, 5.0}, {500, 30.0, 290.0, 7.0}, {1000, 60.0, 580.0, 14.0},
        {100, 13.0, 58.0, 5.0},  {50, 13.0, 56.0, 5.0},
    };
    for (const auto& c : cases) {
        const FloatingLayout layout = FloatingLayout::forHeight(c.height);
        EXPECT_NEAR(layout.textSize, c.textSize, 1e-9) << c.height;
        EXPECT_NEAR(layout.numeralSize, c.numeralSize, 1e-9) << c.height;
        EXPECT_NEAR(layout.ruleHeight, c.ruleHeight, 1e-9) << c.height;
    }
    const FloatingLayout small = FloatingLayout::forHeight(100);
    EXPECT_DOUBLE_EQ(small.folderLineSize(), 10.0);
    EXPECT_DOUBLE_EQ(FloatingLayout::forHeight(1000).folderLineSize(), 33.0);
}

TEST(FloatingLayoutTest, NumeralShrinksToAFifthThenClips)
{
    EXPECT_DOUBLE_EQ(FloatingLayout::numeralScale(100, 264), 1.0);
    EXPECT_DOUBLE_EQ(FloatingLayout::numeralScale(528, 264), 0.5);
    EXPECT_DOUBLE_EQ(FloatingLayout::numeralScale(1320, 264), 0.2);
    EXPECT_DOUBLE_EQ(FloatingLayout::numeralScale(5000, 264), 0.2);
    EXPECT_DOUBLE_EQ(FloatingLayout::numeralScale(0, 264), 1.0);
}

TEST(WindowThemeTest, OnlyExactPosterIsPoster)
{
    EXPECT_EQ(windowThemeFromRawValue("poster"), WindowTheme::poster);
    for (const char* other : {"paper", "Poster", "", "dark", " poster"})
        EXPECT_EQ(windowThemeFromRawValue(QString::fromUtf8(other)), WindowTheme::paper) << other;
    EXPECT_EQ(rawValue(WindowTheme::paper), "paper");
    EXPECT_EQ(rawValue(WindowTheme::poster), "poster");
}

TEST(WindowThemeTest, PaletteTable)
{
    const QColor red(229, 52, 42), paper(242, 239, 230), ink(17, 17, 17), night(20, 20, 18),
        white(255, 255, 255);
    EXPECT_EQ(WindowPalette::of(WindowTheme::paper, false), (WindowPalette{paper, ink, ink, ink}));
    EXPECT_EQ(WindowPalette::of(WindowTheme::paper, true), (WindowPalette{paper, ink, red, ink}));
    EXPECT_EQ(WindowPalette::of(WindowTheme::poster, false),
              (WindowPalette{night, paper, paper, paper}));
    EXPECT_EQ(WindowPalette::of(WindowTheme::poster, true),
              (WindowPalette{red, white, white, white}));
}

// Renders the window the way a screen would and reads its pixels.
class FloatingWindowPixelsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_window = std::make_unique<FloatingWindow>(m_harness.watcher(), m_harness.settings());
        m_window->resize(440, 360);
        m_window->show();
    }

    void settle()
    {
        ASSERT_TRUE(pollUntil([&] { return !m_window->isTransitioning(); }));
    }

    QImage image() { return m_window->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    // Pixels of exactly colour within rect.
    static int count(const QImage& image, const QRect& rect, const QColor& colour)
    {
        int n = 0;
        const QRgb wanted = colour.rgb();
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x)
                n += (image.pixel(x, y) & 0xffffff) == (wanted & 0xffffff);
        return n;
    }

    QRect numeralArea() const { return QRect(18, 200, 200, 148); }
    QRect buttonArea() const { return m_window->settingsButton()->geometry(); }

    WatcherHarness m_harness;
    std::unique_ptr<FloatingWindow> m_window;
};

TEST_F(FloatingWindowPixelsTest, PaperIdle)
{
    m_harness.stop("41");
    settle();
    const QImage shot = image();
    const QColor paper(242, 239, 230), ink(17, 17, 17), red(229, 52, 42);
    EXPECT_EQ(QColor(shot.pixel(430, 350)), paper);
    EXPECT_EQ(QColor(shot.pixel(2, 2)), paper);
    EXPECT_GT(count(shot, numeralArea(), ink), 2000);
    EXPECT_EQ(count(shot, shot.rect(), red), 0);
    // The gear: ink at half strength over the paper, so darker than the paper, never red.
    const QRect button = buttonArea();
    EXPECT_EQ(count(shot, button, red), 0);
    EXPECT_GT(button.width() * button.height() - count(shot, button, paper), 40);
}

TEST_F(FloatingWindowPixelsTest, PaperRecording)
{
    m_harness.record("42");
    settle();
    const QImage shot = image();
    const QColor paper(242, 239, 230), red(229, 52, 42), ink(17, 17, 17);
    EXPECT_EQ(QColor(shot.pixel(430, 350)), paper);
    EXPECT_GT(count(shot, numeralArea(), red), 2000);
    EXPECT_EQ(count(shot, numeralArea(), ink), 0);
    // The record dot replaces the gear.
    const QRect button = buttonArea();
    EXPECT_GT(count(shot, button, red), button.width() * button.height() / 3);
    EXPECT_EQ(QColor(shot.pixel(button.center())), red);
}

TEST_F(FloatingWindowPixelsTest, PosterIdle)
{
    m_harness.settings().setWindowTheme(QStringLiteral("poster"));
    m_harness.stop("41");
    settle();
    const QImage shot = image();
    const QColor night(20, 20, 18), paper(242, 239, 230), red(229, 52, 42);
    EXPECT_EQ(QColor(shot.pixel(430, 350)), night);
    EXPECT_GT(count(shot, numeralArea(), paper), 2000);
    EXPECT_EQ(count(shot, shot.rect(), red), 0);
}

TEST_F(FloatingWindowPixelsTest, PosterRecording)
{
    m_harness.settings().setWindowTheme(QStringLiteral("poster"));
    m_harness.record("42");
    settle();
    const QImage shot = image();
    const QColor red(229, 52, 42), white(255, 255, 255);
    EXPECT_EQ(QColor(shot.pixel(430, 350)), red);
    EXPECT_EQ(QColor(shot.pixel(2, 2)), red);
    EXPECT_GT(count(shot, numeralArea(), white), 2000);
    // The gear stays: white at half strength lightens the red; the gear's hole shows the red.
    const QRect button = buttonArea();
    EXPECT_GT(button.width() * button.height() - count(shot, button, red), 40);
    EXPECT_EQ(QColor(shot.pixel(button.center())), red);
}

TEST_F(FloatingWindowPixelsTest, UnknownThemeDrawsAsPaper)
{
    m_harness.record("42");
    settle();
    const QImage paper = image();
    m_harness.settings().setWindowTheme(QStringLiteral("sepia"));
    EXPECT_EQ(m_window->theme(), WindowTheme::paper);
    EXPECT_EQ(image(), paper);
}

TEST_F(FloatingWindowPixelsTest, RecordingChangesEaseOverAFifthOfASecond)
{
    EXPECT_DOUBLE_EQ(m_window->recordingProgress(), 0.0);
    m_harness.record("42");
    EXPECT_TRUE(m_window->isTransitioning());
    EXPECT_LT(m_window->recordingProgress(), 1.0);
    settle();
    EXPECT_DOUBLE_EQ(m_window->recordingProgress(), 1.0);
    EXPECT_EQ(FloatingWindow::transitionMilliseconds, 200);

    m_harness.stop("42");
    EXPECT_TRUE(m_window->isTransitioning());
    settle();
    EXPECT_DOUBLE_EQ(m_window->recordingProgress(), 0.0);
}

TEST_F(FloatingWindowPixelsTest, LongNumberShrinksThenClipsInsideTheInsets)
{
    m_window->resize(300, 260);
    m_harness.stop(QStringLiteral("1234567890123456789"));
    settle();
    const QImage shot = image();
    const QColor paper(242, 239, 230);
    // Nothing of the numeral reaches into the right inset.
    for (int y = 120; y < 250; ++y)
        for (int x = 300 - 17; x < 300; ++x)
            ASSERT_EQ(QColor(shot.pixel(x, y)), paper) << x << "," << y;
    EXPECT_EQ(m_window->size(), QSize(300, 260));
}

TEST_F(FloatingWindowPixelsTest, WindowBehaviour)
{
    EXPECT_EQ(m_window->windowTitle(), "Quorvel");
    EXPECT_EQ(m_window->minimumSize(), QSize(300, 260));
    EXPECT_TRUE(m_window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(m_window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(m_window->testAttribute(Qt::WA_DeleteOnClose));
    m_window->close();
    EXPECT_FALSE(m_window->isVisible());
    m_window->show();
    EXPECT_TRUE(m_window->isVisible());
}

TEST_F(FloatingWindowPixelsTest, SettingsButtonOpensPreferencesWithoutTakingFocus)
{
    SettingsButton* button = m_window->settingsButton();
    EXPECT_EQ(button->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(button->toolTip(), QStringLiteral("Preferences (Ctrl+,)"));
    QSignalSpy requested(m_window.get(), &FloatingWindow::preferencesRequested);
    button->click();
    EXPECT_EQ(requested.count(), 1);
}

TEST_F(FloatingWindowPixelsTest, QuitShortcutOnlyWithoutDockIcon)
{
    QAction* quit = m_window->quitAction();
    EXPECT_EQ(quit->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    EXPECT_FALSE(quit->isEnabled());
    m_harness.settings().setShowInDock(false);
    EXPECT_TRUE(quit->isEnabled());
    QSignalSpy requested(m_window.get(), &FloatingWindow::quitRequested);
    quit->trigger();
    EXPECT_EQ(requested.count(), 1);
    m_harness.settings().setShowInDock(true);
    EXPECT_FALSE(quit->isEnabled());
}
