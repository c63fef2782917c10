#include "QtPrinters.h"
#include "WatcherHarness.h"
#include "ui/ApplicationIcon.h"
#include "ui/DockTileRenderer.h"
#include "ui/DockTileUpdater.h"

#include <QApplication>
#include <QIcon>

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

// A point on the 1024-unit canvas, in pixels of a badge of side.
QPoint at(int side, qreal x, qreal y)
{
    return QPoint(static_cast<int>(x * side / 1024.0), static_cast<int>(y * side / 1024.0));
}

} // namespace

TEST(DockTileRendererTest, BadgeGeometryAndColours)
{
    struct Case
    {
        bool recording;
        QColor disc;
    } cases[] = {{true, QColor(229, 52, 42)}, {false, QColor(142, 142, 147)}};
    for (int side : {128, 256, 512}) {
        for (const auto& c : cases) {
            const QImage badge = DockTileRenderer::render(QStringLiteral("42"), c.recording, side);
            ASSERT_EQ(badge.size(), QSize(side, side));
            // Outside the rounded square: transparent, corners included.
            EXPECT_EQ(qAlpha(badge.pixel(at(side, 20, 20))), 0) << side;
            EXPECT_EQ(qAlpha(badge.pixel(at(side, 120, 120))), 0) << side << " rounded corner";
            // The white square above the disc.
            EXPECT_EQ(QColor(badge.pixel(at(side, 512, 150))), QColor(Qt::white)) << side;
            EXPECT_EQ(QColor(badge.pixel(at(side, 150, 512))), QColor(Qt::white)) << side;
            // The disc, above the number.
            EXPECT_EQ(QColor(badge.pixel(at(side, 512, 270))), c.disc)
                << side << " recording=" << c.recording;
            EXPECT_EQ(QColor(badge.pixel(at(side, 300, 512))), c.disc) << side;
        }
    }
}

TEST(DockTileRendererTest, NumberIsDrawnInBlackAndCentredByItsInk)
{
    const int side = 512;
    const QImage badge = DockTileRenderer::render(QStringLiteral("42"), true, side);
    const QRectF bounds = DockTileRenderer::numberBounds(QStringLiteral("42"), side);
    EXPECT_NEAR(bounds.center().x(), side / 2.0, 0.01);
    EXPECT_NEAR(bounds.center().y(), side / 2.0, 0.01);
    int black = 0;
    for (int y = static_cast<int>(bounds.top()); y < bounds.bottom(); ++y)
        for (int x = static_cast<int>(bounds.left()); x < bounds.right(); ++x)
            black += QColor(badge.pixel(x, y)) == QColor(Qt::black);
    EXPECT_GT(black, 500);
}

TEST(DockTileRendererTest, LongNumbersShrinkToSeventyPercentOfTheDisc)
{
    for (int side : {128, 256, 1024}) {
        const qreal limit = 1.4 * DockTileRenderer::discRadius(side);
        const QRectF six = DockTileRenderer::numberBounds(QStringLiteral("123456"), side);
        EXPECT_LE(six.width(), limit + 1e-6) << side;
        EXPECT_NEAR(six.width(), limit, 1e-6) << side;
        const QRectF huge = DockTileRenderer::numberBounds(QStringLiteral("1234567890123"), side);
        EXPECT_NEAR(huge.width(), limit, 1e-6) << side;
        // A short number keeps its size.
        EXPECT_LT(DockTileRenderer::numberBounds(QStringLiteral("7"), side).width(), limit);
    }
}

TEST(DockTileRendererTest, SmallTilesStillGetA128PointBadge)
{
    EXPECT_EQ(DockTileRenderer::imageSide(32), 128);
    EXPECT_EQ(DockTileRenderer::imageSide(128), 128);
    EXPECT_EQ(DockTileRenderer::imageSide(129), 129);
    EXPECT_EQ(DockTileRenderer::imageSide(256), 256);
    EXPECT_GE(DockTileRenderer::imageSide(DockTileRenderer::tileWidth()), 128);
}

TEST(DockTileRendererTest, UpdateInstallsTheBadgeOrRestoresTheIcon)
{
    const int side = DockTileRenderer::imageSide(DockTileRenderer::tileWidth());
    DockTileRenderer::update(QStringLiteral("42"), true);
    QImage icon = QApplication::windowIcon().pixmap(side, side).toImage();
    EXPECT_EQ(QColor(icon.pixel(at(side, 512, 270))), QColor(229, 52, 42));

    DockTileRenderer::update(std::nullopt, false);
    icon = QApplication::windowIcon()
               .pixmap(side, side)
               .toImage()
               .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(icon, ApplicationIcon::render(side));
}

class DockTileUpdaterTest : public ::testing::Test
{
protected:
    struct Call
    {
        std::optional<QString> number;
        bool recording;
        friend bool operator==(const Call&, const Call&) = default;
    };

    void SetUp() override
    {
        m_updater = std::make_unique<DockTileUpdater>(
            m_harness.watcher(), [this](const std::optional<QString>& number, bool recording) {
                m_calls.push_back({number, recording});
            });
    }

    WatcherHarness m_harness;
    std::vector<Call> m_calls;
    std::unique_ptr<DockTileUpdater> m_updater;
};

TEST_F(DockTileUpdaterTest, DrawsNothingUntilTheFirstChange)
{
    EXPECT_TRUE(m_calls.empty());
    EXPECT_FALSE(m_updater->hasRendered());
}

TEST_F(DockTileUpdaterTest, FirstChangeWithoutATakeRestoresTheIcon)
{
    m_harness.apply(DAWSnapshot{});
    ASSERT_EQ(m_calls.size(), 1u);
    EXPECT_EQ(m_calls[0], (Call{std::nullopt, false}));
}

TEST_F(DockTileUpdaterTest, RedrawsOnlyWhenTheNumberOrTheFlagChanges)
{
    m_harness.record("7");
    ASSERT_EQ(m_calls.size(), 1u);
    EXPECT_EQ(m_calls.back(), (Call{QString("7"), true}));

    // Other published changes: a project name, a folder. No redraw.
    DAWSnapshot same = snapshotWithTake("7", true, std::nullopt, QString("/takes"));
    same.projectName = QStringLiteral("Album");
    m_harness.apply(same);
    EXPECT_EQ(m_calls.size(), 1u);

    // Same number, recording ends: grey disc.
    m_harness.watcher().setShowNextTakeWhenIdle(false);
    m_harness.stop("7");
    ASSERT_EQ(m_calls.size(), 2u);
    EXPECT_EQ(m_calls.back(), (Call{QString("7"), false}));

    // Showing the next take changes the number.
    m_harness.watcher().setShowNextTakeWhenIdle(true);
    ASSERT_EQ(m_calls.size(), 3u);
    EXPECT_EQ(m_calls.back(), (Call{QString("8"), false}));

    m_harness.record("8");
    ASSERT_EQ(m_calls.size(), 4u);
    EXPECT_EQ(m_calls.back(), (Call{QString("8"), true}));
}
